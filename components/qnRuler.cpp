#include "qnRuler.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <climits>
#include <cmath>
#include <vector>

namespace {

// Rounds half up for the non-negative positions of the scale; the fraction
// of the sum is dropped towards zero.
int truncHalfUp(double Value) { return int(std::trunc(Value + 0.5)); }

// Before the first label or tick, so that the first one is always drawn.
constexpr int FarBefore = INT_MIN / 2;

// The least room between two labels of the pixel and centimetre scales.
constexpr int PixelLabelRoom = 30;
constexpr int CentimetreLabelRoom = 32;

int screenDotsPerInchY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? qMax(1, qRound(screen->logicalDotsPerInchY())) : 96;
}

// One scale as a list of labels and a list of lines and ticks. The picture
// is painted from it in two passes, the labels first and every line on top,
// so a label that comes close to a line never blurs it.
class TRulerScale {
public:
    struct Label {
        QPointF TopLeft;
        QString Text;
        bool Stacked = false; // digits one below the other
    };

    TRulerScale(TqnRulerStyle Style, QSize Size, const QFontMetrics& Metrics)
        : Horizontal(Style == qnHorizontal), Size(Size), Metrics(Metrics) {}

    int Length() const { return Horizontal ? Size.width() : Size.height(); }

    // A tick Depth pixels long at At along the ruler, from the outer edge
    // (top or left) or from the canvas side (bottom or right).
    void Tick(int At, int Depth, bool FromOuter) {
        const int across = Horizontal ? Size.height() : Size.width();
        const int from = FromOuter ? 0 : across - Depth;
        Marks.push_back(Horizontal ? QRect(At, from, 1, Depth) : QRect(from, At, Depth, 1));
    }
    void FullLine(int At) {
        Marks.push_back(Horizontal ? QRect(At, 0, 1, Size.height()) : QRect(0, At, Size.width(), 1));
    }
    void CanvasEdge() {
        Marks.push_back(Horizontal ? QRect(0, Size.height() - 1, Size.width(), 1)
                                   : QRect(Size.width() - 1, 0, 1, Size.height()));
    }
    void Text(QPointF TopLeft, const QString& Text, bool Stacked = false) {
        Labels.push_back({TopLeft, Text, Stacked});
    }

    const bool Horizontal;
    const QSize Size;
    const QFontMetrics& Metrics;
    std::vector<Label> Labels;
    std::vector<QRect> Marks;
};

// Image pixels: a tick every 5, a line and a label every 50 while the labels
// keep 30 pixels apart; short ticks are thinned out where the zoom would
// crowd them.
void buildPixelScale(TRulerScale& Scale, double Zoom) {
    const int length = Scale.Length();
    const int last = truncHalfUp(length / Zoom / 5);
    int lastLabel = FarBefore, lastOdd = FarBefore, lastEven = FarBefore;
    for (int i = 0; i <= last; ++i) {
        const int p = truncHalfUp(i * 5 * Zoom);
        if (i % 10 == 0) {
            if (p - lastLabel < PixelLabelRoom) continue;
            Scale.FullLine(p);
            const QString text = QString::number(i * 5);
            if (Scale.Horizontal)
                Scale.Text(QPointF(p + 1, 0), text);
            else
                Scale.Text(QPointF(0, p + 1), text, true);
            lastLabel = p;
        } else if (i % 2 != 0) {
            if (p - lastOdd <= 2) continue;
            Scale.Tick(p, 3, false);
            lastOdd = p;
        } else {
            if (p - lastEven <= 5) continue;
            Scale.Tick(p, 6, false);
            lastEven = p;
        }
    }
}

// Millimetres at PixelsPerInch image pixels to the inch: a line every
// centimetre, labelled while the labels keep 32 pixels apart.
void buildCentimetreScale(TRulerScale& Scale, double Zoom, int PixelsPerInch) {
    const double pixelsPerMillimetre = PixelsPerInch / 25.4;
    const int last = int(std::trunc(Scale.Length() / Zoom / pixelsPerMillimetre));
    int lastLabel = FarBefore;
    for (int c = 0; c <= last; ++c) {
        const int p = truncHalfUp(c * pixelsPerMillimetre * Zoom);
        if (c % 10 == 0) {
            Scale.FullLine(p);
            if (p - lastLabel < CentimetreLabelRoom) continue;
            const QString text = QString::number(c / 10);
            if (Scale.Horizontal)
                Scale.Text(QPointF(p + 1, 3), text);
            else
                Scale.Text(QPointF(Scale.Size.width() - Scale.Metrics.horizontalAdvance(text),
                                   p + 1),
                           text);
            lastLabel = p;
        } else {
            Scale.Tick(p, c % 5 == 0 ? 6 : 3, true);
        }
    }
}

// Percent of the ruler's own length, whatever the zoom.
void buildPercentScale(TRulerScale& Scale) {
    const int length = Scale.Length();
    for (int n = 0; n <= 100; ++n) {
        const int p = truncHalfUp(length / 100.0 * n);
        if (n % 10 == 0) {
            Scale.FullLine(p);
            const QString text = QString::number(n);
            Scale.Text(Scale.Horizontal ? QPointF(p + 1, 0) : QPointF(0, p + 1), text);
        } else {
            Scale.Tick(p, n % 5 == 0 ? 6 : 3, false);
        }
    }
}

} // namespace

