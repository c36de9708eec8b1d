#pragma once

// The circle-text dialog: the size and start angle of the circle a text is
// written around, and whether the text is flipped, with a live preview of
// the rendered text. It changes nothing in the document.

#include "lxTextStyle.h"

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class TlxImage;

struct TForm76Settings {
    // The text as the caller hands it: text, font name, size, the four
    // styles, colour (white), arrangement 4. The dialog rewrites Param
    // (circle size * 65536 + start angle) and Reverse (flip) only.
    TlxTextStyle Style{};
    int CircleSize = 100;  // SpinEdit1: the circle's radius in pixels, 10 .. 16000
    QString CmText;        // CmEdit1: the same in centimetres (size * 0.0508), as shown
    int StartAngle = 0;    // Tb2: 0 .. 360
    bool Flip = false;     // Ck1
};

class TForm76 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm76Settings;

    explicit TForm76(QWidget* parent = nullptr);
    ~TForm76() override;

    // Presets SpinEdit1, CmEdit1, Tb2 and Ck1 and renders the preview.
    void Preset(const Settings& S);
    // The style with Param and Reverse as set now, and the controls' values.
    Settings Read() const;

    // The circle size a centimetre text asks for: Trunc(cm * 100 / 5.08 + 0.5)
    // limited to 10 .. 16000; nothing when the text is not a number.
    static std::optional<int> CircleSizeFromCm(const QString& Text);
    // Param of a circle text: Size * 65536 + StartAngle.
    static int32_t CircleParam(int Size, int StartAngle);

    // The preview picture last rendered (8-bit), for tests; null when the
    // circle asked for is too large to draw.
    const QImage& PreviewBitmap() const;

    // Where a Bitmap-sized picture is shown in a Client-sized area: as wide
    // as the area when it is relatively wider than tall, else as high, with
    // the other side in proportion (rounded) and centred. Empty when either
    // size is empty.
    static QRect FitPreview(QSize Bitmap, QSize Client);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Param and Reverse from the controls, the text drawn afresh and shown.
    void DoChange();
    void Tb2Change(int Position);
    void SpinEdit2Change(int Value);
    void SpinEdit1Change(int Value);
    void CmEdit1Change(const QString& Text);
    // Shows the preview picture fitted into the scroll box.
    void ShowPreview();

    QScrollArea* Sb;
    QLabel* Image1;
    QLabel* Label1;
    QSlider* Tb2;
    QSpinBox* SpinEdit2;
    QLabel* Label2;
    QSpinBox* SpinEdit1;
    QLineEdit* CmEdit1;
    QLabel* Label3;
    QCheckBox* Ck1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    // Draws the previews; it never holds a document.
    std::unique_ptr<TlxImage> Engine_;
    TlxTextStyle Style_{};
    std::string Text_;
    QImage Preview_;
};
