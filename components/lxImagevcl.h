#pragma once

// The on-screen picture: a widget that shows a layered document at its zoom
// and animates the outline of the selection.

#include <QWidget>

#include <functional>

#include "lxImage.h"

class QPainter;

namespace lx {
// Device pixels Pixels (a rectangle in device pixels from the control's
// top-left corner) of the 24-bit Picture shown at Scale device pixels per
// picture pixel, nearest pixel, as a 32-bit picture; only the pixels whose
// centre lies on the picture, so the result may be smaller than Pixels and
// starts at Pixels' corner clipped to 0. Each device pixel depends on its
// position alone, so parts drawn on their own join up to the whole. Null
// when nothing of the picture is in Pixels.
QImage scaledPart(const QImage& Picture, double Scale, const QRect& Pixels);
} // namespace lx

class TlxImageVcl : public QWidget, public TlxImage {
    Q_OBJECT
public:
    explicit TlxImageVcl(QWidget* parent = nullptr);

    // Asks for the control to be painted again from the display bitmap.
    void PaintImage();
    // Shows the selection outline at the current ants phase and advances the
    // phase; a timer calls it while a selection exists.
    bool DrawSelectionOutline();

    // Called at the end of every paint that shows the picture, with the
    // control's painter, after the picture and the selection outline, so that
    // the host can draw guides and handles over them (control coordinates).
    std::function<void(QPainter&)> OnPaintOverlay;

protected:
    void paintEvent(QPaintEvent* event) override;
    void ResizeControl(int Width, int Height) override;

private:
    void paintPicture(QPainter& painter, const QRect& dest);
    void paintOutline(QPainter& painter);

    // Phase the outline was last drawn with; -1 when it is not shown.
    int shownAntsPhase_ = -1;
};
