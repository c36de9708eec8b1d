#pragma once

// The precise-resize dialog: a layer's new width and height, each in
// pixels, inches, centimetres or percent of the layer's size, optionally
// locked to the layer's proportions. The caller reads the texts and units
// back and works out the new size itself (PixelsFromInput).

#include <QDialog>
#include <QString>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The items of the unit boxes, in their order.
enum TResizeUnit { ruPixels = 0, ruInches = 1, ruCentimetres = 2, ruPercent = 3 };

struct TForm5Settings {
    QString Caption;                  // the window title; empty for the dialog's own
    int OrigWidth = 0, OrigHeight = 0; // the layer size in pixels
    int WidthUnit = ruCentimetres, HeightUnit = ruCentimetres;
    QString WidthText, HeightText;    // read back: the edit texts
    bool Lock = true;
    bool operator==(const TForm5Settings&) const = default;
};

class TForm5 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm5Settings;

    explicit TForm5(QWidget* parent = nullptr);

    // Takes the caption, the layer size, the units and the lock, and shows
    // the layer size in both units. The texts of S are not used: the dialog
    // always opens on the layer's own size.
    void Preset(const Settings& S);
    // Everything as shown now, the edit texts as typed.
    Settings Read() const;

protected:
    // Opening shows the layer size again in the chosen units.
    void showEvent(QShowEvent* Event) override;

private:
    void Cb1Click();
    void Cb2Click();
    void Edit1Change();
    void Edit2Change();
    void Ck1Click();

    int OrigWidth = 0;
    int OrigHeight = 0;
    // Set while the lock writes one edit from the other, so that the
    // written edit's change does not convert back.
    bool Converting_ = false;

    QLabel* Label1; // width
    QLineEdit* Edit1;
    QComboBox* Cb1;
    QLabel* Label2; // height
    QLineEdit* Edit2;
    QComboBox* Cb2;
    QCheckBox* Ck1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

// Text in Unit as pixels: pixels an integer, inches round(v * 100),
// centimetres round(v * 100 / 2.54), percent round(v * Current / 100) with a
// trailing "%" dropped first. Rounding takes halves to the even neighbour.
// Nothing when the text is not a number of that unit or the result does not
// fit an int.
std::optional<int> PixelsFromInput(const QString& Text, int Unit, int Current);

// Pixels as the dialog shows them in Unit: pixels as an integer, inches
// px / 100, centimetres px / 100 * 2.54, percent Pixels / Orig * 100 and a
// "%" (an Orig of 0 or less, which has no proportion, shows "100%").
QString TextForPixels(int Pixels, int Unit, int Orig);
