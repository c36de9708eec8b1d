#pragma once

// One colour-stop marker of the gradient editor: an 11 x 17 picture with a
// pointed head and a square body showing the stop's colour. Its tip, the
// point of the head, is at its left edge + 5.

#include <QImage>
#include <QWidget>

#include "lxTypes.h"

class TPtImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint SelColor READ selColor WRITE setSelColor)
    Q_PROPERTY(uint LineColor READ lineColor WRITE setLineColor)
    Q_PROPERTY(uint PtColor READ ptColor WRITE setPtColor)
public:
    static constexpr int PictureWidth = 11;
    static constexpr int PictureHeight = 17;
    // Where the tip is, from the left edge.
    static constexpr int TipOffset = 5;

    explicit TPtImage(QWidget* parent = nullptr);

    // Colours as 0x00BBGGRR. Each setter draws the picture again only when
    // the value changes.
    // The stop's colour, shown in the body (black unless set).
    TColor selColor() const { return SelColor_; }
    void setSelColor(TColor Color);
    // The outline (black unless set).
    TColor lineColor() const { return LineColor_; }
    void setLineColor(TColor Color);
    // The head (white unless set; the editor paints the selected marker's
    // head black).
    TColor ptColor() const { return PtColor_; }
    void setPtColor(TColor Color);

    // A number the owner keeps with the marker (its slot in a list).
    int Tag = 0;

    // The picture as drawn last: 24 bits, 11 x 17.
    const QImage& Picture() const { return Picture_; }
    // How many times the picture has been drawn, so that a caller can tell
    // that setting an unchanged value draws nothing.
    int DrawCount() const { return DrawCount_; }

    QSize sizeHint() const override { return {PictureWidth, PictureHeight}; }

signals:
    // Mouse steps in the marker's own coordinates, in the order they come:
    // press, then click (a release inside the marker) and release; a double
    // click gives a press and a double click.
    void MouseDown(QPoint At);
    void MouseMove(QPoint At);
    void MouseUp(QPoint At);
    void Click();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void drawPicture();

    TColor SelColor_ = 0x000000;
    TColor LineColor_ = 0x000000;
    TColor PtColor_ = 0xFFFFFF;
    QImage Picture_;
    int DrawCount_ = 0;
    bool Pressed_ = false;
};
