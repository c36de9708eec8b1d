#pragma once

// Step 3 of the wizard: the printer page in small with the flattened design
// on it at its printed size, placed by offsets in centimetres (typed,
// dragged, or centred per axis), the printer set-up, and printing at true
// size, one print job per copy.

#include "lxPrint.h"
#include "steps/print_layout.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class TUiServices;
class TlxImage;
struct TProgramState;

class TPrintStep : public QWidget {
    Q_OBJECT
public:
    TPrintStep(TProgramState& State, TUiServices& Services, QWidget* parent = nullptr);
    ~TPrintStep() override;

    // Entering the step: the print picture made from Doc and laid out on
    // the page. False when the picture could not be made.
    bool No2(TlxImage& Doc);
    // The page preview's geometry for the printer and the space there is.
    void ShowPrtSet();
    // Applies the centring boxes and puts the picture on the page preview.
    void updatexy();
    void Ck1Click();
    void Ck2Click();
    // Printer set-up: paper and orientation; the offsets in centimetres stay.
    void Button1Click();
    // Prints PrintBitmap at true size through the print dialog; Save is
    // asked for first when the design is modified (it returns whether the
    // user went on).
    void BitBtn10Click();
    std::function<void()> SaveFirst;

    // Re-captions the step in the current language.
    void Recaption();

    // The printer the step lays out for and prints on.
    QPrinter& Printer() { return *printer_; }
    TPrinterMetrics Metrics() const;

    QImage PrintBitmap;
    double PreviewScale = 1;

    QWidget* PageArea = nullptr;
    QWidget* PbColor2 = nullptr; // the page
    QWidget* PBColor1 = nullptr; // its shadow
    QLabel* Image6 = nullptr;    // the picture on the page
    QWidget* Shape1 = nullptr;   // the outline while dragging
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QCheckBox* Ck1 = nullptr;
    QCheckBox* Ck2 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QPushButton* Button1 = nullptr;
    // The print button lives in the window's bottom bar; it is disabled
    // while printing.
    QPushButton* PrintButton = nullptr;

signals:
    // Copy Copy (1-based) of a print went to the printer as a job of its own.
    void JobPrinted(int Copy);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void Edit3Change();
    void Edit4Change();
    // An offset typed in centimetres moves the picture.
    void offsetTyped(QLineEdit* Edit, QSpinBox* Spin);
    void spinChanged(QSpinBox* Spin, QLineEdit* Edit);
    void placePicture();
    bool printCopies(int Copies);

    TProgramState& state_;
    TUiServices& services_;
    std::unique_ptr<QPrinter> printer_;
    TPagePreview preview_;
    bool dragging_ = false;
    QPoint dragStart_;
    QPoint dragDelta_;
    bool entered_ = false;
    // The size the picture on the page was last drawn at.
    QSize shownSize_;
};
