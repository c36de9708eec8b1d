#pragma once

// A colour list with a swatch and a name for each standard colour and an
// entry that opens the colour dialog for any other colour.

#include <QComboBox>

#include "lxImage.h"

class TDialogServices;

class TColorBox : public QComboBox {
    Q_OBJECT
public:
    // The colour dialog of the custom entry is shown through Services.
    explicit TColorBox(TDialogServices& Services, QWidget* parent = nullptr);

    // The chosen colour as 0x00BBGGRR.
    TColor Selected() const;
    // Chooses Color, adding it as a custom colour when it has no name.
    void SetSelected(TColor Color);
    // Names the colours in the current language.
    void Recaption();
    // The custom entry's caption is string k (143 unless set).
    void SetCustomCaption(int k);

private:
    void rebuild(TColor keep);
    void onActivated(int index);
    TDialogServices& services_;
    int lastIndex_ = 0;
    int customCaption_ = 143;
};
