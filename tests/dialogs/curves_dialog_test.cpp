// The curves dialog: the curve-to-table rule and the preset file as pure
// functions, editing with the mouse and the keys, live application on a
// layer (whole and inside a selection), the histogram, presets on disk, and
// contour mode.

#include "curves_dialog.h"

#include "curve_table.h"
#include "dialog_services.h"
#include "dialog_test_support.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "program_strings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>

namespace {

using Points = std::vector<TlxContourPoint>;

std::string show(const Points& P) {
    std::ostringstream s;
    for (const auto& p : P)
        s << '(' << p.X << ',' << p.Y << ')';
    return s.str();
}

bool same(const Points& a, const Points& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const TlxContourPoint& p, const TlxContourPoint& q) {
               return p.X == q.X && p.Y == q.Y;
           });
}

// Answers the dialog's questions: message boxes are logged and answered with
// Answer; a modal dialog (the curves dialog itself, the preset name prompt)
// is handed to User. The curves dialog is shown first, as on screen.
class TCurveServices final : public TDialogServices {
public:
    struct Message {
        QString Text;
        QMessageBox::Icon Icon;
    };
    std::vector<Message> Messages;
    QMessageBox::StandardButton Answer = QMessageBox::Yes;
    std::function<void(QDialog&)> User;

    int RunModal(QDialog& Dialog) override {
        Dialog.setResult(QDialog::Rejected);
        const bool curves = qobject_cast<TForm80*>(&Dialog) != nullptr;
        if (curves) {
            Dialog.show();
            if (!QTest::qWaitForWindowExposed(&Dialog)) ADD_FAILURE() << "dialog not shown";
            QApplication::processEvents();
        }
        if (User) User(Dialog);
        QApplication::processEvents();
        if (curves) Dialog.hide();
        return Dialog.result();
    }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString& Text, QMessageBox::Icon Icon,
                                            QMessageBox::StandardButtons) override {
        Messages.push_back({Text, Icon});
        return Answer;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl&) override {}
};

// The table of a curve from (0, 255) to (255, 127): output 128 at the top,
// T[v] = 255 - N(255 - 128 v / 255) below.
constexpr int kLowered[][2] = {{0, 0}, {51, 26}, {100, 50}, {200, 100}, {255, 128}};

int lowered(int V) {
    for (const auto& c : kLowered)
        if (c[0] == V) return c[1];
    ADD_FAILURE() << "no worked value for " << V;
    return -1;
}

// ---------------------------------------------------------------- the table

struct TableCase {
    const char* What;
    Points Control;
    std::vector<TlxPoint> Polyline;
    std::vector<std::pair<int, int>> Expected; // level, output
};

class CurveTableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(CurveTableTest, OutputsMatchTheWorkedValues) {
    const TableCase& c = GetParam();
    const CurveTable t = BuildCurveTable(c.Control, c.Polyline);
    for (const auto& [level, out] : c.Expected)
        EXPECT_EQ(int(t[size_t(level)]), out) << c.What << " at level " << level;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedCurves, CurveTableTest,
    ::testing::Values(
        // Straight from (0, 255) to (255, 127): 255 - N(255 - 128 i / 255).
        TableCase{"lowered top", {{0, 255}, {255, 127}}, {}, {{0, 0}, {51, 26}, {100, 50}, {200, 100}, {255, 128}}},
        // First point at X = 40, output 55: every level up to 40 gives 55;
        // 100 gives 255 - N(200 - 60 / 215 * 200) = 255 - N(144.19) = 111.
        TableCase{"first point at 40", {{40, 200}, {255, 0}}, {}, {{0, 55}, {20, 55}, {39, 55}, {40, 55}, {100, 111}, {255, 255}}},
        // Last point at X = 200: every level from 200 on gives its output 10.
        TableCase{"last point at 200", {{0, 255}, {200, 245}}, {}, {{199, 10}, {200, 10}, {230, 10}, {255, 10}}},
        // (0, 255) to (4, 253): level 1 is at 254.5 and level 3 at 253.5;
        // halves go to the even neighbour, 254 both times.
        TableCase{"halves to even", {{0, 255}, {4, 253}}, {}, {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}}},
        // Three points along a given polyline: (0,255)-(50,150) at 25 is
        // 202.5 -> 202; (50,150)-(100,100) at 75 is 125; (100,100)-(255,0)
        // at 200 is 100 - 100 * 100 / 155 = 35.48 -> 35; the control point
        // (100, 100) is written exactly.
        TableCase{"polyline segments",
                  {{0, 255}, {100, 100}, {255, 0}},
                  {{0, 255}, {50, 150}, {100, 100}, {255, 0}},
                  {{0, 0}, {25, 53}, {50, 105}, {75, 130}, {100, 155}, {200, 220}, {255, 255}}},
        // A polyline beyond the square is clamped: (0,255)-(10,-20) at 5 is
        // 117.5 -> 118; -20 and (10,-20)-(20,0) at 15 (-10) clamp to 0.
        TableCase{"clamped polyline",
                  {{0, 255}, {20, 0}, {255, 0}},
                  {{0, 255}, {10, -20}, {20, 0}, {255, 0}},
                  {{5, 137}, {10, 255}, {15, 255}, {20, 255}}},
        // A vertical step (10, 100)-(10, 51) gives 255 - 151 div 2 = 180;
        // levels no segment reaches (11..19) keep their own value.
        TableCase{"vertical step and gap",
                  {{0, 255}, {5, 250}, {20, 51}},
                  {{0, 255}, {10, 100}, {10, 51}},
                  {{5, 5}, {10, 180}, {11, 11}, {19, 19}, {20, 204}, {255, 204}}}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return "case" + std::to_string(info.index); });

