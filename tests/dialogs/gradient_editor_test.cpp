// The gradient editor: building stops on the bar, moving, typing and
// deleting them, loading an existing gradient, and what OK finds in or adds
// to the definitions file.

#include "dialog_services.h"
#include "dialog_test_support.h"
#include "gradient_editor.h"
#include "lxreadwrite.h"
#include "program_strings.h"

#include "PBColor.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <deque>

namespace {

class TFakeServices final : public TDialogServices {
public:
    std::deque<QColor> Colours; // answers of the colour dialog, in turn
    int ColourAsked = 0;
    QColor ColourShown;
    QStringList Messages;
    QMessageBox::Icon LastIcon = QMessageBox::NoIcon;

    int RunModal(QDialog&) override { return QDialog::Rejected; }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString& Text, QMessageBox::Icon Icon,
                                            QMessageBox::StandardButtons) override {
        Messages << Text;
        LastIcon = Icon;
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor& Initial) override {
        ++ColourAsked;
        ColourShown = Initial;
        if (Colours.empty()) return {};
        const QColor c = Colours.front();
        Colours.pop_front();
        return c;
    }
    void OpenHelp(const QUrl&) override {}
};

class GradientEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        fileName = dir.filePath(QStringLiteral("Colors.ini"));
        ASSERT_TRUE(EnsureGradientFile(fileName));
        original = readAll(fileName);
        preset.Gradients = LoadGradientDefinitions(fileName);
        preset.FileName = fileName;
        editor.Preset(preset);
        editor.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    }

    static QByteArray readAll(const QString& Path) {
        QFile f(Path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QLabel* strip() { return child<QLabel>(editor, "Label1"); }
    QLineEdit* edit() { return child<QLineEdit>(editor, "Edit1"); }
    TPtImage* marker(int Slot) {
        return child<TPtImage>(editor, QStringLiteral("Marker%1").arg(Slot).toLatin1().constData());
    }
    // A click on the strip under bar pixel X.
    void clickStrip(int X) {
        QTest::mouseClick(strip(), Qt::LeftButton, {}, QPoint(X + TForm17::StripInset, 8));
    }
    void clickMarker(TPtImage* M) { QTest::mouseClick(M, Qt::LeftButton, {}, QPoint(5, 8)); }
    // Presses Marker, moves by Dx and lets go there.
    void drag(TPtImage* M, int Dx) {
        QTest::mousePress(M, Qt::LeftButton, {}, QPoint(5, 8));
        QTest::mouseMove(M, QPoint(5 + Dx, 8));
        QTest::mouseRelease(M, Qt::LeftButton, {}, QPoint(5 + Dx, 8));
    }
    void typeInto(const QString& Text) {
        edit()->setFocus();
        edit()->selectAll();
        QTest::keyClick(edit(), Qt::Key_Backspace);
        QTest::keyClicks(edit(), Text);
    }
    std::vector<int> positions() {
        std::vector<int> p;
        for (int k = 0; k < editor.MarkerCount(); ++k)
            p.push_back(TForm17::Position(*marker(k)));
        return p;
    }

    QTemporaryDir dir;
    QString fileName;
    QByteArray original;
    TFakeServices services;
    TForm17 editor{services};
    TForm17Settings preset;
};

} // namespace

TEST_F(GradientEditorTest, TheUntouchedEditorMatchesDefinitionOneAndWritesNothing) {
    TAnsweringRunner runner;
    runner.User = [](QDialog& D) { clickAtLeft(child<QPushButton>(D, "BitBtn1")); };
    const auto read = RunDialog(runner, editor, preset);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Tag, 1);
    ASSERT_EQ(read->Stops.Count, 2);
    EXPECT_EQ(read->Stops.Stops[0].Color, 0x000000u);
    EXPECT_EQ(read->Stops.Stops[1].Color, 0xFFFFFFu);
    EXPECT_EQ(readAll(fileName), original);
}

