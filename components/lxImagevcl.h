#pragma once

// The on-screen picture: a widget that shows a layered document at its zoom
// and animates the outline of the selection.

#include <QWidget>

#include <functional>

#include "lxImage.h"

class TlxImageVcl : public QWidget, public TlxImage {
    Q_OBJECT
public:
    explicit TlxImageVcl(QWidget* parent = nullptr);

    // Asks for the control to be painted again from the display bitmap.
    void PaintImage();
    // Shows the selection outline at the current ants phase and advances the
    // phase; a timer calls it while a selection exists.
    bool DrawSelectionOutline();

    // Drawn over the picture at the end of every paint (guides, handles).
    std::function<void(QPainter&)> OnPaintOverlay;

protected:
    void paintEvent(QPaintEvent* event) override;
    void ResizeControl(int Width, int Height) override;

private:
    void paintOutline(QPainter& painter);

    // Phase the outline was last drawn with; -1 when it is not shown.
    int shownAntsPhase_ = -1;
};
