#include "PtImage.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cstdlib>
#include <vector>

namespace {

QRgb rgbOf(TColor Color) {
    return qRgb(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
}

// A line from A towards B in the way a pen draws one: every pixel from A
// up to, but not including, B, one per step along the longer axis.
void plotLine(QImage& Picture, QPoint A, QPoint B, QRgb Color) {
    const int dx = B.x() - A.x();
    const int dy = B.y() - A.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    // The nearest pixel to the exact point, halves away from zero.
    const auto along = [steps](int i, int d) {
        const int twice = 2 * i * d;
        return twice >= 0 ? (twice + steps) / (2 * steps) : -((-twice + steps) / (2 * steps));
    };
    for (int i = 0; i < steps; ++i) {
        const int x = A.x() + along(i, dx);
        const int y = A.y() + along(i, dy);
        if (Picture.valid(x, y)) Picture.setPixel(x, y, Color);
    }
}

void plotPolyline(QImage& Picture, std::initializer_list<QPoint> Points, QRgb Color) {
    const QPoint* p = Points.begin();
    for (size_t i = 1; i < Points.size(); ++i)
        plotLine(Picture, p[i - 1], p[i], Color);
}

// Paints the area of the colour found at Seed, reached through edges, with
// Color.
void floodFill(QImage& Picture, QPoint Seed, QRgb Color) {
    if (!Picture.valid(Seed)) return;
    const QRgb old = Picture.pixel(Seed);
    if (old == Color) return;
    std::vector<QPoint> todo{Seed};
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (!Picture.valid(p) || Picture.pixel(p) != old) continue;
        Picture.setPixel(p, Color);
        todo.insert(todo.end(), {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1),
                                 p - QPoint(0, 1)});
    }
}

} // namespace

TPtImage::TPtImage(QWidget* parent) : QWidget(parent) {
    setFixedSize(PictureWidth, PictureHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button are wanted too, as for a control drawn by
    // its owner.
    setMouseTracking(true);
    drawPicture();
}

void TPtImage::setSelColor(TColor Color) {
    if (Color == SelColor_) return;
    SelColor_ = Color;
    drawPicture();
}

void TPtImage::setLineColor(TColor Color) {
    if (Color == LineColor_) return;
    LineColor_ = Color;
    drawPicture();
}

void TPtImage::setPtColor(TColor Color) {
    if (Color == PtColor_) return;
    PtColor_ = Color;
    drawPicture();
}

void TPtImage::drawPicture() {
    QImage picture(PictureWidth, PictureHeight, QImage::Format_RGB888);
    picture.fill(palette().color(QPalette::Button));
    // The raised look of a button: the outline, a shadow line inside it
    // (the palette's button shadow; its Shadow role is the near-black
    // outer edge) and a white highlight.
    const QRgb line = rgbOf(LineColor_);
    const QRgb shadow = palette().color(QPalette::Dark).rgb();
    const QRgb white = qRgb(255, 255, 255);
    plotLine(picture, {5, 0}, {0, 6}, line);
    plotLine(picture, {5, 0}, {10, 6}, line);
    plotPolyline(picture, {{0, 6}, {0, 16}, {10, 16}, {10, 5}}, line);
    plotPolyline(picture, {{1, 6}, {9, 6}, {4, 0}}, shadow);
    plotPolyline(picture, {{9, 8}, {9, 15}, {2, 15}}, shadow);
    plotPolyline(picture, {{9, 7}, {1, 7}, {1, 15}}, white);
    floodFill(picture, {5, 5}, rgbOf(PtColor_));
    const QRgb body = rgbOf(SelColor_);
    for (int y = 8; y < 15; ++y)
        for (int x = 2; x < 9; ++x)
            picture.setPixel(x, y, body);
    Picture_ = picture;
    ++DrawCount_;
    update();
}

void TPtImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Picture_);
}

void TPtImage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) drawPicture();
}

void TPtImage::mousePressEvent(QMouseEvent* event) {
    Pressed_ = event->button() == Qt::LeftButton;
    emit MouseDown(event->position().toPoint());
}

void TPtImage::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(event->position().toPoint());
}

void TPtImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool click = Pressed_ && event->button() == Qt::LeftButton && rect().contains(at);
    Pressed_ = false;
    if (click) emit Click();
    emit MouseUp(at);
}

void TPtImage::mouseDoubleClickEvent(QMouseEvent* event) {
    Pressed_ = false;
    emit MouseDown(event->position().toPoint());
    if (event->button() == Qt::LeftButton) emit DblClick();
}
