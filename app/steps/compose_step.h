#pragma once

// Step 2 of the wizard: the design at its zoom in a scroll box with rulers
// and guides, the layer list beside it, and everything the user does to
// layers directly: selecting, moving and resizing with the mouse, nudging
// with the arrow keys, typing the position, reordering in the list, zooming,
// and taking steps back.

#include "history/history_list.h"
#include "lxLayerStyle.h"
#include "steps/selection_handles.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QToolButton;
class TLayerList;
class TMaskList;
class TTextEffectList;
class TRulerGuides;
class TSnapshotStore;
class TUiServices;
class TlxImageVcl;
struct TForm7Settings;
struct TForm96Settings;
struct TProgramState;

class TComposeStep : public QWidget, public THistoryHost {
    Q_OBJECT
public:
    TComposeStep(TProgramState& State, TUiServices& Services, THistoryList& History,
                 TSnapshotStore& Snapshots, QWidget* parent = nullptr);
    ~TComposeStep() override;

    // ---- the layer list ----
    // The list again from the document (entering step 2, opening a design).
    void RebuildLayerList();
    // The row of the list was selected (or deselected).
    void ListView1SelectItem(int Row, bool Selected);
    // Row DraggedRow was dropped onto TargetRow: the two layers swap.
    void ListView1EndDrag(int DraggedRow, int TargetRow);
    // Swaps layers A and B, the current layer becoming B.
    void ReSetLayerIndex(int A, int B);
    // Makes Index the current layer and puts the handles around it.
    void SelLayer(int Index);
    // Shift+click on the canvas at (X, Y): selects the topmost layer whose
    // rectangle holds the point; nothing unless Keys hold Shift.
    void SelLayerEx(int X, int Y, Qt::KeyboardModifiers Keys);

    // ---- changing the selected layer ----
    // Places and resizes the selected layer (image pixels).
    void SetLayerSize(int X, int Y, int Width, int Height);
    // Moves the selected layer by (DX, DY) image pixels.
    void KeyMoveLayer(int DX, int DY);
    // Step size of an arrow key: 0.1 cm in pixels.
    static constexpr int KeyStep = 4;

    // ---- zoom ----
    void BitBtn8Click();
    // Fits the design into the scroll box (run twice), then centres it.
    void N1Click();
    // One of the fixed zoom items.
    void SetFixedZoom(double Zoom);
    // The custom zoom, typed as a percentage.
    void N9Click();
    // Zooms by Steps of the fixed list, keeping the picture point under
    // Anchor (canvas pixels) in place.
    void ZoomAbout(int Steps, QPoint Anchor);
    // Centres the canvas in the scroll box and puts the rulers beside it.
    void ReSetImageXY();
    // Show all is in force.
    bool ShowsAll() const;

    // ---- inserting and deleting layers ----
    // Insert image: the picture open dialog, then addimage.
    void BitBtn5Click();
    // Inserts the picture file as a new layer on top (below a fixed overlay),
    // centred, or placed as a frame; false when nothing was added. A file
    // that cannot be read is reported unless Quiet.
    bool addimage(const QString& FileName, bool Quiet = false);
    // Signature: the signature pad, then what was drawn, cut to its drawn
    // area, as a layer named "underwrite".
    void BitBtn12Click();
    // Inserts Bitmap as a layer named "underwrite", centred.
    bool AddBitmapToImage(const QImage& Bitmap);
    // Files dropped on the window: the first one is inserted, quietly.
    void FinishDropped(const QStringList& Files);
    // Deletes Layer after asking.
    void DelLayer(int Layer);

    // ---- text layers ----
    // Insert text: the insert-text dialog, then a new text layer, centred.
    void BitBtn6Click();
    // Edits the selected text layer again in the insert-text dialog.
    void BitBtn7Click();
    // Gives the selected text layer the effect of the text-effect list's
    // selected row.
    void ListView3DblClick();
    // Puts built-in text effect Row (0 takes the effect off) on Layer; the
    // layer's style stays whole as it was when any of it does not apply.
    bool SetLayerStyle(int Layer, int Row);
    // The name a text layer just added as Layer takes in the language of
    // Base: the engine's "文本层 n" becomes "Text Layer n" outside
    // Simplified Chinese, with a number no other text layer carries in
    // either language. Names made from the text itself stay.
    static std::string TextLayerName(const TlxImage& Doc, int Layer, int Base);

    // ---- the picture layer's commands ----
    void BitBtn9Click();
    // Crop: the crop and selection dialog on the selected picture layer;
    // what it cut out or cleared becomes the layer, its mask fitted anew.
    void N12Click();
    // Turns Layer by Angle degrees (clockwise positive).
    void RotateLayer(int Layer, int Angle);
    // The any-angle item: the rotate dialog, then RotateLayer.
    void N6Click();
    // Precise resize through the resize dialog.
    void N16Click();
    // Applies the selected row of the mask list to the selected layer.
    void ListView2DblClick();

    // ---- decorating a layer ----
    // The layer style dialog on Layer (the selected one): its style goes into
    // the history first, and a dialog closed any other way than with OK
    // takes that step back. True when the dialog ended with OK.
    bool EditLayerStyle(int Layer);
    // The picture menu's "Layer style..." and "Curves..." (picture layers).
    void NLayerStyleClick();
    void NCurvesClick();
    // The gradient definitions: the file is written from the program's
    // defaults when missing, then read into Gradients.
    void LoadJbColors();
    std::vector<TColorlistSrcd> Gradients;
    // Where they are kept; empty until first loaded (the user's data folder).
    QString GradientFile;

