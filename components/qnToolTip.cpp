// Balloon hints: a frameless, top-most window drawn as a rounded balloon
// whose stem points up and to the left, its tip on the window's top-left
// corner. That corner is placed on the point the hint is about, so the stem
// touches it.

#include "qnToolTip.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kStemHeight = 14; // from the tip down to the balloon's body
constexpr int kStemBase = 18;   // width of the stem where it meets the body
constexpr int kStemInset = 10;  // from the body's left edge to the stem
constexpr qreal kRadius = 7;    // corners of the body
constexpr int kMargin = 10;     // inside the body, around icon and texts
// Long texts wrap at about this many average characters.
constexpr int kTextColumns = 48;
// A hidden hint's window lives on this long before it is destroyed, unless
// told otherwise.
constexpr int kDefaultRetireMs = 2500;

class BalloonTip : public QWidget {
public:
    BalloonTip(QWidget* owner, const QString& title, const QString& text)
        : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);

        const int iconSide = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
        auto* icon = new QLabel(this);
        icon->setPixmap(style()
                            ->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                            .pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));
        auto* titleLabel = new QLabel(title, this);
        titleLabel->setTextFormat(Qt::PlainText);
        QFont bold = titleLabel->font();
        bold.setBold(true);
        titleLabel->setFont(bold);
        auto* textLabel = new QLabel(text, this);
        textLabel->setTextFormat(Qt::PlainText);
        textLabel->setWordWrap(true);
        // A short text keeps to one line; a long one wraps at a readable
        // width instead of the narrow one a wrapping label would choose.
        const int widest = textLabel->fontMetrics().averageCharWidth() * kTextColumns;
        textLabel->setMinimumWidth(
            std::min(widest, textLabel->fontMetrics().horizontalAdvance(text) + 1));
        textLabel->setMaximumWidth(widest);
        for (QLabel* label : {icon, titleLabel, textLabel}) {
            label->setForegroundRole(QPalette::ToolTipText);
            // A click anywhere on the balloon reaches the balloon itself.
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
        }

        auto* layout = new QGridLayout(this);
        layout->setContentsMargins(kMargin, kStemHeight + kMargin, kMargin, kMargin);
        layout->setHorizontalSpacing(6);
        layout->setVerticalSpacing(4);
        layout->addWidget(icon, 0, 0);
        layout->addWidget(titleLabel, 0, 1);
        layout->addWidget(textLabel, 1, 0, 1, 2);
        layout->setColumnStretch(1, 1);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
        painter.setBrush(palette().color(QPalette::ToolTipBase));
        painter.drawPath(outline());
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        if (CurrentBalloonTip() == this)
            HideBalloonTip();
        else
            hide();
    }

private:
    // Body and stem as one outline, on half pixels so that the 1-pixel pen
    // stays sharp.
    QPainterPath outline() const {
        const QRectF body(0.5, kStemHeight + 0.5, width() - 1.0, height() - kStemHeight - 1.0);
        QPainterPath balloon;
        balloon.addRoundedRect(body, kRadius, kRadius);
        QPainterPath stem;
        stem.moveTo(0.5, 0.5);
        stem.lineTo(kStemInset + kStemBase + 0.5, body.top() + 1.0);
        stem.lineTo(kStemInset + 0.5, body.top() + 1.0);
        stem.closeSubpath();
        return balloon.united(stem);
    }
};

// The hint now shown; forgotten by itself should its window be destroyed
// with the window that owns it.
QPointer<QWidget>& current() {
    static QPointer<QWidget> tip;
    return tip;
}

int retireMs = kDefaultRetireMs;

} // namespace

void ShowBalloonTip(QWidget* Control, const QString& Title, const QString& Text, int OffsetY,
                    int OffsetX) {
    if (!Control) return;
    HideBalloonTip();
    auto* tip = new BalloonTip(Control->window(), Title, Text);
    // The centre of the control's rectangle: left + width div 2, top +
    // height div 2, in screen coordinates.
    const QPoint centre = Control->mapToGlobal(QPoint(Control->width() / 2, Control->height() / 2));
    tip->adjustSize();
    tip->move(centre + QPoint(OffsetX, OffsetY));
    // A tool-tip window shows above all others without taking the focus.
    tip->show();
    current() = tip;
}

void HideBalloonTip() {
    QWidget* tip = current();
    current() = nullptr;
    if (!tip) return;
    tip->hide();
    // The timer belongs to the window, so it dies with it should the owner
    // take the window down first.
    QTimer::singleShot(retireMs, tip, &QObject::deleteLater);
}

QWidget* CurrentBalloonTip() {
    return current();
}

int BalloonTipRetireDelay() {
    return retireMs;
}

void SetBalloonTipRetireDelay(int Milliseconds) {
    retireMs = std::max(Milliseconds, 0);
}
