#pragma once

// The mask list beside the step-2 canvas, shown while a picture layer is
// selected: row 0 takes the mask off, rows 1 .. 31 are the built-in masks,
// the last row takes a picture file as the mask. A double-click applies the
// row to the selected layer.

#include <QImage>
#include <QListWidget>

class TlxImage;

class TMaskList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int RemoveRow = 0;
    static constexpr int FileRow = 32;

    explicit TMaskList(QWidget* parent = nullptr);

    // The rows again, captioned in the current language.
    void LoadMask();

    // While set (undo putting a mask back), applying a row records no step.
    int Tag = 0;
};

// Whether list row Row's mask keeps its proportions on the layer (the
// hearts); the others are stretched to the layer.
bool MaskRowKeepsProportions(int Row);

// The mask of list row Row fitted to a LayerWidth x LayerHeight layer the
// way the hearts are: scaled to fill one side keeping its proportions,
// centred on a black (hidden) picture of the layer's size. 24-bit.
QImage resetbmp(TlxImage& Doc, const QImage& Mask, int LayerWidth, int LayerHeight);
