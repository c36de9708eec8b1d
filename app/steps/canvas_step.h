#pragma once

// Step 1 of the wizard: the canvas size in centimetres, its background
// colour and its outline shape, chosen from the built-in templates or from
// "templet.ini" beside the program.

#include <QIcon>
#include <QWidget>

#include "lxImage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TColorBox;
struct TProgramState;
class TUiServices;
class TlxImageVcl;

// The canvas has 100 pixels per inch.
int CmToPixels(double Cm);

class TCanvasStep : public QWidget {
    Q_OBJECT
public:
    // Largest side accepted in step 1, in centimetres: 7874 pixels. Far
    // larger than any balloon print, and a canvas past it would need
    // gigabytes and keep the program busy for seconds.
    static constexpr double MaxSideCm = 200.0;
    // Canvases of at least this many pixels (about 50 x 50 cm) take long
    // enough to make that the progress bar shows how far it has got.
    static constexpr double LargeCanvasPixels = 4.0e6;
    // Where the template shape value is kept in the background layer's host data.
    static constexpr int TemplateValueOffset = 12;

    // The step records the accepted canvas size and the centre guides in
    // State; its messages and the colour dialog go through Services.
    TCanvasStep(TProgramState& State, TUiServices& Services, QWidget* parent = nullptr);

    // The folder "templet.ini" and the files it names are read from.
    QString ProgramFolder;

    // Fills the template list, from "templet.ini" when the program folder
    // holds one, else with the six built-in templates; item 0 (custom size)
    // ends selected.
    void LoadTemplet();
    // Copies the chosen template's size into the size edits.
    void Cb1Click();
    // Reads the size and makes or re-sizes the document, puts the template's
    // shape on the background layer and builds the shape guide. False, after
    // the size message, when the size is not a sane number.
    bool No1(TlxImageVcl& Doc);
    // Re-captions the step's labels in the current language.
    void Recaption();
    // A design was opened into Doc: the custom template and the design's
    // own size are shown, and its shape guide is made from the background's
    // shape (no guide without one).
    void ShowOpenedDesign(TlxImage& Doc);
    // Forgets the background picture and returns to the custom template,
    // for a new design.
    void ResetForNewDesign();

    // The template list's picture for Picture on a screen of DevicePixelRatio:
    // 128 x 128 device-independent pixels drawn at the screen's resolution.
    static QIcon ThumbnailIcon(const QImage& Picture, qreal DevicePixelRatio);

    // The template shape value of a document (0 for none).
    static int TemplateValue(const TlxImage& Doc);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    TColorBox* ColorBox1 = nullptr;
    QListWidget* ListView4 = nullptr;
    QComboBox* Cb1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

signals:
    // Enter was pressed in a size edit: the window's default button (Next)
    // acts on it.
    void SizeEntered();

private:
    TProgramState& state_;
    TUiServices& services_;
    QString templetFile() const;
    bool hasTempletFile() const;
    // The number of templates "templet.ini" offers: 0 without the file, when
    // it cannot be read or its count is not a positive number.
    int templetCount() const;
    // The list shown came from "templet.ini" (else it is the built-in one).
    bool usesTempletFile_ = false;
    // Makes or re-sizes the document and gives it the template's shape and
    // guide; false when the document could not be made.
    bool makeCanvas(TlxImageVcl& Doc, int Width, int Height, TColor Colour);
    void ApplyTemplet(TlxImage& Doc);
    void ApplyTemplet1(TlxImage& Doc);
    // Cuts the template's inner area out of Guide, the shape as an 8-bit picture.
    void DrawSelRgn1(TlxImage& Doc, QImage& Guide);
    bool applyShape(TlxImage& Doc, const QImage& Shape);
};