TEST_F(GradientEditorTest, OneBlackStopInTheMiddleIsAppendedAsDefinitionTwentySix) {
    clickStrip(250);
    ASSERT_EQ(editor.MarkerCount(), 1);
    EXPECT_EQ(TForm17::Position(*marker(0)), 250);
    EXPECT_EQ(edit()->text(), QStringLiteral("50"));
    EXPECT_EQ(marker(0)->ptColor(), 0x000000u); // selected
    EXPECT_EQ(child<TPtImage>(editor, "PtImage3")->ptColor(), 0xFFFFFFu);

    // The preview: black up to pixel 250, then black to white over the
    // last 249 pixels (pixel 373: 255 * 123 / 249 = 125.96).
    const QImage bar = child<QWidget>(editor, "PaintBox1")->grab().toImage();
    EXPECT_EQ(bar.pixel(100, 12) & 0xFFFFFF, 0u);
    EXPECT_EQ(bar.pixel(250, 12) & 0xFFFFFF, 0u);
    EXPECT_EQ(bar.pixel(373, 12) & 0xFFFFFF, qRgb(126, 126, 126) & 0xFFFFFFu);
    EXPECT_EQ(bar.pixel(499, 12) & 0xFFFFFF, 0xFFFFFFu);

    clickAtLeft(child<QPushButton>(editor, "BitBtn1"));
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(editor.Read().Tag, -1);
    EXPECT_EQ(ReadIniInt("Application", "Count", 0, fileName), 26);
    EXPECT_EQ(ReadIniInt("26", "Count", 0, fileName), 3);
    const int colours[] = {0, 0, 16777215};
    const int lengths[] = {5000, 5000, 0};
    for (int k = 0; k < 3; ++k) {
        const QString n = QString::number(k + 1);
        EXPECT_EQ(ReadIniInt("26", "Color" + n, -1, fileName), colours[k]) << k;
        EXPECT_EQ(ReadIniInt("26", "Length" + n, -1, fileName), lengths[k]) << k;
    }
}

TEST_F(GradientEditorTest, APositionAboveAHundredBecomesNinetyEight) {
    clickStrip(100);
    typeInto(QStringLiteral("120"));
    EXPECT_EQ(edit()->text(), QStringLiteral("98"));
    EXPECT_EQ(TForm17::Position(*marker(0)), 490);
    // A typed position within the bar moves the stop there, rounded.
    typeInto(QStringLiteral("12.6"));
    EXPECT_EQ(TForm17::Position(*marker(0)), 63);
    clickMarker(marker(0));
    EXPECT_EQ(edit()->text(), QStringLiteral("12.6"));
    // Letters are refused.
    QTest::keyClicks(edit(), QStringLiteral("ab"));
    EXPECT_EQ(edit()->text(), QStringLiteral("12.6"));
}

TEST_F(GradientEditorTest, TheEndsPositionsCannotBeTyped) {
    clickMarker(child<TPtImage>(editor, "PtImage2"));
    EXPECT_EQ(edit()->text(), QStringLiteral("100"));
    edit()->setFocus();
    QTest::keyClicks(edit(), QStringLiteral("5"));
    QTest::keyClick(edit(), Qt::Key_Backspace);
    EXPECT_EQ(edit()->text(), QStringLiteral("100"));
}