TEST(CurveTableBasicsTest, TheIdentityAndTooFewPoints) {
    const CurveTable identity = BuildCurveTable({{0, 255}, {255, 0}}, {});
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(int(identity[size_t(i)]), i);
    EXPECT_EQ(BuildCurveTable({{0, 0}}, {}), IdentityCurveTable());
    EXPECT_EQ(BuildCurveTable({}, {{0, 0}, {255, 255}}), IdentityCurveTable());
}

// ---------------------------------------------------------------- preset file

int32_t int32At(const QByteArray& B, int At) {
    int32_t v;
    std::memcpy(&v, B.constData() + At, 4); // the test machine is little-endian
    return v;
}

TCurvePreset samplePreset() {
    TCurvePreset p;
    p.Points = {{0, 255}, {128, 64}, {255, 0}};
    for (int i = 0; i < 256; ++i)
        p.Table[size_t(i)] = uint8_t(255 - i);
    return p;
}

TEST(CurvePresetFileTest, BytesLieAtTheirOffsets) {
    const QByteArray b = EncodeCurvePreset(samplePreset());
    ASSERT_EQ(b.size(), 1074);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(b.mid(1, 3), QByteArray("CVE"));
    EXPECT_EQ(uint8_t(b[4]), 0x00); // 256, little-endian
    EXPECT_EQ(uint8_t(b[5]), 0x01);
    EXPECT_EQ(int32At(b, 6), 3);
    const int expected[][2] = {{0, 255}, {128, 64}, {255, 0}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(int32At(b, 10 + 8 * k), expected[k][0]) << k;
        EXPECT_EQ(int32At(b, 14 + 8 * k), expected[k][1]) << k;
    }
    for (int at = 10 + 3 * 8; at < 818; ++at)
        ASSERT_EQ(b[at], 0) << "unused point byte " << at;
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(uint8_t(b[818 + i]), 255 - i) << i;
}

TEST(CurvePresetFileTest, WritingAndReadingGiveTheSamePresetAndBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Warm.cve"));
    QString error;
    ASSERT_TRUE(WriteCurvePreset(path, QStringLiteral("Warm"), samplePreset(), &error))
        << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), EncodeCurvePreset(samplePreset()));
    TCurvePreset back;
    ASSERT_TRUE(ReadCurvePreset(path, QStringLiteral("Warm"), back, &error));
    EXPECT_TRUE(same(back.Points, samplePreset().Points)) << show(back.Points);
    EXPECT_EQ(back.Table, samplePreset().Table);
}

struct HostileCase {
    const char* What;
    std::function<void(QByteArray&)> Spoil;
    int Message; // the program string the user is told
};

class HostilePresetTest : public ::testing::TestWithParam<HostileCase> {};

void putInt32(QByteArray& B, int At, int32_t V) {
    std::memcpy(B.data() + At, &V, 4);
}

