#pragma once

// The layer style dialog: the blending options and the nine effects of the
// document's current layer, edited live. Every change is written into the
// layer's style record at once and the main window's picture is recomposed,
// so the user sees it behind the dialog; Cancel puts the layer back as it
// was when the dialog opened, OK keeps what is there.

#include "lxLayerStyle.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class TDialogServices;
class TPBColor;
class TlxImageVcl;
class TStyleRowPanel;
struct TlxLayer;

// What the dialog needs from the main window. Every member may stay unset.
struct TLayerStyleHooks {
    // The definitions the gradient lists show (the main window's list);
    // EditGradient may reload it.
    const std::vector<TColorlistSrcd>* Gradients = nullptr;
    // The gradient editor, modal: nullopt when cancelled; else its tag: -1 a
    // definition was appended (and *Gradients already reloaded by the hook),
    // t >= 1 the gradient equals definition t.
    std::function<std::optional<int>(QWidget* Parent)> EditGradient;
    // The curves dialog in contour mode on Contour; true when confirmed,
    // Contour then holds the new points and table with UseContour = 1.
    std::function<bool(QWidget* Parent, TlxContour& Contour)> EditContour;
    // Reduces a stop list to at most TlxGradientStyle::MaxStops stops before
    // it goes to the engine; when unset the first 50 and the last are kept.
    std::function<TColorlistSrcd(const TColorlistSrcd&)> FitStops;
    // Recomposes and repaints the main window. When unset the dialog runs
    // ReDraw, ApplyZoom and PaintImage on the document itself.
    std::function<void()> Recompose;
    // The open-picture dialog for a pattern file ("description|patterns");
    // empty when cancelled.
    std::function<QString(QWidget* Parent, const QString& Filter)> ChoosePatternFile;
};

class TForm63 : public QDialog {
    Q_OBJECT
public:
    // Rows of the left panel, top to bottom.
    enum Row {
        RowStyles = 0,
        RowBlending,
        RowDropShadow,
        RowInnerShadow,
        RowOuterGlow,
        RowInnerGlow,
        RowBevel,
        RowColorOverlay,
        RowGradientOverlay,
        RowPatternOverlay,
        RowStroke,
        RowCount
    };
    static constexpr int RowHeight = 24;

    // Opens on Document's current layer: captions, snapshot, defaults,
    // the layer's effects loaded, then live application switched on and the
    // blending-options row selected.
    TForm63(TDialogServices& Services, TlxImageVcl& Document, TLayerStyleHooks Hooks,
            QWidget* parent = nullptr);
    ~TForm63() override;

    // ---- the rows ----
    // Selects the row under Y (panel coordinates); an effect row also ticks
    // its box, which switches the effect on.
    void Panel1MouseDown(int Y);
    // A click on a row caption at Y in its own coordinates.
    void Label3MouseDown(QLabel* Caption, int Y);
    // Any of the nine effect boxes was ticked or unticked.
    void Ck1Click(QCheckBox* Box);
    // The row whose page is shown; RowStyles when none is.
    int SelectedRow() const { return selectedRow_; }

    // ---- apply methods, one per page ----
    void DoChange();              // blending options
    void Dochange1(bool Rebuild); // drop shadow
    void DoChange2(bool Rebuild); // outer glow
    void DoChange3(bool Rebuild); // stroke
    void DoChange4(bool Rebuild); // inner glow
    void DoChange5(bool Rebuild); // inner shadow
    void DoChange6(bool Rebuild); // bevel
    void DoChange7();             // colour overlay
    void DoChange8(bool Rebuild); // gradient overlay
    void DoChange9(bool Rebuild); // pattern overlay

    // The stroke size slider moved (with the automatic softness rule).
    void Tb11Change();
    // The stroke softness slider moved.
    void Tb12Change();
    // The pattern scale slider moved.
    void Tb32Change();

    void BitBtn1Click(); // OK
    void BitBtn2Click(); // Cancel: restores the opening snapshot

    // ---- gradient pickers ----
    void refjbsColors();
    // Gradient entry Index for the gradient overlay when its page is shown,
    // otherwise for the stroke.
    void Selectjbs(int Index);
    void Button1Click(); // opens or closes the overlay's gradient list
    void Button2Click(); // opens or closes the stroke's gradient list
    void ListView1Click();
    void ListView3Click();
    const TColorlistSrcd& OverlayStops() const { return overlayStops_; }
    const TColorlistSrcd& StrokeStops() const { return strokeStops_; }
    // The thumbnails of the gradient lists, 186 x 18, 24-bit.
    const std::vector<QImage>& GradientThumbnails() const { return thumbnails_; }

    // ---- pattern pickers ----
    void RefDesignLst();
    void SelectDesign(int Index);
    void Image2Click();
    void ListView2Click();
    void BitBtn5Click();
    void PopupMenu1Popup();
    void N3Click(); // pattern from the clipboard
    void N5Click(); // pattern from a picture file
    // The pattern as chosen, at its natural size (24- or 32-bit).
    const QImage& WorkingPattern() const { return pattern_; }
    // The pattern at the scale of Tb32, as it goes to the engine.
    QImage ScaledPattern();