    // The frame rule: a picture far taller than the canvas, or one whose
    // path names it a frame ("_bk."), is placed by a fixed offset.
    static bool IsFramePicture(const QString& FileName, int PictureHeight, int ImageHeight);
    static constexpr int FrameTop = -243;   // -6.2 cm
    static constexpr int FrameShift = 2;    // 0.05 cm to the left

    // ---- undo ----
    void BitBtn14Click();
    void AddHistory(std::unique_ptr<THistoryRcd> Record);
    // Leaving the step's work (Back to step 1, closing): the history goes.
    void ClearHistory();

    // Re-captions the step in the current language.
    void Recaption();
    // The canvas is painted again with its overlays.
    void RepaintCanvas();

    // THistoryHost
    TlxImage& Document() override;
    void SwapLayersFromHistory(int LayerA, int LayerB) override;
    void SelectLayer(int Layer) override;
    void LayerPictureChanged(int Layer) override;
    void RemoveLayer(int Layer) override;
    void LayerRestored(int Layer, const QString& Caption) override;
    void ApplyMaskRow(int Layer, int Row) override;

    // The handles of the selected layer, image coordinates.
    TSelectionHandles SelectionHandles{};
    // The picture of the selected layer as it was when it became selected;
    // every resize starts again from it.
    QImage PristineCopy;

    TlxImageVcl* lxImg = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TRulerGuides* Rulers = nullptr;
    TLayerList* ListView1 = nullptr;
    TMaskList* ListView2 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QPushButton* BitBtn9 = nullptr;
    QPushButton* BitBtn12 = nullptr;
    TTextEffectList* ListView3 = nullptr;
    QMenu* PopupMenu3 = nullptr;
    QAction* N12 = nullptr;
    QMenu* N14 = nullptr;
    QAction* N451 = nullptr;
    QAction* N901 = nullptr;
    QAction* N902 = nullptr;
    QAction* N1801 = nullptr;
    QAction* N6 = nullptr;
    QAction* N16 = nullptr;
    QAction* NLayerStyle = nullptr;
    QAction* NCurves = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image4 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* BitBtn8 = nullptr;
    QPushButton* BitBtn14 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLabel* Label3 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N1 = nullptr;
    QAction* N9 = nullptr;
    QAction* N1001 = nullptr;
    QList<QAction*> FixedZoomItems;
    QAction* UndoAction = nullptr;

    // What kind of layer is selected, for the window's bottom bar.
    enum TSelectedKind { NoLayer, PictureLayer, TextLayer };
    TSelectedKind SelectedKind() const { return selectedKind_; }

signals:
    // The coordinate suffix of the window caption changed.
    void CaptionSuffixChanged(const QString& Suffix);
    // A layer of another kind (or none) became selected.
    void SelectedKindChanged(int Kind);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void lxImgMouseDown(QMouseEvent* Event);
    void lxImgMouseMove(QMouseEvent* Event);
    void lxImgMouseUp(QMouseEvent* Event);
    void lxImgPaint(QPainter& Painter);
    bool FormKeyDown(QKeyEvent* Event);
    bool previewKey(QObject* Watched, QKeyEvent* Event);
    void Edit5Change();
    void Edit6Change();
    void positionEdited(QLineEdit* Edit, bool Horizontal);
    void showPosition();
    void showKindControls(bool IsText);
    // The insert-text dialog shown with Settings; false when cancelled.
    bool runTextDialog(TForm7Settings& Settings);
    // The freehand dialog's background: the design flattened, without the
    // text layer being edited again.
    TForm96Settings freehandBackground();
    // ReDraw, ApplyZoom, SelLayer, paint: after every change.
    void afterChange();
    void applyZoom(double Zoom, QAction* Item);
    QString captionSuffix(int X, int Y) const;
    bool layerSelected() const;
    // The handles in canvas pixels at the current zoom.
    TSelectionHandles handlesOnScreen() const;
    bool isFixedOverlay(int Layer) const;
    void refreshPristine();
    // The layers moved under the working copy: the next selection takes a
    // new one, once.
    void forgetPristine();
    // Puts a new picture layer in the document and the list, as inserting
    // does; false when the document could not take it.
    bool insertPictureLayer(QImage Picture, const QString& Caption, bool Frame);
    // The layer just added on top gets its list row (below a fixed overlay,
    // which it is swapped under), becomes the selection and is one step back.
    void listNewLayer(const QPixmap& Icon, const QString& Caption, bool IsText);
    // Applies mask row Row to Layer; a step is recorded unless the mask
    // list's tag says undo is at work.
    void applyMask(int Layer, int Row);
    // Selects the top row (the one below a fixed overlay when there is one).
    void selectTopRow();
    void setSelectedKind(TSelectedKind Kind);
    // The feedback rectangle of a drag, in canvas pixels.
    QRect dragFeedback(int X, int Y, bool Shift) const;

    TProgramState& state_;
    TUiServices& services_;
    THistoryList& history_;
    TSnapshotStore& snapshots_;
    QActionGroup* zoomGroup_ = nullptr;
    // The zoom item in force (a cancelled custom zoom checks it again).
    QAction* zoomItem_ = nullptr;
    QObject* keyPreview_ = nullptr;

    // Mouse drag on the canvas.
    bool Dragging = false;
    int DragStartX = 0;
    int DragStartY = 0;
    int ActiveHandle = -1;
    bool draggingGuide_ = false;
    int draggedGuide_ = -1;
    // The selected layer's place when the drag began, while it is shown
    // moving under the mouse.
    TlxPoint dragOrigin_{};
    QRect feedback_;
    bool showFeedback_ = false;
    // The layer PristineCopy was taken from.
    int pristineLayer_ = -1;
    // A position edit is being filled in by the program, not the user.
    bool settingPosition_ = false;
    TSelectedKind selectedKind_ = NoLayer;
};
