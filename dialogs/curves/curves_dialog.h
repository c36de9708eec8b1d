#pragma once

// The curves dialog: a tone curve edited with the mouse in a 256 x 256
// square, laid smoothly through its points by the curve plug-in, kept as
// 256-entry tables and stored as presets. In contour mode it only edits a
// curve for a layer effect's contour; in adjustment mode it runs the current
// layer's colours through the curve (luminance, or red, green and blue each
// with their own curve) while the user edits, over the whole layer or only
// the selected area.

#include "curve_table.h"
#include "lxImage.h"
#include "lxLayerStyle.h"

#include <QDialog>
#include <QImage>
#include <QLibrary>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TDialogServices;
class TlxImageVcl;

// Adjustment mode: the main window's document.
struct TCurvesTarget {
    TlxImageVcl* Document = nullptr;
    int Layer = -1; // the layer to adjust; -1 for the current layer
    // Shows the changed layer: ReDraw, ApplyZoom, PaintImage, repaint of the
    // main view. Without it the dialog recomposes and repaints the document
    // itself.
    std::function<void()> Recompose;
};

class TForm80 : public QDialog {
    Q_OBJECT
public:
    // The tag that makes the dialog a contour editor.
    static constexpr int ContourTag = 100;
    // Room for the plug-in's polyline.
    static constexpr int MaxOutPoints = 5000;
    // Channels: 0 luminance, 1 red, 2 green, 3 blue.
    static constexpr int ChannelCount = 4;

    // Loads the curve plug-in from the program's folder; a missing or broken
    // plug-in is reported through Services and the dialog does not run.
    explicit TForm80(TDialogServices& Services, QWidget* parent = nullptr);
    // The same with the plug-in looked for in PluginFolder.
    TForm80(TDialogServices& Services, const QString& PluginFolder, QWidget* parent = nullptr);
    ~TForm80() override;

    // False when the plug-in could not be loaded: the dialog then closes
    // with Cancel as soon as it is shown and never accepts.
    bool PluginReady() const { return CurvePoints_ != nullptr; }

    // Contour mode (tag 100) or adjustment mode.
    void SetContourMode(bool Contour);
    bool ContourMode() const { return Tag == ContourTag; }
    // The most points a curve may have: a contour's 51, else what a preset
    // file holds.
    int MaxPoints() const;

    // Presets the current curve (the luminance curve); points that make no
    // curve, or more than MaxPoints(), give the identity.
    void SetPoints(const std::vector<TlxContourPoint>& Points);
    std::vector<TlxContourPoint> Points() const { return Points_; }
    int SelectedPoint() const { return Selected_; }
    // The channel shown: 0 luminance, 1 red, 2 green, 3 blue.
    int Channel() const { return Channel_; }
    // Builds the shown channel's table from the current curve.
    void BuildTable();
    // The shown channel's table as last built.
    CurveTable Table() const { return Tables_[size_t(Channel_)]; }
    CurveTable ChannelTable(int Channel) const;

    // Adjustment mode: the layer to adjust, copied now as it is.
    void SetTarget(const TCurvesTarget& Target);
    // True when the layer's pixels differ from the copy taken by SetTarget.
    bool Applied() const;
    // The untouched copy, for the caller's undo.
    QImage OriginalPicture() const { return Original_; }
    // The histogram drawn under the curve, 256 x 256.
    QImage HistogramPicture() const { return Histogram_; }

    // The preset folders: Shipped beside the program ("Curve" in its folder)
    // and User in the user's own data folder. Both are listed; saving goes
    // to Shipped while it can be written, else to User.
    void SetPresetFolders(const QString& Shipped, const QString& User);
    QString PresetSaveFolder() const;
    // The preset names listed, sorted.
    QStringList PresetNames() const;

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TCurveSquare;
    void loadPlugin(const QString& Folder);
    void buildControls();
    // The editing square's mouse steps, in square coordinates.
    void qnAddPoint(int X, int Y);
    void dragTo(int X, int Y);
    void mouseReleased();
    void qnDelPoint();
    void paintSquare(QPainter& Painter);
    void ResetButtonClick();
    void ChannelBoxChange();
    void RangeBoxChange();
    void InputEditChange();
    void OutputEditChange();
    void LoadPresetButtonClick();
    void SavePresetButtonClick();

    // The curve changed: a new polyline from the plug-in, the boxes and the
    // square show it.
    void curveChanged();
    // The current list is kept as the channel's own and, in adjustment
    // mode, applied, and the histogram drawn again.
    void commitCurve();
    void applyCurve();
    void restoreLayer();
    void recompose();
    void drawHistogram();
    void showChannelBars();
    void resetCurves();
    void refreshPresetList(const QString& Select = QString());
    QString presetPath(const QString& Name) const;
    bool adjusting() const;
    // X clamped for the selected point k between its neighbours.
    int clampX(int k, int X) const;

    TDialogServices& services_;
    QLibrary Library_;
    TlxImage::GetCurvePointsFn CurvePoints_ = nullptr;
    int Tag = 0;

    QWidget* CurveBox = nullptr;
    QWidget* VerticalBar = nullptr;
    QWidget* HorizontalBar = nullptr;
    QComboBox* ChannelBox = nullptr;
    QComboBox* RangeBox = nullptr;
    QLabel* InputLabel = nullptr;
    QLineEdit* InputEdit = nullptr;
    QLabel* OutputLabel = nullptr;
    QLineEdit* OutputEdit = nullptr;
    QPushButton* ResetButton = nullptr;
    QListWidget* PresetList = nullptr;
    QPushButton* LoadPresetButton = nullptr;
    QPushButton* SavePresetButton = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    // The level box whose typing changed the curve, while it does.
    QLineEdit* Typing_ = nullptr;

    std::vector<TlxContourPoint> Points_;
    int Selected_ = 0;
    bool Dragging_ = false;
    int Channel_ = 0;
    std::array<std::vector<TlxContourPoint>, ChannelCount> Lists_;
    std::array<CurveTable, ChannelCount> Tables_{};
    std::vector<TlxPoint> Polyline_;

    TCurvesTarget Target_;
    int Layer_ = -1;
    QImage Original_;
    QImage Histogram_;

    QString ShippedFolder_;
    QString UserFolder_;
};

// Contour mode in one call: presets the dialog from Contour (the identity when
// it has fewer than two points), shows it through Services and, on OK,
// writes UseContour = 1, the points and the table (entry 256 repeating entry
// 255) into Contour. False, with Contour untouched, when cancelled or when
// the plug-in is missing.
bool EditContour(TDialogServices& Services, QWidget* Parent, TlxContour& Contour);
