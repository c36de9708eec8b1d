#pragma once

// The rulers beside the canvas: a scale in image pixels, centimetres or
// percent of the ruler's length that follows the view zoom, and a dotted
// marker at the mouse position.
//
// The scale is drawn once into an off-screen picture and only redrawn when
// the ruler's size or a property that changes the scale changes, so moving
// the marker with every mouse move costs a copy of the picture and a line.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

enum TqnRulerStyle { qnHorizontal, qnVertical };
enum TqnUnit { qnPixel, qnCM, qnPercent };

class TqnRuler : public QWidget {
    Q_OBJECT
public:
    explicit TqnRuler(QWidget* parent = nullptr);

    // Tick and label colour; black at first.
    QColor ForeColor() const { return ForeColor_; }
    void SetForeColor(QColor Color);
    // Background; white at first.
    QColor BackColor() const { return BackColor_; }
    void SetBackColor(QColor Color);
    // The position marker's colour; red at first.
    QColor PosColor() const { return PosColor_; }
    void SetPosColor(QColor Color);
    // A horizontal ruler stands above the canvas (its canvas side is the
    // bottom), a vertical one at its left (canvas side on the right).
    TqnRulerStyle Style() const { return Style_; }
    void SetStyle(TqnRulerStyle Style);
    TqnUnit RulerUnit() const { return RulerUnit_; }
    void SetRulerUnit(TqnUnit Unit);
    // The marker, in ruler pixels along its length; 0 at first. Only a new
    // value repaints.
    int Position() const { return Position_; }
    void SetPosition(int Value);
    // Image pixels per inch for the centimetre scale; the screen's vertical
    // dots per inch at first. Values below 1 count as 1.
    int PixelsPerInch() const { return PixelsPerInch_; }
    void SetPixelsPerInch(int Value);
    // Screen pixels per image pixel; 1 at first. Values that are not
    // positive are refused.
    double Zoom() const { return Zoom_; }
    void SetZoom(double Value);

    // Rebuilds the scale now, then repaints.
    void Refresh();
    // The scale as last built: the ruler's size, without the marker.
    const QImage& Buffer() const { return Buffer_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void MouseReleased(Qt::MouseButton Button, QPoint GlobalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void scaleChanged();
    void buildBuffer();
    QRect markerRect(int At) const;

    QColor ForeColor_{Qt::black};
    QColor BackColor_{Qt::white};
    QColor PosColor_{Qt::red};
    TqnRulerStyle Style_ = qnHorizontal;
    TqnUnit RulerUnit_ = qnPixel;
    int Position_ = 0;
    int PixelsPerInch_ = 96;
    double Zoom_ = 1.0;
    QImage Buffer_;
    bool BufferStale_ = true;
};