TqnRuler::TqnRuler(QWidget* parent) : QWidget(parent), PixelsPerInch_(screenDotsPerInchY()) {
    QFont small = font();
    small.setPointSizeF(7);
    setFont(small);
    Buffer_ = QImage(10, 10, QImage::Format_RGB32);
    Buffer_.fill(BackColor_);
    // The picture covers every pixel, so Qt need not clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TqnRuler::SetForeColor(QColor Color) {
    if (Color == ForeColor_) return;
    ForeColor_ = Color;
    scaleChanged();
}

void TqnRuler::SetBackColor(QColor Color) {
    if (Color == BackColor_) return;
    BackColor_ = Color;
    scaleChanged();
}

void TqnRuler::SetPosColor(QColor Color) {
    if (Color == PosColor_) return;
    PosColor_ = Color;
    update(markerRect(Position_));
}

void TqnRuler::SetStyle(TqnRulerStyle Style) {
    if (Style == Style_) return;
    Style_ = Style;
    updateGeometry();
    scaleChanged();
}

void TqnRuler::SetRulerUnit(TqnUnit Unit) {
    if (Unit == RulerUnit_) return;
    RulerUnit_ = Unit;
    scaleChanged();
}

void TqnRuler::SetPosition(int Value) {
    if (Value == Position_) return;
    const int old = Position_;
    Position_ = Value;
    update(markerRect(old));
    update(markerRect(Value));
}

void TqnRuler::SetPixelsPerInch(int Value) {
    Value = qMax(1, Value);
    if (Value == PixelsPerInch_) return;
    PixelsPerInch_ = Value;
    scaleChanged();
}

void TqnRuler::SetZoom(double Value) {
    if (!(Value > 0) || !std::isfinite(Value) || Value == Zoom_) return;
    Zoom_ = Value;
    scaleChanged();
}

void TqnRuler::Refresh() {
    buildBuffer();
    update();
}

QSize TqnRuler::sizeHint() const {
    // Room for a label and the longest tick below it.
    const int thickness = qMax(18, fontMetrics().height() + 7);
    return Style_ == qnHorizontal ? QSize(100, thickness) : QSize(thickness, 100);
}

QSize TqnRuler::minimumSizeHint() const {
    const QSize hint = sizeHint();
    return Style_ == qnHorizontal ? QSize(0, hint.height()) : QSize(hint.width(), 0);
}

void TqnRuler::scaleChanged() {
    BufferStale_ = true;
    update();
}

void TqnRuler::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        scaleChanged();
    }
    QWidget::changeEvent(event);
}

void TqnRuler::paintEvent(QPaintEvent* event) {
    if (BufferStale_ || Buffer_.size() != size()) buildBuffer();
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), Buffer_, event->rect());
    // The marker: every other pixel across the ruler.
    const QRect marker = markerRect(Position_);
    if (!marker.intersects(event->rect())) return;
    if (Style_ == qnHorizontal) {
        for (int y = 0; y < height(); y += 2) painter.fillRect(Position_, y, 1, 1, PosColor_);
    } else {
        for (int x = 0; x < width(); x += 2) painter.fillRect(x, Position_, 1, 1, PosColor_);
    }
}

void TqnRuler::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseReleased(event->button(), event->globalPosition().toPoint());
    QWidget::mouseReleaseEvent(event);
}

QRect TqnRuler::markerRect(int At) const {
    return Style_ == qnHorizontal ? QRect(At, 0, 1, height()) : QRect(0, At, width(), 1);
}

void TqnRuler::buildBuffer() {
    BufferStale_ = false;
    if (width() <= 0 || height() <= 0) {
        Buffer_ = QImage();
        return;
    }
    if (Buffer_.size() != size()) Buffer_ = QImage(size(), QImage::Format_RGB32);
    Buffer_.fill(BackColor_);

    const QFontMetrics metrics(font());
    TRulerScale scale(Style_, size(), metrics);
    switch (RulerUnit_) {
    case qnPixel: buildPixelScale(scale, Zoom_); break;
    case qnCM: buildCentimetreScale(scale, Zoom_, PixelsPerInch_); break;
    case qnPercent: buildPercentScale(scale); break;
    }
    scale.CanvasEdge();

    QPainter painter(&Buffer_);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(ForeColor_);
    for (const TRulerScale::Label& label : scale.Labels) {
        if (!label.Stacked) {
            painter.drawText(label.TopLeft + QPointF(0, metrics.ascent()), label.Text);
            continue;
        }
        QPointF at = label.TopLeft + QPointF(0, metrics.ascent());
        for (const QChar digit : label.Text) {
            painter.drawText(at, QString(digit));
            at.ry() += 0.75 * metrics.height();
        }
    }
    for (const QRect& r : scale.Marks) painter.fillRect(r, ForeColor_);
}