TEST_P(HostilePresetTest, IsRefusedWithAMessageAndChangesNothing) {
    const HostileCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray bytes = EncodeCurvePreset(samplePreset());
    c.Spoil(bytes);
    const QString path = dir.filePath(QStringLiteral("Bad.cve"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    TCurvePreset preset;
    preset.Points = {{1, 2}, {3, 4}};
    preset.Table.fill(7);
    QString error;
    EXPECT_FALSE(ReadCurvePreset(path, QStringLiteral("Bad"), preset, &error)) << c.What;
    EXPECT_EQ(error, ProgramText(c.Message).arg(QStringLiteral("Bad"))) << c.What;
    EXPECT_TRUE(same(preset.Points, {{1, 2}, {3, 4}})) << c.What;
    EXPECT_EQ(preset.Table[0], 7) << c.What;
}

INSTANTIATE_TEST_SUITE_P(
    Spoiled, HostilePresetTest,
    ::testing::Values(
        HostileCase{"empty", [](QByteArray& b) { b.clear(); }, PsCurvePresetNotThisKind},
        HostileCase{"one byte short", [](QByteArray& b) { b.chop(1); }, PsCurvePresetNotThisKind},
        HostileCase{"one byte long", [](QByteArray& b) { b.append('\0'); }, PsCurvePresetNotThisKind},
        HostileCase{"name length", [](QByteArray& b) { b[0] = 4; }, PsCurvePresetNotThisKind},
        HostileCase{"name", [](QByteArray& b) { b[3] = 'F'; }, PsCurvePresetNotThisKind},
        HostileCase{"version", [](QByteArray& b) { b[5] = 0x02; }, PsCurvePresetNotThisKind},
        HostileCase{"one point", [](QByteArray& b) { putInt32(b, 6, 1); }, PsCurvePresetBadPoints},
        HostileCase{"102 points", [](QByteArray& b) { putInt32(b, 6, 102); }, PsCurvePresetBadPoints},
        HostileCase{"negative count", [](QByteArray& b) { putInt32(b, 6, -1); }, PsCurvePresetBadPoints},
        HostileCase{"unsorted", [](QByteArray& b) { putInt32(b, 18, 255); }, PsCurvePresetBadPoints},
        HostileCase{"equal X", [](QByteArray& b) { putInt32(b, 18, 0); }, PsCurvePresetBadPoints},
        HostileCase{"X beyond 255", [](QByteArray& b) { putInt32(b, 26, 256); }, PsCurvePresetBadPoints},
        HostileCase{"negative Y", [](QByteArray& b) { putInt32(b, 22, -1); }, PsCurvePresetBadPoints}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return "case" + std::to_string(info.index); });

TEST(CurvePresetFileTest, AMissingFileOrAFolderCannotBeRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TCurvePreset preset;
    QString error;
    EXPECT_FALSE(ReadCurvePreset(dir.filePath(QStringLiteral("none.cve")), QStringLiteral("none"),
                                 preset, &error));
    EXPECT_EQ(error, ProgramText(PsCurvePresetUnreadable).arg(QStringLiteral("none")));
    EXPECT_FALSE(ReadCurvePreset(dir.path(), QStringLiteral("dir"), preset, &error));
}

TEST(CurvePresetFileTest, ALinkIsNeverWrittenThrough) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("elsewhere.txt"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString link = dir.filePath(QStringLiteral("Warm.cve"));
    ASSERT_TRUE(QFile::link(target, link));
    QString error;
    EXPECT_FALSE(WriteCurvePreset(link, QStringLiteral("Warm"), samplePreset(), &error));
    EXPECT_EQ(error, ProgramText(PsCurvePresetIsLink).arg(QStringLiteral("Warm")));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep me"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST(CurvePresetFileTest, UnusablePointsAreNotWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TCurvePreset p = samplePreset();
    p.Points = {{10, 0}, {5, 0}};
    QString error;
    EXPECT_TRUE(EncodeCurvePreset(p).isEmpty());
    EXPECT_FALSE(WriteCurvePreset(dir.filePath(QStringLiteral("x.cve")), QStringLiteral("x"), p, &error));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("x.cve"))));
}

// ---------------------------------------------------------------- editing

// Sends a mouse step to the editing square at square coordinates.
void mouse(QWidget* Box, QEvent::Type Type, int X, int Y) {
    const QPointF at(X, Y);
    const Qt::MouseButton button = Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(Type, at, Box->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(Box, &e);
}

void click(QWidget* Box, int X, int Y) {
    mouse(Box, QEvent::MouseButtonPress, X, Y);
    mouse(Box, QEvent::MouseButtonRelease, X, Y);
}

void drag(QWidget* Box, int X0, int Y0, int X1, int Y1) {
    mouse(Box, QEvent::MouseButtonPress, X0, Y0);
    mouse(Box, QEvent::MouseMove, (X0 + X1) / 2, (Y0 + Y1) / 2);
    mouse(Box, QEvent::MouseMove, X1, Y1);
    mouse(Box, QEvent::MouseButtonRelease, X1, Y1);
}

class TForm80EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_unique<TForm80>(services);
        ASSERT_TRUE(dialog->PluginReady());
        ASSERT_TRUE(services.Messages.empty());
        dialog->SetContourMode(true);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        box = child<QWidget>(*dialog, "CurveBox");
    }
    TCurveServices services;
    std::unique_ptr<TForm80> dialog;
    QWidget* box = nullptr;
};

TEST_F(TForm80EditTest, StartsAsTheIdentity) {
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 0}}));
    dialog->BuildTable();
    EXPECT_EQ(dialog->Table(), IdentityCurveTable());
}

struct PressCase {
    int X;
    Points After;
    int Selected;
};

TEST_F(TForm80EditTest, APressWithinSixPixelsMovesThePointElseAddsOne) {
    const PressCase cases[] = {
        {6, {{6, 100}, {255, 0}}, 0},              // 6 right of the first point
        {7, {{0, 255}, {7, 100}, {255, 0}}, 1},    // 7 right: a new point
        {249, {{0, 255}, {249, 100}}, 1},          // 6 left of the last point
        {248, {{0, 255}, {248, 100}, {255, 0}}, 1}, // 7 left: a new point
    };
    for (const PressCase& c : cases) {
        dialog->SetPoints({{0, 255}, {255, 0}});
        click(box, c.X, 100);
        EXPECT_TRUE(same(dialog->Points(), c.After)) << c.X << ": " << show(dialog->Points());
        EXPECT_EQ(dialog->SelectedPoint(), c.Selected) << c.X;
    }
    // Near a middle point from either side.
    dialog->SetPoints({{0, 255}, {100, 100}, {255, 0}});
    click(box, 106, 90);
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {106, 90}, {255, 0}})) << show(dialog->Points());
    click(box, 100, 80);
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {100, 80}, {255, 0}})) << show(dialog->Points());
    click(box, 94, 70); // left of it: the last point at or before 94 is the first, 94 is 6 from 100
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {94, 70}, {255, 0}})) << show(dialog->Points());
}