    // Effect rebuilds the dialog asked the engine for (set-ups and rebuilds).
    int RebuildCount() const { return rebuildCount_; }

protected:
    // The window's close button closes without restoring: the caller's undo
    // step restores the style saved before opening.
    void closeEvent(QCloseEvent* event) override;
    // Escape cancels like the Cancel button.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // A slider with the spin edit beside it.
    struct Pair {
        QSlider* Tb = nullptr;
        QSpinBox* Spin = nullptr;
        // The slider's change handler.
        std::function<void()> Changed;
        // Geometry sliders rebuild once the mouse lets go of them.
        bool RebuildOnRelease = false;
        int PressedValue = 0;
    };
    struct Snapshot {
        TlxLayerStyle Settings; // the records and flags; no pictures
        TColorlistSrcd OverlayStops;
        TColorlistSrcd StrokeStops;
        QImage Pattern;
        uint8_t BlendMode = 0;
        double Opacity = 1.0;
        bool EffectsIgnoreOpacity = false;
    };

    void buildPanel();
    void buildPages();
    void buildPickers();
    void connectHandlers();
    void refFormText();
    void FormCreate();
    void loadEffects();
    void takeSnapshot();

    TlxLayer& layer();
    int layerIndex() const;
    int margin(const Pair& Size, const Pair& Spread) const;
    void recompose();
    void countRebuild(bool Ok);
    // Whether a geometry slider is being dragged with the mouse; an apply
    // step then waits for the release.
    bool dragging(const Pair& A, const Pair& B) const;
    void sliderMoved(Pair& P);
    void chooseColour(TPBColor* Swatch, const std::function<void(uint32_t)>& Write,
                      const std::function<void()>& Apply);
    void editContour(int Row);
    TColorlistSrcd fitStops(const TColorlistSrcd& Stops) const;
    void selectGradient(int Index, bool Overlay);
    void showAngle(bool Overlay);
    void setPattern(const QImage& Pattern, bool Designed);
    void setPatternSizeLabel(int Width, int Height, bool Designed);
    void placeOverlayList();
    void applyRow(int Row, bool Rebuild);
    void cancelRestore();

    TDialogServices& services_;
    TlxImageVcl& doc_;
    TLayerStyleHooks hooks_;
    bool live_ = false;
    int selectedRow_ = RowStyles;
    int rebuildCount_ = 0;
    uint8_t strokePosition_ = 0;
    Snapshot snap_;
    TColorlistSrcd overlayStops_;
    TColorlistSrcd strokeStops_;
    QImage pattern_;
    std::vector<QImage> thumbnails_;
    // Captions set from the string table: a widget and its string k.
    std::vector<std::pair<QWidget*, int>> texts_;
    // What a click on a plain widget (caption, swatch, page) does.
    std::vector<std::pair<QObject*, std::function<void()>>> clicks_;
    std::vector<Pair*> pairs_;

public:
    // The window's controls, named as their object names.
    TStyleRowPanel* Panel1 = nullptr;
    TPBColor* PBColor1 = nullptr;                // the bar behind the selected row
    std::array<QLabel*, RowCount> RowCaptions{}; // Label3 .. Label13
    std::array<QCheckBox*, RowCount> RowBoxes{}; // Ck1 .. Ck9 on rows 2 .. 10
    std::array<QGroupBox*, RowCount> Pages{};    // none on row 0
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* Button8 = nullptr; // hidden; its "Tag" property: leave the softness alone

    // blending options
    QComboBox* Cb1 = nullptr;
    Pair P1;
    QCheckBox* CheckBox2 = nullptr;
    // drop shadow, inner shadow
    QComboBox* Cb2 = nullptr;
    Pair P2, P3, P4, P5, P6;
    TPBColor* PBColor2 = nullptr;
    QComboBox* Cb6 = nullptr;
    Pair P16, P17, P18, P19, P20;
    TPBColor* PBColor6 = nullptr;
    // outer glow, inner glow
    QComboBox* Cb3 = nullptr;
    Pair P7, P8, P9;
    TPBColor* PBColor3 = nullptr;
    QComboBox* CB5 = nullptr;
    Pair P13, P14, P15;
    TPBColor* PBColor5 = nullptr;
    // bevel
    QComboBox* Cb12 = nullptr;
    QComboBox* Cb7 = nullptr;
    QComboBox* Cb8 = nullptr;
    Pair P21, P22, P23, P24, P26, P27;
    TPBColor* PBColor7 = nullptr;
    TPBColor* PBColor8 = nullptr;
    // colour overlay
    QComboBox* Cb9 = nullptr;
    Pair P25;
    TPBColor* PBColor9 = nullptr;
    // gradient overlay
    QComboBox* Cb13 = nullptr;
    Pair P28;
    QLabel* Image1 = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* Ck12 = nullptr;
    QComboBox* Cb14 = nullptr;
    QLabel* AngleLabel1 = nullptr; // Label40
    Pair P29;
    QListWidget* ListView1 = nullptr;
    // pattern overlay
    QComboBox* Cb15 = nullptr;
    Pair P30;
    QLabel* Image2 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QLabel* Label42 = nullptr;
    Pair P32;
    QListWidget* ListView2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N5 = nullptr;
    // stroke
    QRadioButton* Rb1 = nullptr; // gradient
    QRadioButton* Rb2 = nullptr; // solid
    QComboBox* Cb4 = nullptr;
    Pair P10, P11, P12;
    TPBColor* PBColor4 = nullptr;
    QLabel* Image3 = nullptr;
    QPushButton* Button2 = nullptr;
    QCheckBox* Ck13 = nullptr;
    QComboBox* Cb16 = nullptr;
    QLabel* AngleLabel2 = nullptr; // Label41
    Pair P31;
    QListWidget* ListView3 = nullptr;
    // The contour buttons of the drop shadow, inner shadow, outer glow,
    // inner glow, bevel and stroke pages.
    std::array<QPushButton*, RowCount> ContourButtons{};
};
