#pragma once

// The signature dialog: a hand-drawn signature on a transparent picture of
// its own, drawn with a pencil and rubbed out with an eraser, at any zoom.

#include "lxImage.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollArea;
class QSpinBox;
class QToolButton;
class TColorBox;
class TDialogServices;
class TlxImageVcl;
class TlxStatusBar;

struct TForm4Settings {
    // The picture drawn on: 32-bit, every alpha byte 0, the signature's
    // largest size.
    QImage WorkBitmap;
    // Read: true once a stroke was finished and not reset since.
    bool SignatureDone = false;
    // Read: the drawn picture as a 32-bit picture of the working bitmap's
    // size, the line colours with their coverage as alpha.
    QImage Signature;
};

class TForm4 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm4Settings;

    static constexpr int ToolPencil = 1;
    static constexpr int ToolEraser = 2;

    // The custom zoom is asked for with the zoom input box through
    // Services, the custom line colour with its colour dialog.
    explicit TForm4(TDialogServices& Services, QWidget* parent = nullptr);
    ~TForm4() override;

    void Preset(const Settings& S);
    Settings Read() const;

    // The signature cut to its drawn area, as the caller inserts it: the
    // current layer's coverage becomes the selection, the document is
    // cropped to it and the layer is given as a 32-bit picture. False, with
    // Target untouched, when nothing is drawn or the engine fails.
    bool CutSignature(QImage& Target);

    // The dialog's own document.
    TlxImageVcl& Document() const { return *lxImg1; }
    // The tool in use: ToolPencil or ToolEraser.
    int Tool() const;

    // Draws a line Width image pixels wide with round ends from A to B
    // (image coordinates of pixel centres) into the current layer: the
    // pencil lays Color over what is there, the eraser takes coverage away.
    // The rectangle of image pixels changed, empty when nothing was.
    QRect DrawStroke(QPointF A, QPointF B, int Width, bool Erase, TColor Color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton1Click();
    void lxImg1MouseDown(QPoint P);
    void lxImg1MouseMove(QPoint P);
    void lxImg1MouseUp(QPoint P);
    // Continues the stroke to the view point P and shows the change.
    void StrokeTo(QPoint P);
    void ShowChange(const QRect& ImageRect);
    void Recompose();
    void SetTool(int Tool);
    void ShowAll();
    void SetZoom(double Zoom, QAction* Item);
    void CustomZoom();
    QPointF ImagePoint(QPoint P) const;

    TDialogServices& services_;
    QWidget* Panel1;
    QWidget* Panel2;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton6;
    QToolButton* SpeedButton7;
    QToolButton* SpeedButton8;
    QToolButton* SpeedButton9;
    QToolButton* SpeedButton1;
    QLabel* Label1;
    QSpinBox* SpinEdit1;
    QLabel* Label2;
    TColorBox* ColorBox1;
    QSpinBox* SpinEdit2;
    QScrollArea* ScrollBox1;
    TlxImageVcl* lxImg1;
    TlxStatusBar* lxStatusBar1;
    QLabel* StatusPanel;
    QMenu* PopupMenu1;
    QActionGroup* ZoomGroup;
    QAction* N1;
    QAction* N1001;
    QAction* N9;
    // The zoom item that shows the current zoom.
    QAction* zoomItem_ = nullptr;

    QImage WorkBitmap;
    bool Drawing = false;
    // Where the stroke is now, in image coordinates of pixel centres.
    QPointF StrokePoint;
    bool SignatureDone = false;
};