TEST_F(TForm80EditTest, DraggingKeepsEightLevelsFromTheNeighbours) {
    dialog->SetPoints({{0, 255}, {128, 128}, {255, 0}});
    drag(box, 128, 128, 2, -40);
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {8, 0}, {255, 0}})) << show(dialog->Points());
    drag(box, 8, 0, 300, 300);
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {247, 255}, {255, 0}})) << show(dialog->Points());
    // The ends go to the edges of the square but stay clear of the others.
    drag(box, 0, 255, -20, 120);
    EXPECT_TRUE(same(dialog->Points(), {{0, 120}, {247, 255}, {255, 0}})) << show(dialog->Points());
}

TEST_F(TForm80EditTest, TheFirstAndLastPointCannotBeDeleted) {
    dialog->SetPoints({{0, 255}, {60, 200}, {120, 100}, {255, 0}});
    for (const int x : {0, 255}) {
        click(box, x, 50);
        QTest::keyClick(box, Qt::Key_Delete);
        EXPECT_EQ(dialog->Points().size(), 4u) << x;
    }
    click(box, 120, 100);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_TRUE(same(dialog->Points(), {{0, 50}, {60, 200}, {255, 50}})) << show(dialog->Points());
    // The selection stays at index 2, now the last point: moved to the last
    // but one.
    EXPECT_EQ(dialog->SelectedPoint(), 1);
    click(box, 60, 200);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_TRUE(same(dialog->Points(), {{0, 50}, {255, 50}}));
}

TEST_F(TForm80EditTest, TheLevelBoxesSetTheSelectedPoint) {
    dialog->SetPoints({{0, 255}, {100, 100}, {255, 0}});
    click(box, 100, 100);
    auto* input = child<QLineEdit>(*dialog, "InputEdit");
    auto* output = child<QLineEdit>(*dialog, "OutputEdit");
    EXPECT_EQ(input->text(), QStringLiteral("100"));
    EXPECT_EQ(output->text(), QStringLiteral("155"));

    output->selectAll();
    QTest::keyClicks(output, QStringLiteral("200"));
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {100, 55}, {255, 0}})) << show(dialog->Points());
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("300")); // past the last point less 8
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {247, 55}, {255, 0}})) << show(dialog->Points());
    // Letters are not taken; the point stays.
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("ab"));
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {247, 55}, {255, 0}})) << show(dialog->Points());
    // Delete while typing edits the text, not the curve.
    input->setText(QStringLiteral("12"));
    input->setCursorPosition(0);
    QTest::keyClick(input, Qt::Key_Delete);
    EXPECT_EQ(dialog->Points().size(), 3u);
}

TEST_F(TForm80EditTest, ResetGivesTheIdentityAgain) {
    drag(box, 255, 0, 255, 127);
    dialog->BuildTable();
    EXPECT_EQ(int(dialog->Table()[100]), 50);
    child<QPushButton>(*dialog, "ResetButton")->click();
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 0}}));
    dialog->BuildTable();
    EXPECT_EQ(dialog->Table(), IdentityCurveTable());
}

// Points 0, 3, ..., 147 and 255: 51 points with room for another.
Points fiftyOnePoints() {
    Points p;
    for (int x = 0; x <= 147; x += 3)
        p.push_back({x, 255 - x});
    p.push_back({255, 0});
    return p;
}

TEST_F(TForm80EditTest, AContourTakesNoFiftySecondPoint) {
    dialog->SetPoints(fiftyOnePoints());
    ASSERT_EQ(dialog->Points().size(), 51u);
    click(box, 200, 30);
    EXPECT_EQ(dialog->Points().size(), 51u);
    // Fifty-two points given at once are refused as a whole.
    Points many;
    for (int x = 0; x <= 255; x += 5)
        many.push_back({x, 255 - x});
    ASSERT_EQ(many.size(), 52u);
    dialog->SetPoints(many);
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 0}}));
    // Outside contour mode the same press adds the point.
    dialog->SetContourMode(false);
    dialog->SetPoints(fiftyOnePoints());
    click(box, 200, 30);
    EXPECT_EQ(dialog->Points().size(), 52u);
}

// ---------------------------------------------------------------- plug-in

TEST(TForm80PluginTest, AMissingPluginIsReportedAndTheDialogNeverAccepts) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    TCurveServices services;
    TForm80 dialog(services, empty.path());
    EXPECT_FALSE(dialog.PluginReady());
    ASSERT_EQ(services.Messages.size(), 1u);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsCurvePluginMissing));
    EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Critical);
    // Shown, it closes at once with Cancel; OK is refused.
    dialog.show();
    QApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.setResult(QDialog::Rejected);
    child<QPushButton>(dialog, "BitBtn1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(TForm80PluginTest, ABrokenPluginGivesTheSecondMessage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile f(dir.filePath(QStringLiteral("curveDLL.so")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a library");
    }
    TCurveServices services;
    TForm80 dialog(services, dir.path());
    EXPECT_FALSE(dialog.PluginReady());
    ASSERT_EQ(services.Messages.size(), 1u);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsCurvePluginBroken));
    EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Critical);
}

// ---------------------------------------------------------------- adjustment

