#pragma once

// Step 2 of the wizard: the design at its zoom in a scroll box with rulers
// and guides, the layer list beside it, and everything the user does to
// layers directly: selecting, moving and resizing with the mouse, nudging
// with the arrow keys, typing the position, reordering in the list, zooming,
// and taking steps back.

#include "history/history_list.h"
#include "steps/selection_handles.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QToolButton;
class TLayerList;
class TRulerGuides;
class TSnapshotStore;
class TUiServices;
class TlxImageVcl;
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

    // The handles of the selected layer, image coordinates.
    TSelectionHandles SelectionHandles{};
    // The picture of the selected layer as it was when it became selected;
    // every resize starts again from it.
    QImage PristineCopy;

    TlxImageVcl* lxImg = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TRulerGuides* Rulers = nullptr;
    TLayerList* ListView1 = nullptr;
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

signals:
    // The coordinate suffix of the window caption changed.
    void CaptionSuffixChanged(const QString& Suffix);

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
    // ReDraw, ApplyZoom, SelLayer, paint: after every change.
    void afterChange();
    void applyZoom(double Zoom, QAction* Item);
    QString captionSuffix(int X, int Y) const;
    bool layerSelected() const;
    // The handles in canvas pixels at the current zoom.
    TSelectionHandles handlesOnScreen() const;
    bool isFixedOverlay(int Layer) const;
    void refreshPristine();
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
};
