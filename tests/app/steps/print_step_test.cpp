#include "app/window_fixture.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "steps/print_step.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// A printer with no margins: Inches wide and high at Dpi, into a PDF file.
void setUpPdfPrinter(QPrinter& Printer, const QString& File, double WidthInch, double HeightInch,
                     int Dpi) {
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setOutputFileName(File);
    Printer.setResolution(Dpi);
    Printer.setFullPage(false);
    Printer.setPageSize(QPageSize(QSizeF(WidthInch, HeightInch), QPageSize::Inch));
    Printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

// The bounding box of the pixels that are not white in a PDF's first page
// rendered at Dpi; empty when poppler's renderer is missing.
QRect inkOfPdf(const QString& Pdf, int Dpi, QSize* Page = nullptr) {
    const QString renderer = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (renderer.isEmpty()) return {};
    const QString stem = Pdf + QStringLiteral(".page");
    QProcess p;
    p.start(renderer, {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), Pdf, stem});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    const QImage page(stem + QStringLiteral(".png"));
    if (Page) *Page = page.size();
    QRect ink;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            if (qRed(c) < 240 || qGreen(c) < 240 || qBlue(c) < 240) ink |= QRect(x, y, 1, 1);
        }
    return ink;
}

class PrintStepTest : public WindowTest {
protected:
    // Step 3 of a 19 x 19 cm design (748 pixels) filled red, laid out for an
    // 8 x 11 inch page at 600 dpi: 4800 x 6600 dots.
    std::unique_ptr<TVelmoBalloonForm> stepThree() {
        auto w = stepTwoWindow("19");
        w->lxImg->BackColor = lxRGB(255, 0, 0);
        w->lxImg->Layers[0].Bitmap.fill(QColor(255, 0, 0));
        w->lxImg->InvalidateComposeCache();
        setUpPdfPrinter(w->TabSheet3->Printer(), dir.filePath(QStringLiteral("out.pdf")), 8, 11, 600);
        next(*w);
        EXPECT_EQ(w->CurrentStep(), 2);
        QApplication::processEvents();
        return w;
    }
    static TPrintStep& print(TVelmoBalloonForm& w) { return *w.TabSheet3; }
    QTemporaryDir dir;
};

TEST_F(PrintStepTest, TheCanvasIsCentredAcrossThePageAndSixAndAHalfCentimetresDown) {
    auto w = stepThree();
    TPrintStep& p = print(*w);
    ASSERT_EQ(p.Metrics(), (TPrinterMetrics{4800, 6600, 600}));
    ASSERT_EQ(p.PrintBitmap.size(), QSize(748, 748));
    // 748 px at 600 dpi print 4488 dots; (4800 - 4488) div 2 = 156.
    EXPECT_EQ(p.SpinEdit1->value(), 156);
    EXPECT_EQ(p.Edit3->text(), QStringLiteral("0.6604"));
    // 6.5 cm = round(600 * 6.5 / 2.54) = 1535 dots, and the edit then reads "6".
    EXPECT_EQ(p.SpinEdit2->value(), 1535);
    EXPECT_EQ(p.Edit4->text(), QStringLiteral("6"));
    // The page preview: the picture at its printed size and place.
    const double scale = p.PreviewScale;
    EXPECT_DOUBLE_EQ(scale, 4800.0 / p.PbColor2->width());
    EXPECT_EQ(p.Image6->width(), int(std::nearbyint(4488 / scale)));
    EXPECT_EQ(p.Image6->x(), int(std::nearbyint(156 / scale)));
    EXPECT_EQ(p.Image6->y(), int(std::nearbyint(1535 / scale)));
    // Print and Save show in step 3, Next does not.
    EXPECT_TRUE(w->BitBtn10->isVisible());
    EXPECT_TRUE(w->BitBtn11->isVisible());
    EXPECT_TRUE(w->BitBtn13->isVisible());
    EXPECT_FALSE(w->BitBtn4->isVisible());
    EXPECT_EQ(p.Label6->text(), LangText(34));
}

// Printed untouched: x = 156 + 12 dots (0.05 cm further right), y from "6"
// cm: trunc(6 * 600 / 2.54 + 0.5) = 1417, less 0.2 cm (47 dots) = 1370.
TEST_F(PrintStepTest, PrintingPlacesThePictureAtTrueSizeWithTheTwoCorrections) {
    auto w = stepThree();
    TPrintStep& p = print(*w);
    int jobs = 0;
    QObject::connect(&p, &TPrintStep::JobPrinted, [&](int) { ++jobs; });
    services.PrintDialogAnswer = [](QPrinter& Printer) {
        Printer.setCopyCount(1);
        return true;
    };
    w->State.Modified = false;
    QTest::mouseClick(w->BitBtn10, Qt::LeftButton);
    ASSERT_EQ(jobs, 1);
    EXPECT_TRUE(w->BitBtn10->isEnabled());
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    ASSERT_TRUE(QFile::exists(pdf));
    QSize page;
    const QRect ink = inkOfPdf(pdf, 100, &page);
    if (page.isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
    EXPECT_EQ(page, QSize(800, 1100));
    // At 100 dpi: 168 / 6 = 28, 1370 / 6 = 228.3, 4488 / 6 = 748.
    EXPECT_NEAR(ink.left(), 28, 1);
    EXPECT_NEAR(ink.top(), 228, 1);
    EXPECT_NEAR(ink.width(), 748, 2);
    EXPECT_NEAR(ink.height(), 748, 2);
}

TEST_F(PrintStepTest, EveryCopyIsAJobOfItsOwnTitledVelmoBalloon) {
    auto w = stepThree();
    TPrintStep& p = print(*w);
    QStringList titles;
    QObject::connect(&p, &TPrintStep::JobPrinted,
                     [&](int) { titles << p.Printer().docName(); });
    services.PrintDialogAnswer = [](QPrinter& Printer) {
        Printer.setCopyCount(3);
        return true;
    };
    w->State.Modified = false;
    QTest::mouseClick(w->BitBtn10, Qt::LeftButton);
    EXPECT_EQ(titles, QStringList(3, QStringLiteral("Velmo Balloon")));
    // The dialog's copy count is kept for the next time.
    EXPECT_EQ(p.Printer().copyCount(), 3);
    // Cancelled: nothing is printed.
    titles.clear();
    services.PrintDialogAnswer = [](QPrinter&) { return false; };
    QTest::mouseClick(w->BitBtn10, Qt::LeftButton);
    EXPECT_TRUE(titles.isEmpty());
}

TEST_F(PrintStepTest, AModifiedDesignIsOfferedToBeSavedBeforePrinting) {
    auto w = stepThree();
    w->State.Modified = true;
    services.MessageAnswer = QMessageBox::No;
    services.PrintDialogAnswer = [](QPrinter&) { return false; };
    QTest::mouseClick(w->BitBtn10, Qt::LeftButton);
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0].Text, LangText(133));
}

