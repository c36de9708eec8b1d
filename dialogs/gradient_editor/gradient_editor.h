#pragma once

// The gradient editor: a new gradient built from colour stops on a bar 500
// pixels wide, saved into the gradient definitions file unless the file
// already holds it.

#include "PtImage.h"
#include "gradient_definitions.h"

#include <QDialog>
#include <QString>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDialogServices;
class TPBColor;

struct TForm17Settings {
    // The definitions the list of existing gradients offers (its items 2 ..).
    TGradientList Gradients;
    // The definitions file searched and written on OK.
    QString FileName;
    // Read: -1 when the gradient was appended to the file, t >= 1 when it
    // equals definition t and nothing was written.
    int Tag = 0;
    // Read: the gradient built.
    TColorlistSrcd Stops;
};

class TForm17 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm17Settings;

    // The most stops between the two ends.
    static constexpr int MaxMarkers = 50;
    // The bar's width in pixels: a stop at position p stands at p / 5 per cent.
    static constexpr int BarWidth = 500;
    // The marker strip under the bar reaches this far past each end of it,
    // so that the markers of the ends stand inside it; bar pixel X is strip
    // pixel X + StripInset.
    static constexpr int StripInset = TPtImage::TipOffset;

    // Colours are chosen and messages shown through Services.
    explicit TForm17(TDialogServices& Services, QWidget* parent = nullptr);
    ~TForm17() override;

    void Preset(const Settings& S);
    Settings Read() const;

    // The stop list the bar shows: the start colour, each intermediate
    // stop in order, the end colour.
    TColorlistSrcd StopList() const;
    // The intermediate markers in left-to-right order.
    int MarkerCount() const { return int(Markers.size()); }
    // A marker's position p, 0 .. 500 along the bar: its left edge in the
    // strip, which puts its tip over bar pixel p.
    static int Position(const TPtImage& Marker);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Label1MouseUp(int X);
    void Label1MouseMove();
    void PtImage1Click(TPtImage* Marker);
    void PtImage3Click();
    void PtImage2Click();
    void PtImage1MouseDown(QPoint At);
    void PtImage1MouseMove(TPtImage* Marker, QPoint At);
    void PtImage1MouseUp(TPtImage* Marker, QPoint At);
    void PtImage1DblClick();
    void PBColor1Click();
    void PaintBox1Paint();
    bool Edit1KeyPress(const QString& Text, int Key);
    void Edit1Change();
    void Button1Click();
    void opnCB5Click(int Index);
    void BitBtn1Click();

    TPtImage* AddMarker(int Left, TColor Color);
    void FreeMarkers();
    void Select(TPtImage* Marker, const QString& PositionText);
    // Left as the left edge of the marker in Slot, limited by its
    // neighbours (see the source).
    int LimitedLeft(int Slot, int Left) const;
    int SlotOf(const TPtImage* Marker) const;
    bool EndSelected() const;

    TDialogServices& Services;
    Settings Current;

    QLabel* Label2 = nullptr; // caption of opnCB5
    QComboBox* opnCB5 = nullptr;
    QWidget* Track = nullptr; // the bar, the strip and the markers
    QWidget* PaintBox1 = nullptr;
    QLabel* Label1 = nullptr;
    TPtImage* PtImage3 = nullptr; // start
    TPtImage* PtImage2 = nullptr; // end
    QWidget* Shape1 = nullptr;
    QLabel* Label3 = nullptr; // instructions
    QLabel* Label4 = nullptr; // caption of PBColor1
    TPBColor* PBColor1 = nullptr;
    QLabel* Label5 = nullptr; // caption of Edit1
    QLineEdit* Edit1 = nullptr;
    QLabel* Label6 = nullptr; // "%"
    QPushButton* Button1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    std::vector<TPtImage*> Markers;
    TPtImage* SelectedMarker = nullptr;
    bool MarkerDragging = false;
    int MarkerDragX = 0;
};
