#pragma once

// The circle-text dialog: the size and start angle of the circle a text is
// written around, and whether the text is flipped, with a live preview of
// the rendered text. It changes nothing in the document.

#include "lxTextStyle.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>

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

    // The preview picture last rendered (8-bit), for tests.
    const QImage& PreviewBitmap() const;
};