// An 8 x 4 document with a 4 x 1 layer at (2, 1): three pixels of red 100,
// green 51, blue 200, and a black one.
class TForm80AdjustTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = std::make_unique<TlxImageVcl>();
        ASSERT_TRUE(doc->NewImage(true, lxRGB(255, 255, 255), 24, 8, 4));
        QImage picture(4, 1, QImage::Format_RGB32);
        for (int x = 0; x < 3; ++x)
            picture.setPixel(x, 0, qRgb(100, 51, 200));
        picture.setPixel(3, 0, qRgb(0, 0, 0));
        ASSERT_TRUE(doc->AddBitmapLayer(picture));
        layer = doc->CurrLayerID;
        doc->Layers[size_t(layer)].Left = 2;
        doc->Layers[size_t(layer)].Top = 1;
        ASSERT_TRUE(doc->ReDraw());
        dialog = std::make_unique<TForm80>(services);
        ASSERT_TRUE(dialog->PluginReady());
    }

    // Selection values 255, 128, 0 and 64 over the layer's four pixels.
    void select() {
        doc->SelBitmap = QImage(8, 4, QImage::Format_Grayscale8);
        doc->SelBitmap.fill(0);
        const uint8_t values[] = {255, 128, 0, 64};
        for (int x = 0; x < 4; ++x)
            doc->SelBitmap.scanLine(1)[2 + x] = values[x];
        doc->SelLeft = 0;
        doc->SelTop = 0;
        doc->HasSelection = true;
    }

    void open() {
        dialog->SetTarget({doc.get(), layer, [this] { ++recomposed; }});
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        box = child<QWidget>(*dialog, "CurveBox");
    }

    // The layer's pixel x as (red, green, blue).
    std::array<int, 3> pixel(int X) const {
        const uint8_t* p = doc->Layers[size_t(layer)].Bitmap.constScanLine(0) + 3 * X;
        return {p[2], p[1], p[0]};
    }

    void channel(int Index) {
        auto* box = child<QComboBox>(*dialog, "ChannelBox");
        while (box->currentIndex() < Index)
            QTest::keyClick(box, Qt::Key_Down);
        while (box->currentIndex() > Index)
            QTest::keyClick(box, Qt::Key_Up);
        ASSERT_EQ(box->currentIndex(), Index);
    }

    // The curve through (0, 255) and (255, 127).
    void lowerTop() { drag(box, 255, 0, 255, 127); }

    TCurveServices services;
    std::unique_ptr<TlxImageVcl> doc;
    int layer = 0;
    std::unique_ptr<TForm80> dialog;
    QWidget* box = nullptr;
    int recomposed = 0;
};

using RGB = std::array<int, 3>;
const RGB kSource{100, 51, 200};

TEST_F(TForm80AdjustTest, TheWholeLayerFollowsTheCurveAsItIsEdited) {
    open();
    const int before = recomposed;
    lowerTop();
    EXPECT_GT(recomposed, before);
    const RGB curved{lowered(100), lowered(51), lowered(200)}; // 50, 26, 100
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(pixel(x), curved) << x;
    EXPECT_EQ(pixel(3), (RGB{0, 0, 0}));
    EXPECT_TRUE(dialog->Applied());
    child<QPushButton>(*dialog, "BitBtn1")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(pixel(0), curved);
    // The untouched copy is still the picture as it was.
    const QImage original = dialog->OriginalPicture();
    EXPECT_EQ(original.pixel(0, 0), qRgb(100, 51, 200));
}

TEST_F(TForm80AdjustTest, InsideTheSelectionTheCurveIsWeightedBySelectionValue) {
    select();
    open();
    QTest::keyClick(child<QComboBox>(*dialog, "RangeBox"), Qt::Key_Down);
    ASSERT_EQ(child<QComboBox>(*dialog, "RangeBox")->currentIndex(), 1);
    lowerTop();
    // Curved (50, 26, 100); N(curved s / 255 + (1 - s / 255) source):
    // s = 128: 25.10 + 49.80 = 74.90, 13.05 + 25.40 = 38.45, 50.20 + 99.61 = 149.80.
    // The black pixel under s = 64 stays black (curve of 0 is 0).
    EXPECT_EQ(pixel(0), (RGB{50, 26, 100}));
    EXPECT_EQ(pixel(1), (RGB{75, 38, 150}));
    EXPECT_EQ(pixel(2), kSource);
    EXPECT_EQ(pixel(3), (RGB{0, 0, 0}));
    // Each application starts from the untouched picture: back to the
    // identity, every pixel is its old self (a second weighting on top of
    // the first would leave pixel 1 at 88, 44, 175).
    child<QPushButton>(*dialog, "ResetButton")->click();
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(pixel(x), kSource) << x;
    EXPECT_FALSE(dialog->Applied());
}

TEST_F(TForm80AdjustTest, WithoutASelectionOnlyTheWholeLayerCanBeChosen) {
    open();
    auto* range = child<QComboBox>(*dialog, "RangeBox");
    QTest::keyClick(range, Qt::Key_Down);
    EXPECT_EQ(range->currentIndex(), 0);
}

TEST_F(TForm80AdjustTest, EachChannelKeepsItsCurveAndLuminanceNeverMixesWithColours) {
    open();
    lowerTop(); // luminance
    const Points lum = dialog->Points();
    ASSERT_TRUE(same(lum, {{0, 255}, {255, 127}}));
    EXPECT_EQ(pixel(0), (RGB{50, 26, 100}));

    channel(1); // red: its own identity curve, the luminance curve off
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 0}}));
    EXPECT_EQ(pixel(0), kSource);
    lowerTop();
    EXPECT_EQ(pixel(0), (RGB{50, 51, 200}));

    channel(2); // green shown, red kept
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 0}}));
    EXPECT_EQ(pixel(0), (RGB{50, 51, 200}));
    drag(box, 255, 0, 255, 127);
    EXPECT_EQ(pixel(0), (RGB{50, 26, 200}));

    channel(0); // luminance alone again
    EXPECT_TRUE(same(dialog->Points(), lum));
    EXPECT_EQ(pixel(0), (RGB{50, 26, 100}));

    channel(1);
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 127}}));
    EXPECT_EQ(pixel(0), (RGB{50, 26, 200}));
    EXPECT_EQ(dialog->ChannelTable(3), IdentityCurveTable());
}

