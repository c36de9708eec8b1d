#pragma once

// The crop and selection dialog: the current layer's picture on a private
// document, where selection tools pick a region whose pixels are cleared to
// transparency or to whose bounding box the picture is cropped. The caller
// takes the result back only when the dialog reports a change.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPainter;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTimer;
class QToolButton;
class TDialogServices;
class TlxImageVcl;
class TlxStatusBar;

struct TForm3Settings {
    // The layer's picture with its coverage as alpha (32-bit).
    QImage SourcePicture;
    // Window title, the zoom button's hint and the zoom menu's captions in
    // menu order (fit, the twelve fixed zooms, custom); empty ones keep the
    // dialog's own.
    QString Caption;
    QString ZoomHint;
    QStringList ZoomCaptions;
    // Read: pixels were cleared or cropped.
    bool ContentChanged = false;
    // Read: the dialog document's current layer (32-bit).
    QImage Picture;
};

class TForm3 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm3Settings;

    // Tools, as held in the tool panel's tag.
    enum Tool : int { NoTool = 0, RectTool, RoundRectTool, EllipseTool, LassoTool, PolygonTool, WandTool };

    explicit TForm3(TDialogServices& Services, QWidget* parent = nullptr);
    ~TForm3() override;

    void Preset(const Settings& S);
    Settings Read() const;

    // Milliseconds of a steady clock; tests put their own clock here.
    std::function<uint32_t()> TickCount;

    int CurrentTool() const { return ToolTag_; }
    // The eight handle positions in view coordinates (top-left, then
    // clockwise); empty while no handles are shown.
    std::vector<QPoint> HandlePoints() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormKeyDown(QKeyEvent* event);
    void ChooseTool(int Tool);
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void N1Click();
    void FixedZoom(double Zoom, QAction* Item);
    void N9Click();
    void SelTimerTimer();
    void PaintOverlay(QPainter& Painter);
    void lxImg1MouseDown(Qt::MouseButton Button, QPoint P, Qt::KeyboardModifiers Modifiers);
    void lxImg1MouseMove(QPoint P, Qt::KeyboardModifiers Modifiers);
    void lxImg1MouseUp(Qt::MouseButton Button, QPoint P, Qt::KeyboardModifiers Modifiers);
    void lxImg1DblClick();
    void ShapeSelStart(QPoint P);
    void ShapeSelMove(QPoint P, Qt::KeyboardModifiers Modifiers);
    void ShapeSelEnd(QPoint P, Qt::KeyboardModifiers Modifiers);
    void AnySelStart(QPoint P, Qt::KeyboardModifiers Modifiers);
    void AnySelMove(QPoint P);
    void AnySelEnd(QPoint P, Qt::KeyboardModifiers Modifiers);
    void Any2SelStart(QPoint P, Qt::KeyboardModifiers Modifiers);
    void Any2SelMove(QPoint P, Qt::KeyboardModifiers Modifiers);
    void Any2SelEnd(QPoint P, Qt::KeyboardModifiers Modifiers);
    void PointSel(QPoint P, Qt::KeyboardModifiers Modifiers);
    void MoveSelStart(QPoint P);
    void MoveSelMove(QPoint P);
    void MoveSelEnd();
    void ReSizeSelStart(QPoint P, int Handle);
    void ReSizeSelMove(QPoint P, Qt::KeyboardModifiers Modifiers);
    void ReSizeSelEnd(QPoint P, Qt::KeyboardModifiers Modifiers);
    void Button1Click();
    void Button2Click();
    void N3Click();
    void N7Click();
    void PopupMenu2Popup();

    // The new shape combined with the selection by the modifiers and the
    // radio buttons; then the outline, the ants and the handles.
    bool Combine(Qt::KeyboardModifiers Modifiers, int X, int Y, uint8_t Tolerance, bool Smooth);
    void AfterSelectionChange();
    // The handle box in selection-bitmap pixels: from the shape points for
    // kinds 1 and 2, from the selection bounds otherwise.
    void BoxFromShape();
    void BoxFromBounds();
    // The handle box in view coordinates.
    QRect ViewBox() const;
    int HandleAt(QPoint P) const;
    bool MovableAt(QPoint P, Qt::KeyboardModifiers Modifiers) const;
    QPoint Snap(QPoint P) const;
    QPoint PolygonConstraint(QPoint P, QPoint Last) const;
    QRect ResizedBox(QPoint P, Qt::KeyboardModifiers Modifiers) const;
    void UpdateCursor(QPoint P, Qt::KeyboardModifiers Modifiers);
    void ShowResult();
    QPoint LayerOrigin() const;

    TDialogServices& services_;

    QWidget* Panel1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    QLabel* Label1;
    QSpinBox* SpinEdit1;
    QLabel* Label2;
    QSpinBox* SpinEdit2;
    QLabel* Label3;
    QSpinBox* SpinEdit3;
    QPushButton* Button1;
    QPushButton* Button2;
    QWidget* Panel2;
    QToolButton* SpeedButtons[10];
    QScrollArea* ScrollBox1;
    TlxImageVcl* lxImg1;
    TlxStatusBar* StatusBar1;
    QMenu* PopupMenu1;
    QActionGroup* ZoomGroup;
    QAction* N1;
    std::vector<QAction*> FixedZoomItems;
    QAction* N9;
    QMenu* PopupMenu2;
    QAction* N7;
    QAction* N3;
    QAction* N5;
    QAction* N6;
    QTimer* Timer1;
    QTimer* SelTimer;

    // dialog state
    QImage SourcePicture;
    bool SelDragging = false;
    int SelStartX = 0, SelStartY = 0;
    int MoveOriginX = 0, MoveOriginY = 0;
    bool MovingSelection = false;
    bool ShowHandles = false;
    int HandleCount = 0;
    int DraggedHandle = -1;
    bool ResizingSelection = false;
    bool ContentChanged = false;
    uint32_t LastPolygonTime = 0;
    bool PolygonClosed_ = false;

    int ToolTag_ = NoTool;
    // The handle box (left, top, right, bottom) in selection-bitmap pixels.
    int BoxL_ = 0, BoxT_ = 0, BoxR_ = 0, BoxB_ = 0;
    // The box as it stood when a resize started, in view coordinates.
    int ResizeL_ = 0, ResizeT_ = 0, ResizeR_ = 0, ResizeB_ = 0;
    QPoint DragEnd_;
    // Lasso and polygon vertices in view coordinates; the polygon's rubber
    // vertex.
    std::vector<QPoint> Vertices_;
    QPoint Rubber_;
    bool DrawingPolygon_ = false;
};
