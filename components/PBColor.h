#pragma once

// A colour swatch: a plain area filled with one colour.

#include <QWidget>

#include "lxImage.h"

class TPBColor : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint SelColor READ selColor WRITE setSelColor)
public:
    explicit TPBColor(QWidget* parent = nullptr);
    // The colour as 0x00BBGGRR. Setting it repaints the swatch; a hidden
    // swatch shows it when it is next painted.
    TColor selColor() const { return SelColor_; }
    void setSelColor(TColor Color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor SelColor_ = 0;
};