TEST_F(TForm80AdjustTest, CancelPutsThePixelsBackAndShowsThem) {
    open();
    lowerTop();
    ASSERT_EQ(pixel(0), (RGB{50, 26, 100}));
    const int before = recomposed;
    child<QPushButton>(*dialog, "BitBtn2")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(pixel(x), kSource) << x;
    EXPECT_FALSE(dialog->Applied());
    EXPECT_GT(recomposed, before);
}

// A bar of the histogram: rows from the bottom up in the darkened face
// colour, the rest in the face colour.
void expectBar(const QImage& H, int X, int Height, QRgb Face, QRgb Bar) {
    for (int y = 0; y < H.height(); ++y) {
        const bool inBar = y >= H.height() - Height;
        ASSERT_EQ(H.pixel(X, y), inBar ? Bar : Face) << "column " << X << " row " << y;
    }
}

TEST_F(TForm80AdjustTest, TheHistogramShowsTheChannelScaledToItsLargestBin) {
    open();
    const QColor face = dialog->palette().color(QPalette::Button);
    const QRgb faceRgb = face.rgb();
    const QRgb barRgb = qRgb(std::max(face.red() - 15, 0), std::max(face.green() - 15, 0),
                             std::max(face.blue() - 15, 0));
    const QImage h = dialog->HistogramPicture();
    ASSERT_EQ(h.size(), QSize(256, 256));
    // Luminance of (100, 51, 200): (29900 + 29937 + 22800) div 1000 = 82,
    // three pixels; black one. Heights N(count * 246 / 3).
    expectBar(h, 82, 246, faceRgb, barRgb);
    expectBar(h, 0, 82, faceRgb, barRgb);
    expectBar(h, 1, 0, faceRgb, barRgb);
    expectBar(h, 100, 0, faceRgb, barRgb);
    channel(3); // blue: 200 three times
    expectBar(dialog->HistogramPicture(), 200, 246, faceRgb, barRgb);
    expectBar(dialog->HistogramPicture(), 82, 0, faceRgb, barRgb);
}

TEST_F(TForm80AdjustTest, WithASelectionTheHistogramCountsTheSelectedPixels) {
    select();
    open();
    const QColor face = dialog->palette().color(QPalette::Button);
    const QRgb barRgb = qRgb(std::max(face.red() - 15, 0), std::max(face.green() - 15, 0),
                             std::max(face.blue() - 15, 0));
    // Pixels 0 and 1 (level 82) and the black one are selected: 2 and 1,
    // heights 246 and N(123).
    expectBar(dialog->HistogramPicture(), 82, 246, face.rgb(), barRgb);
    expectBar(dialog->HistogramPicture(), 0, 123, face.rgb(), barRgb);
}

// ---------------------------------------------------------------- presets

class TForm80PresetTest : public TForm80AdjustTest {
protected:
    void SetUp() override {
        TForm80AdjustTest::SetUp();
        ASSERT_TRUE(shipped.isValid() && user.isValid());
        dialog->SetPresetFolders(shipped.filePath(QStringLiteral("Curve")),
                                 user.filePath(QStringLiteral("Curve")));
        open();
        list = child<QListWidget>(*dialog, "PresetList");
    }

    // Saves the current curve under Name through the name prompt.
    void save(const QString& Name) {
        services.User = [Name](QDialog& D) {
            auto* ask = qobject_cast<QInputDialog*>(&D);
            ASSERT_NE(ask, nullptr);
            EXPECT_EQ(ask->windowTitle(), ProgramText(PsCurveSaveCaption));
            EXPECT_EQ(ask->labelText(), ProgramText(PsCurvePresetPrompt));
            ask->setTextValue(Name);
            ask->accept();
        };
        child<QPushButton>(*dialog, "SavePresetButton")->click();
        services.User = nullptr;
    }

