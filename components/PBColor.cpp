#include "PBColor.h"

#include <QPaintEvent>
#include <QPainter>

TPBColor::TPBColor(QWidget* parent) : QWidget(parent) {
    // The fill covers every pixel asked for, so nothing behind needs drawing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(8, 8);
}

void TPBColor::setSelColor(TColor Color) {
    SelColor_ = Color;
    // A swatch that is not shown keeps the colour and shows it at its next
    // paint.
    update();
}

void TPBColor::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // 0x00BBGGRR: red in the low byte.
    painter.fillRect(event->rect(), QColor(int(SelColor_ & 0xFF), int((SelColor_ >> 8) & 0xFF),
                                           int((SelColor_ >> 16) & 0xFF)));
}