TEST_F(PrintStepTest, WithBothAxesCentredDraggingDoesNotMoveThePicture) {
    auto w = stepThree();
    TPrintStep& p = print(*w);
    p.Ck2->click();
    ASSERT_TRUE(p.Ck1->isChecked() && p.Ck2->isChecked());
    const QPoint before = p.Image6->pos();
    const int x = p.SpinEdit1->value(), y = p.SpinEdit2->value();
    // (6600 - 4488) div 2 = 1056 once the vertical box is ticked.
    EXPECT_EQ(y, 1056);
    QTest::mousePress(p.Image6, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(p.Image6, QPoint(40, 30));
    QTest::mouseRelease(p.Image6, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(p.Image6->pos(), before);
    EXPECT_EQ(p.SpinEdit1->value(), x);
    EXPECT_EQ(p.SpinEdit2->value(), y);

    // Without centring the picture follows the mouse on both axes.
    p.Ck1->setChecked(false);
    p.Ck2->setChecked(false);
    QTest::mousePress(p.Image6, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(p.Image6, QPoint(25, 15));
    QTest::mouseRelease(p.Image6, Qt::LeftButton, {}, QPoint(25, 15));
    EXPECT_EQ(p.Image6->pos(), before + QPoint(20, 10));
    EXPECT_EQ(p.SpinEdit1->value(), int(std::nearbyint((before.x() + 20) * p.PreviewScale)));
    EXPECT_EQ(p.Edit3->text(), CmFromDots(p.SpinEdit1->value(), 600));
}

TEST_F(PrintStepTest, APrinterOfAnotherResolutionKeepsTheOffsetsInCentimetres) {
    auto w = stepThree();
    TPrintStep& p = print(*w);
    p.Ck1->setChecked(false);
    p.Edit3->setFocus();
    p.Edit3->setText(QStringLiteral("2"));
    p.Edit4->setFocus();
    p.Edit4->setText(QStringLiteral("5"));
    // round(2 * 600 / 2.54) = 472, round(5 * 600 / 2.54) = 1181.
    EXPECT_EQ(p.SpinEdit1->value(), 472);
    EXPECT_EQ(p.SpinEdit2->value(), 1181);
    services.SetUpPrinterAnswer = [this](QPrinter& Printer) {
        setUpPdfPrinter(Printer, dir.filePath(QStringLiteral("b.pdf")), 8.5, 11, 300);
        return true;
    };
    QTest::mouseClick(p.Button1, Qt::LeftButton);
    EXPECT_EQ(p.Metrics(), (TPrinterMetrics{2550, 3300, 300}));
    EXPECT_EQ(p.Edit3->text(), QStringLiteral("2"));
    EXPECT_EQ(p.Edit4->text(), QStringLiteral("5"));
    // round(2 * 300 / 2.54) = 236, round(5 * 300 / 2.54) = 591.
    EXPECT_EQ(p.SpinEdit1->value(), 236);
    EXPECT_EQ(p.SpinEdit2->value(), 591);
    EXPECT_FALSE(p.Ck1->isChecked());
    EXPECT_FALSE(p.Ck2->isChecked());
    // Back to step 2 and on again: the offsets stay.
    back(*w);
    EXPECT_EQ(w->CurrentStep(), 1);
    next(*w);
    EXPECT_EQ(p.Edit3->text(), QStringLiteral("2"));
}

TEST_F(PrintStepTest, TypedOffsetsMoveThePictureAndNonNumbersAreIgnored) {
    auto w = stepThree();
    TPrintStep& p = print(*w);
    p.Ck1->setChecked(false);
    p.Edit3->setFocus();
    p.Edit3->setText(QStringLiteral("1.27"));
    // round(1.27 * 600 / 2.54) = 300.
    EXPECT_EQ(p.SpinEdit1->value(), 300);
    EXPECT_EQ(p.Image6->x(), int(std::nearbyint(300 / p.PreviewScale)));
    p.Edit3->setText(QStringLiteral("1..2"));
    EXPECT_EQ(p.SpinEdit1->value(), 300);
    // Ticking the box centres at once: 4800 div 2 - 4488 div 2 = 156.
    p.Ck1->click();
    EXPECT_EQ(p.SpinEdit1->value(), 156);
}

} // namespace
