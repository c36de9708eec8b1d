#pragma once

// The insert-text dialog: the text of a text layer with its font, size,
// colour, style and arrangement (straight, turned, around a circle, along a
// freehand path, vertical) and the arrangement's settings, with a live
// sample. It changes nothing in the document; the caller builds the layer's
// description from what it reads after OK (text_description.h).

#include "freehand_text_dialog.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;
class TColorBox;
class TDialogServices;
class TlxImage;

struct TForm7Settings {
    // The window title; empty for "insert text" (string 56).
    QString Caption;
    // The memo, lines separated by "\n".
    QString Text;
    // Empty: the dialog's own default font.
    QString FontName;
    QString SizeText = QStringLiteral("100");
    QColor Color = Qt::black;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Angle = 0;       // arrangements 1 and 2, -360 .. 360
    int Arrangement = 0; // 0 .. 6
    int Smoothing = 3;   // 0 none .. 3 high
    int LetterSpacing = 0;
    int LineSpacing = 0;
    // Arrangement 4: circle size * 65536 + start angle, and the flip.
    int32_t CircleSettings = 0;
    bool CircleFlip = false;
    // Arrangement 5: the characters placed with the mouse.
    int FreehandCount = 0;
    std::array<QPoint, TForm96Settings::MaxChars + 1> FreehandPoints{};
    std::array<int, TForm96Settings::MaxChars + 2> FreehandAngles{};
};

class TForm7 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm7Settings;

    // The arrangement each of the six picture buttons stands for, in order.
    static constexpr std::array<int, 6> ButtonArrangements{0, 6, 1, 3, 4, 5};
    // Sizes a user can type (points).
    static constexpr int LargestSize = 1000;

    explicit TForm7(TDialogServices& Services, QWidget* parent = nullptr);
    ~TForm7() override;

    void Preset(const Settings& S);
    Settings Read() const;

    // The folder of the help pages (program folder + "velmo.chm"); the help
    // button shows only when it exists.
    void SetHelpFolder(const QString& Folder);
    // Gives the freehand dialog its background: the design flattened (with
    // the text being edited left out), its canvas outline and pixels per
    // inch. Without it the characters are placed on a blank page.
    std::function<TForm96Settings()> FreehandBackground;

    // The parts of the dialog's behaviour the window's buttons run.
    void Cb3Click();
    void CB2Click();
    void Button1Click();
    void SetMouseText();
    void BitBtn1Click();
    void BitBtn3Click();

    // The smoothing the size list chooses for size V.
    static int SmoothingForSize(int V);
    // The sample last drawn (8-bit, null when there is nothing to show).
    const QImage& SampleBitmap() const { return sample_; }
    // Redraws the sample now rather than after the typing pause.
    void UpdateSampleNow();

    QComboBox* Cb1 = nullptr;
    QComboBox* CB2 = nullptr;
    TColorBox* CorBox1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* TB1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QLabel* Label9 = nullptr; // "line spacing"
    QSpinBox* SpinEdit3 = nullptr;
    QPushButton* Button1 = nullptr;
    std::array<QToolButton*, 6> ArrangementButtons{};
    QComboBox* Cb3 = nullptr;
    QComboBox* Cb4 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPlainTextEdit* Edit1 = nullptr;
    QLabel* Sample = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    void fillFonts();
    void selectArrangement(int Arrangement);
    void applyMemoFont();
    void memoTextChanged();
    void scheduleSample();
    void showCircleSettings();
    int arrangement() const;
    QString fontName() const;
    // The memo's bytes in the document code page, cut to the text field.
    std::string textBytes() const;

    TDialogServices& services_;
    std::unique_ptr<TlxImage> engine_;
    QTimer* sampleTimer_ = nullptr;
    QImage sample_;
    QString helpFolder_;
    int32_t circleSettings_ = 0;
    bool circleFlip_ = false;
    int freehandCount_ = 0;
    std::array<QPoint, TForm96Settings::MaxChars + 1> freehandPoints_{};
    std::array<int, TForm96Settings::MaxChars + 2> freehandAngles_{};
    // The text or arrangement changed since the circle or freehand settings
    // were last made.
    bool settingsStale_ = false;
    bool presetting_ = false;
};
