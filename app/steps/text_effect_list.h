#pragma once

// The text-effect list beside the step-2 canvas, shown while a text layer is
// selected: row 0 takes the effect off, rows 1 .. 12 are the built-in
// effects, the last row opens the layer style dialog for an effect of the
// user's own. The window connects the double-click that applies a row.

#include <QListWidget>

class TTextEffectList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int RemoveRow = 0;
    static constexpr int CustomRow = 13;

    explicit TTextEffectList(QWidget* parent = nullptr);

    // The rows again, captioned in the current language; the selected row
    // stays selected.
    void LoadTextZoom();

    // Whether the custom row is shown; LoadTextZoom applies a change.
    bool CustomRowOffered = true;
};