TEST_F(GradientEditorTest, AStopDraggedOntoItsNeighbourStopsFivePixelsAway) {
    clickStrip(100);
    clickStrip(200);
    ASSERT_EQ(positions(), (std::vector<int>{100, 200}));
    // The outline follows while dragging, limited the same way.
    QTest::mousePress(marker(1), Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseMove(marker(1), QPoint(5 - 150, 8));
    auto* outline = child<QWidget>(editor, "Shape1");
    EXPECT_TRUE(outline->isVisible());
    EXPECT_EQ(outline->x(), 105);
    QTest::mouseRelease(marker(1), Qt::LeftButton, {}, QPoint(5 - 150, 8));
    EXPECT_FALSE(outline->isVisible());
    EXPECT_EQ(positions(), (std::vector<int>{100, 105}));
    EXPECT_EQ(edit()->text(), QStringLiteral("21"));
    // The first one dragged right onto it, and the second one to the end.
    drag(marker(0), 300);
    EXPECT_EQ(positions(), (std::vector<int>{100, 105}));
    drag(marker(1), 600);
    EXPECT_EQ(positions(), (std::vector<int>{100, 494}));
    drag(marker(0), -400);
    EXPECT_EQ(positions(), (std::vector<int>{5, 494}));
}

TEST_F(GradientEditorTest, NewStopsAreKeptInOrderAndColouredThroughTheColourDialog) {
    clickStrip(300);
    services.Colours = {QColor(0, 0, 255)};
    clickAtLeft(child<TPBColor>(editor, "PBColor1"));
    EXPECT_EQ(services.ColourShown, QColor(0, 0, 0));
    clickStrip(100);
    services.Colours = {QColor(255, 0, 0)};
    QTest::mouseDClick(marker(0), Qt::LeftButton, {}, QPoint(5, 8));
    clickStrip(200);
    services.Colours = {QColor(0, 255, 0)};
    clickAtLeft(child<TPBColor>(editor, "PBColor1"));
    ASSERT_EQ(positions(), (std::vector<int>{100, 200, 300}));
    EXPECT_EQ(marker(0)->selColor(), 0x0000FFu);
    EXPECT_EQ(marker(1)->selColor(), 0x00FF00u);
    EXPECT_EQ(marker(2)->selColor(), 0xFF0000u);
    EXPECT_EQ(child<TPBColor>(editor, "PBColor1")->selColor(), 0x00FF00u);
    // A double click moves nothing.
    EXPECT_EQ(services.ColourAsked, 3);

    const TColorlistSrcd stops = editor.StopList();
    ASSERT_EQ(stops.Count, 5);
    const double lengths[] = {0.2, 0.2, 0.2, 0.4, 0.0};
    const uint32_t colours[] = {0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(stops.Stops[size_t(k)].Color, colours[k]) << k;
        EXPECT_DOUBLE_EQ(stops.Stops[size_t(k)].Length, lengths[k]) << k;
    }
}

TEST_F(GradientEditorTest, DeletingAMiddleStopKeepsTheOthers) {
    for (const int x : {100, 200, 300})
        clickStrip(x);
    marker(0)->setSelColor(0x0000FF);
    marker(2)->setSelColor(0xFF0000);
    clickMarker(marker(1));
    clickAtLeft(child<QPushButton>(editor, "Button1"));
    ASSERT_EQ(editor.MarkerCount(), 2);
    EXPECT_EQ(positions(), (std::vector<int>{100, 300}));
    EXPECT_EQ(marker(0)->selColor(), 0x0000FFu);
    EXPECT_EQ(marker(1)->selColor(), 0xFF0000u);
    EXPECT_EQ(editor.findChild<TPtImage*>(QStringLiteral("Marker2")), nullptr);
    EXPECT_EQ(child<TPtImage>(editor, "PtImage3")->ptColor(), 0x000000u);
    EXPECT_EQ(marker(0)->ptColor(), 0xFFFFFFu);
    EXPECT_EQ(marker(1)->ptColor(), 0xFFFFFFu);
    EXPECT_EQ(edit()->text(), QStringLiteral("0"));
    EXPECT_TRUE(services.Messages.isEmpty());
}

TEST_F(GradientEditorTest, TheEndsCannotBeDeleted) {
    clickStrip(100);
    for (const char* end : {"PtImage3", "PtImage2"}) {
        SCOPED_TRACE(end);
        services.Messages.clear();
        clickMarker(child<TPtImage>(editor, end));
        clickAtLeft(child<QPushButton>(editor, "Button1"));
        EXPECT_EQ(services.Messages, QStringList{LangText(147)});
        EXPECT_EQ(services.LastIcon, QMessageBox::Critical);
        EXPECT_EQ(editor.MarkerCount(), 1);
    }
}

TEST_F(GradientEditorTest, AFiftyFirstStopIsRefused) {
    for (int k = 0; k < 51; ++k)
        clickStrip(5 + 9 * k);
    EXPECT_EQ(editor.MarkerCount(), TForm17::MaxMarkers);
    EXPECT_EQ(TForm17::Position(*marker(49)), 5 + 9 * 49);
    EXPECT_EQ(editor.StopList().Count, 52);
}

TEST_F(GradientEditorTest, LoadingDefinitionSeventeenGivesNineteenStops25PixelsApart) {
    auto* list = child<QComboBox>(editor, "opnCB5");
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(child<QLabel>(editor, "Label2")->isVisible());
    ASSERT_EQ(list->count(), 27);
    list->setFocus();
    // Item 1: white to black.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(editor.MarkerCount(), 0);
    EXPECT_EQ(child<TPtImage>(editor, "PtImage3")->selColor(), 0xFFFFFFu);
    EXPECT_EQ(child<TPtImage>(editor, "PtImage2")->selColor(), 0x000000u);
    // Item 18: definition 17.
    for (int i = 1; i < 18; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->currentIndex(), 18);
    ASSERT_EQ(editor.MarkerCount(), 19);
    for (int k = 0; k < 19; ++k) {
        EXPECT_EQ(TForm17::Position(*marker(k)), 25 * (k + 1)) << k;
        EXPECT_EQ(marker(k)->selColor(), k % 2 == 0 ? 0xFFFFFFu : 0x000000u) << k;
    }
    EXPECT_EQ(child<TPtImage>(editor, "PtImage3")->selColor(), 0x000000u);
    EXPECT_EQ(child<TPtImage>(editor, "PtImage2")->selColor(), 0x000000u);
    EXPECT_EQ(edit()->text(), QStringLiteral("0"));
    // Confirmed unchanged, it is definition 17.
    clickAtLeft(child<QPushButton>(editor, "BitBtn1"));
    EXPECT_EQ(editor.Read().Tag, 17);
    EXPECT_EQ(readAll(fileName), original);
}

TEST_F(GradientEditorTest, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    // A link in the file's place: refused, its target untouched.
    const QString target = dir.filePath(QStringLiteral("target.ini"));
    ASSERT_TRUE(QFile::copy(fileName, target));
    const QString link = dir.filePath(QStringLiteral("link.ini"));
    ASSERT_TRUE(QFile::link(target, link));
    preset.FileName = link;
    editor.Preset(preset);
    clickStrip(250);
    editor.setResult(QDialog::Rejected);
    clickAtLeft(child<QPushButton>(editor, "BitBtn1"));
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.result(), QDialog::Rejected);
    EXPECT_EQ(services.Messages, QStringList{ProgramText(PsGradientNotSaved).arg(link)});
    EXPECT_EQ(readAll(target), original);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST_F(GradientEditorTest, CaptionsAndATidyFixedLayoutInEveryLanguage) {
    for (const int base : {LangSimplified, LangTraditional, LangEnglish}) {
        TLanguageScope language(base);
        TFakeServices s;
        TForm17 shown(s);
        shown.Preset(preset);
        QString title = LangText(145);
        title.chop(3);
        EXPECT_EQ(shown.windowTitle(), title) << languageName(base);
        EXPECT_EQ(child<QLabel>(shown, "Label2")->text(), LangText(144));
        EXPECT_EQ(child<QPushButton>(shown, "Button1")->text(), LangText(151));
        EXPECT_EQ(child<QPushButton>(shown, "BitBtn1")->text(), LangText(55));
        EXPECT_EQ(child<QPushButton>(shown, "BitBtn2")->text(), LangText(54));
        EXPECT_EQ(child<QLabel>(shown, "Label1")->toolTip(), ProgramText(PsGradientNewStopHint));
        EXPECT_EQ(shown.size(), QSize(519, 218));
        expectTidyFixedLayout(shown, languageName(base));
    }
}