    void load(const QString& Name) {
        const auto items = list->findItems(Name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << Name.toStdString();
        const QRect r = list->visualItemRect(items.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        ASSERT_EQ(list->currentItem(), items.front());
        child<QPushButton>(*dialog, "LoadPresetButton")->click();
    }

    QString shippedFile(const QString& Name) const {
        return shipped.filePath(QStringLiteral("Curve/") + Name + QStringLiteral(".cve"));
    }

    void writeFile(const QString& Path, const QByteArray& Bytes) {
        QDir().mkpath(QFileInfo(Path).path());
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(Bytes), Bytes.size());
    }

    QTemporaryDir shipped;
    QTemporaryDir user;
    QListWidget* list = nullptr;
};

TEST_F(TForm80PresetTest, ASavedCurveIsListedAndLoadsBack) {
    lowerTop();
    save(QStringLiteral("  Warm "));
    ASSERT_TRUE(services.Messages.empty());
    QFile f(shippedFile(QStringLiteral("Warm")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 1074);
    EXPECT_EQ(int32At(bytes, 6), 2);
    EXPECT_EQ(int32At(bytes, 18), 255);
    EXPECT_EQ(int32At(bytes, 22), 127);
    EXPECT_EQ(uint8_t(bytes[818 + 100]), 50); // the shown table
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Warm"));

    child<QPushButton>(*dialog, "ResetButton")->click();
    ASSERT_EQ(pixel(0), kSource);
    load(QStringLiteral("Warm"));
    EXPECT_TRUE(same(dialog->Points(), {{0, 255}, {255, 127}}));
    EXPECT_EQ(pixel(0), (RGB{50, 26, 100}));
}

TEST_F(TForm80PresetTest, ReplacingAsksFirstAndNoKeepsTheFile) {
    lowerTop();
    save(QStringLiteral("Warm"));
    const QByteArray first = EncodeCurvePreset({{{0, 255}, {255, 127}}, dialog->Table()});
    child<QPushButton>(*dialog, "ResetButton")->click();

    services.Answer = QMessageBox::No;
    save(QStringLiteral("Warm"));
    ASSERT_EQ(services.Messages.size(), 1u);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsCurveReplaceQuestion).arg(QStringLiteral("Warm")));
    EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Question);
    QFile f(shippedFile(QStringLiteral("Warm")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);
    f.close();

    services.Answer = QMessageBox::Yes;
    save(QStringLiteral("Warm"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray replaced = f.readAll();
    EXPECT_EQ(int32At(replaced, 22), 0);        // the identity's last point
    EXPECT_EQ(uint8_t(replaced[818 + 100]), 100); // and its table
}

TEST_F(TForm80PresetTest, TheSimplifiedQuestionIsThePrograms) {
    TLanguageScope scope(LangSimplified);
    EXPECT_EQ(ProgramText(PsCurveReplaceQuestion).arg(QStringLiteral("Warm")),
              QString::fromUtf16(u"名称为 Warm 的预设值已存在，是否要替换已存在的文件？"));
    // The plug-in messages are the engine's own words for the same fault.
    EXPECT_EQ(ProgramText(PsCurvePluginMissing),
              QString::fromUtf16(u"未找到“曲线插件”，请重新安装完整的《Quenlix图像处理系统》"));
    EXPECT_EQ(ProgramText(PsCurvePluginBroken),
              QString::fromUtf16(u"调入“曲线插件”，出错！请重新安装完整的《Quenlix图像处理系统》"));
}

TEST_F(TForm80PresetTest, BlankAndUnusableNamesSaveNothing) {
    save(QStringLiteral("   "));
    EXPECT_TRUE(services.Messages.empty());
    for (const char* name : {"../Evil", "a/b", "a\\b", "what?", ".."}) {
        services.Messages.clear();
        save(QString::fromLatin1(name));
        ASSERT_EQ(services.Messages.size(), 1u) << name;
        EXPECT_EQ(services.Messages[0].Text,
                  ProgramText(PsCurvePresetBadName).arg(QString::fromLatin1(name)));
    }
    EXPECT_TRUE(QDir(shipped.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(shipped.filePath(QStringLiteral("Curve"))));
    EXPECT_EQ(list->count(), 0);
}

TEST_F(TForm80PresetTest, AHostilePresetIsReportedAndNothingChanges) {
    QByteArray bytes = EncodeCurvePreset(samplePreset());
    putInt32(bytes, 6, 500);
    writeFile(shippedFile(QStringLiteral("Bad")), bytes);
    dialog->SetPresetFolders(shipped.filePath(QStringLiteral("Curve")),
                             user.filePath(QStringLiteral("Curve")));
    lowerTop();
    const Points before = dialog->Points();
    const int redraws = recomposed;
    load(QStringLiteral("Bad"));
    ASSERT_EQ(services.Messages.size(), 1u);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsCurvePresetBadPoints).arg(QStringLiteral("Bad")));
    EXPECT_TRUE(same(dialog->Points(), before));
    EXPECT_EQ(pixel(0), (RGB{50, 26, 100}));
    EXPECT_EQ(recomposed, redraws);
}

TEST_F(TForm80PresetTest, AnUnwritableProgramFolderSavesToTheUsersOwn) {
    // A file where the program's folder would be: nothing can be made there.
    writeFile(shipped.filePath(QStringLiteral("blocked")), "x");
    const QString blocked = shipped.filePath(QStringLiteral("blocked/Curve"));
    const QString own = user.filePath(QStringLiteral("Curve"));
    dialog->SetPresetFolders(blocked, own);
    EXPECT_EQ(dialog->PresetSaveFolder(), own);
    save(QStringLiteral("Mine"));
    EXPECT_TRUE(services.Messages.empty());
    EXPECT_TRUE(QFileInfo(own + QStringLiteral("/Mine.cve")).isFile());

    // Both folders are listed, sorted, a name in both once.
    QTemporaryDir other;
    const QString program = other.filePath(QStringLiteral("Curve"));
    writeFile(program + QStringLiteral("/zeta.cve"), EncodeCurvePreset(samplePreset()));
    writeFile(program + QStringLiteral("/Alpha.cve"), EncodeCurvePreset(samplePreset()));
    writeFile(program + QStringLiteral("/Mine.cve"), EncodeCurvePreset(samplePreset()));
    dialog->SetPresetFolders(program, own);
    EXPECT_EQ(dialog->PresetNames(),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("Mine"), QStringLiteral("zeta")}));
}

// ---------------------------------------------------------------- contour

TEST(EditContourTest, OkWritesThePointsAndTheTable) {
    TCurveServices services;
    TlxContour contour{};
    contour.PointCount = 3;
    contour.Points[0] = {0, 255};
    contour.Points[1] = {128, 64};
    contour.Points[2] = {255, 0};
    Points seen;
    bool channelHidden = false;
    services.User = [&](QDialog& D) {
        auto& dialog = static_cast<TForm80&>(D);
        seen = dialog.Points();
        channelHidden = !child<QComboBox>(D, "ChannelBox")->isVisible() &&
                        !child<QComboBox>(D, "RangeBox")->isVisible();
        QWidget* box = child<QWidget>(D, "CurveBox");
        // The middle point is removed, the last lowered to output 128.
        click(box, 128, 64);
        QTest::keyClick(box, Qt::Key_Delete);
        drag(box, 255, 0, 255, 127);
        child<QPushButton>(D, "BitBtn1")->click();
    };
    ASSERT_TRUE(EditContour(services, nullptr, contour));
    EXPECT_TRUE(same(seen, {{0, 255}, {128, 64}, {255, 0}}));
    EXPECT_TRUE(channelHidden);
    EXPECT_EQ(contour.UseContour, 1);
    ASSERT_EQ(contour.PointCount, 2);
    EXPECT_EQ(contour.Points[0].X, 0);
    EXPECT_EQ(contour.Points[0].Y, 255);
    EXPECT_EQ(contour.Points[1].X, 255);
    EXPECT_EQ(contour.Points[1].Y, 127);
    EXPECT_EQ(contour.Points[2].X, 0); // the old third point is cleared
    for (const auto& c : kLowered)
        EXPECT_EQ(int(contour.Table[c[0]]), c[1]) << c[0];
    EXPECT_EQ(contour.Table[256], contour.Table[255]);
}

TEST(EditContourTest, AnEmptyContourStartsAsTheIdentityAndCancelKeepsIt) {
    TCurveServices services;
    TlxContour contour{};
    std::memset(&contour, 0x5A, sizeof contour);
    contour.PointCount = 1;
    const TlxContour before = contour;
    Points seen;
    services.User = [&](QDialog& D) {
        seen = static_cast<TForm80&>(D).Points();
        drag(child<QWidget>(D, "CurveBox"), 255, 0, 255, 127);
        child<QPushButton>(D, "BitBtn2")->click();
    };
    EXPECT_FALSE(EditContour(services, nullptr, contour));
    EXPECT_TRUE(same(seen, {{0, 255}, {255, 0}}));
    EXPECT_EQ(std::memcmp(&contour, &before, sizeof contour), 0);

    services.User = [](QDialog& D) { child<QPushButton>(D, "BitBtn1")->click(); };
    ASSERT_TRUE(EditContour(services, nullptr, contour));
    EXPECT_EQ(contour.PointCount, 2);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(int(contour.Table[i]), i);
    EXPECT_EQ(contour.Table[256], 255);
}

TEST(EditContourTest, APresetWithTooManyPointsForAContourIsRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TCurvePreset many;
    for (int x = 0; x <= 255; x += 5)
        many.Points.push_back({x, 255 - x});
    many.Table = IdentityCurveTable();
    QDir().mkpath(dir.filePath(QStringLiteral("Curve")));
    QString error;
    ASSERT_TRUE(WriteCurvePreset(dir.filePath(QStringLiteral("Curve/Many.cve")), QStringLiteral("Many"),
                                 many, &error));
    TCurveServices services;
    TForm80 dialog(services);
    dialog.SetContourMode(true);
    dialog.SetPresetFolders(dir.filePath(QStringLiteral("Curve")), QString());
    services.User = [&](QDialog& D) {
        auto* list = child<QListWidget>(D, "PresetList");
        ASSERT_EQ(list->count(), 1);
        list->setCurrentRow(0);
        child<QPushButton>(D, "LoadPresetButton")->click();
        child<QPushButton>(D, "BitBtn1")->click();
    };
    ASSERT_EQ(services.RunModal(dialog), QDialog::Accepted);
    ASSERT_EQ(services.Messages.size(), 1u);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsCurvePresetTooManyPoints)
                                             .arg(QStringLiteral("Many"))
                                             .arg(52)
                                             .arg(51));
    EXPECT_TRUE(same(dialog.Points(), {{0, 255}, {255, 0}}));
}

// ---------------------------------------------------------------- layout

TEST(TForm80LayoutTest, EveryCaptionFitsInEveryLanguageAndMode) {
    for (const int base : {LangSimplified, LangTraditional, LangEnglish}) {
        TLanguageScope scope(base);
        for (const bool contour : {false, true}) {
            TCurveServices services;
            TForm80 dialog(services);
            dialog.SetContourMode(contour);
            EXPECT_EQ(dialog.windowTitle(), ProgramText(PsCurveCaption));
            expectTidyFixedLayout(dialog, std::string(languageName(base)) + (contour ? " contour" : ""));
        }
    }
}

} // namespace
