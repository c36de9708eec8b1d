// The gradient definitions file: the default definitions, reading hostile
// files within bounds, finding and appending definitions without losing
// what was there, never writing through a link, and fitting a gradient to
// fewer stops.

#include "gradient_definitions.h"
#include "lxreadwrite.h"
#include "lxGradient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QWidget>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

class GradientFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const char* Name = "Colors.ini") const { return dir.filePath(QString::fromLatin1(Name)); }

    static void writeAll(const QString& Path, const QByteArray& Bytes) {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(Bytes), Bytes.size());
    }
    static QByteArray readAll(const QString& Path) {
        QFile f(Path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString defaultFile() {
        const QString path = file();
        EXPECT_TRUE(EnsureGradientFile(path));
        return path;
    }
};

TColorlistSrcd stops(std::initializer_list<std::pair<uint32_t, double>> List) {
    TColorlistSrcd s;
    for (const auto& [color, length] : List)
        s.Stops.push_back({color, 0, length});
    s.Count = int(s.Stops.size());
    return s;
}

// The definitions of the default file as the table gives them: colour and
// length value of each stop.
struct TableStop {
    uint32_t Color;
    int Length;
};
const std::vector<std::vector<TableStop>>& defaultTable() {
    static const std::vector<std::vector<TableStop>> table = [] {
        std::vector<std::vector<TableStop>> t = {
            {{0x000000, 10000}, {0xFFFFFF, 10000}},
            {{0x0000FF, 5000}, {0x00FF00, 5000}, {0xFF0000, 5000}},
            {{0x000000, 2500}, {0x0000FF, 2500}, {0x00FF00, 2500}, {0xFF0000, 2500}, {0x000000, 2500}},
            {{0x1900E1, 10000}, {0x1B6000, 10000}},
            {{0x590A29, 10000}, {0x007CFF, 10000}},
            {{0xB2000A, 5000}, {0x0000FF, 5000}, {0x00FCFF, 5000}},
            {{0xB8010B, 5000}, {0x03FAFD, 5000}, {0xAA020B, 5000}},
            {{0x026EFF, 5000}, {0x00FFFF, 5000}, {0x006DFF, 5000}},
            {{0xB8010B, 2500}, {0xB8010B, 2500}, {0x03FAFD, 2500}, {0xAA020B, 2500}, {0xAA020B, 2500}},
            {{0x026EFF, 2500}, {0x026EFF, 2500}, {0x00FFFF, 2500}, {0x006DFF, 2500}, {0x006DFF, 2500}},
            {{0xCC8929, 5000}, {0xFFFFFF, 200}, {0x006A90, 1200}, {0x009FD9, 3600}, {0xFFFFFF, 5000}},
            {{0x0000FF, 1500}, {0xFF00FF, 1800}, {0xFF0000, 1600}, {0xFFFF00, 1800}, {0x00FF00, 1700},
             {0x00FFFF, 1600}, {0x0000FF, 1500}},
            {{0x6C156F, 5000}, {0x1B6000, 5000}, {0x007CFD, 0}},
            {{0x00E6F9, 500}, {0x00E6F9, 3000}, {0x6C156F, 3000}, {0x007CFD, 3000}, {0x742800, 500},
             {0xFFFFFF, 0}},
            {{0x1A4697, 3000}, {0xC5D8FB, 5300}, {0x162E6C, 1700}, {0x69DBEF, 0}},
            {{0x0000FF, 2000}, {0x00FCFF, 2000}, {0x39B401, 2000}, {0xFFEA00, 2000}, {0x900200, 2000},
             {0xC600FF, 0}},
            {}, // 17: filled below
            {{0x000000, 140}, {0x3D3D3D, 360}, {0x656565, 3500}, {0xFAFAFA, 1000}, {0xFFFFFF, 1000},
             {0xFAFAFA, 3500}, {0x656565, 360}, {0x3D3D3D, 140}, {0x000000, 0}},
            {{0x000000, 1500}, {0x000000, 7000}, {0xFFFFFF, 1500}, {0xFFFFFF, 0}},
            {{0x00FFFF, 10000}, {0x0000FF, 10000}},
            {{0x6B4D22, 1400}, {0xCC8929, 3600}, {0xFFFAE9, 1100}, {0x01445D, 800}, {0x009FD9, 3100},
             {0xE1F5FC, 0}},
            {{0x1A4697, 3000}, {0xC5D8FB, 5300}, {0x162E6C, 1700}, {0xCDDBEF, 0}},
            {{0xB25D1E, 2500}, {0xF4E9E7, 2500}, {0xB25D1E, 2500}, {0xF4EBE9, 2500}, {0xB25D1E, 0}},
            {{0xE0F4FF, 1100}, {0x93592C, 1100}, {0x5100C2, 1100}, {0xE0F4FF, 1100}, {0x93592C, 1100},
             {0x5100C2, 1200}, {0xE0F4FF, 1100}, {0x93592C, 1100}, {0x5100C2, 1100}, {0xE0F4FF, 0}},
            {{0x0096FB, 1900}, {0x00D2FF, 1760}, {0x00EFFF, 1340}, {0xFFFFFF, 1100}, {0x00EFFF, 1800},
             {0x00D2FF, 2100}, {0x00A1FF, 0}},
        };
        // 21 stops from black, alternating with white, each 500 but the last.
        for (int k = 0; k < 21; ++k)
            t[16].push_back({k % 2 == 0 ? 0x000000u : 0xFFFFFFu, k < 20 ? 500 : 0});
        return t;
    }();
    return table;
}

} // namespace

TEST_F(GradientFileTest, TheDefaultFileHoldsTheTwentyFiveDefinitionsOfTheTable) {
    const QString path = defaultFile();
    // Written from the resource byte for byte.
    QFile resource(QStringLiteral(":/custom/1001"));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_EQ(readAll(path), resource.readAll());

    const auto& table = defaultTable();
    ASSERT_EQ(table.size(), 25u);
    EXPECT_EQ(ReadIniInt("Application", "Count", -1, path), 25);
    const TGradientList list = LoadGradientDefinitions(path);
    ASSERT_EQ(list.size(), 25u);
    for (size_t d = 0; d < table.size(); ++d) {
        SCOPED_TRACE("definition " + std::to_string(d + 1));
        const QString section = QString::number(d + 1);
        // The file itself, key by key, through the general reader.
        ASSERT_EQ(ReadIniInt(section, "Count", -1, path), int(table[d].size()));
        ASSERT_EQ(list[d].Count, int(table[d].size()));
        ASSERT_EQ(list[d].Stops.size(), table[d].size());
        for (size_t k = 0; k < table[d].size(); ++k) {
            const QString key = QString::number(k + 1);
            EXPECT_EQ(uint32_t(ReadIniInt(section, "Color" + key, -1, path)), table[d][k].Color) << k;
            EXPECT_EQ(ReadIniInt(section, "Length" + key, -1, path), table[d][k].Length) << k;
            EXPECT_EQ(list[d].Stops[k].Color, table[d][k].Color) << k;
            EXPECT_DOUBLE_EQ(list[d].Stops[k].Length, table[d][k].Length / 10000.0) << k;
        }
    }
}

TEST_F(GradientFileTest, EnsureCreatesTheFolderAndKeepsAFileThatIsThere) {
    // The file's home is the user's own data folder.
    EXPECT_EQ(QFileInfo(GradientFileName()).fileName(), QStringLiteral("Colors.ini"));
    EXPECT_EQ(QFileInfo(GradientFileName()).absolutePath(),
              QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).absolutePath());
    const QString path = dir.filePath(QStringLiteral("a/b/Colors.ini"));
    ASSERT_TRUE(EnsureGradientFile(path));
    EXPECT_EQ(LoadGradientDefinitions(path).size(), 25u);
    writeAll(path, "[Application]\r\nCount=0\r\n");
    EXPECT_TRUE(EnsureGradientFile(path));
    EXPECT_EQ(readAll(path), QByteArray("[Application]\r\nCount=0\r\n"));
    // A folder in the file's place is not a usable file.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("folder/Colors.ini")));
    EXPECT_FALSE(EnsureGradientFile(dir.filePath(QStringLiteral("folder/Colors.ini"))));
    EXPECT_FALSE(EnsureGradientFile(QString()));
}

TEST_F(GradientFileTest, ALinkInTheFilesPlaceIsNeverWrittenThrough) {
    // A link to an existing file, and one to a file that does not exist.
    const QString target = file("target.txt");
    writeAll(target, "keep me");
    const QString link = file("Colors.ini");
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_FALSE(EnsureGradientFile(link));
    EXPECT_FALSE(AppendGradientDefinition(link, stops({{0, 1.0}, {0xFFFFFF, 1.0}})));
    EXPECT_EQ(readAll(target), QByteArray("keep me"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    const QString nowhere = file("nowhere.ini");
    const QString dangling = file("dangling.ini");
    ASSERT_TRUE(QFile::link(nowhere, dangling));
    EXPECT_FALSE(EnsureGradientFile(dangling));
    EXPECT_FALSE(AppendGradientDefinition(dangling, stops({{0, 1.0}, {0xFFFFFF, 1.0}})));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
}

// Hostile contents: each file read as a list of definitions, each entry
// its stops as (colour, length value).
struct HostileCase {
    const char* Name;
    QByteArray Text;
    std::vector<std::vector<TableStop>> Expected;
};

TEST_F(GradientFileTest, HostileFilesAreReadWithinBounds) {
    const std::vector<HostileCase> cases = {
        {"negative count", "[Application]\nCount=-3\n[1]\nCount=2\n", {}},
        {"count past 2^31 wraps to a negative one", "[Application]\nCount=2147483648\n", {}},
        {"no application section", "[1]\nCount=2\nColor1=5\n", {}},
        {"missing keys read 0; a lone stop ends in black",
         "[Application]\nCount=3\n[1]\nCount=3\nColor2=$FF\n[2]\nCount=1\nColor1=7\nLength1=10000\n",
         {{{0, 0}, {255, 0}, {0, 0}}, {{7, 10000}, {0, 0}}, {{0, 0}, {0, 0}}}},
        {"lengths clamped and cut at the right edge",
         "[Application]\nCount=1\n[1]\nCount=4\nLength1=-50\nLength2=6000\nLength3=99999\nLength4=-1\n",
         {{{0, 0}, {0, 6000}, {0, 4000}, {0, 0}}}},
        {"names without regard to case, first key counts, junk between",
         "\xEF\xBB\xBF[APPLICATION]\r\ncount = 1\r\ngarbage\r\n[ 1 ]\r\nCOUNT=2\r\n; Color1=9\r\n"
         "color1=$ff00\r\nColor1=3\r\nLENGTH1=\"12a\"\r\n[Application]\r\nCount=7\r\n",
         {{{0xFF00, 12}, {0, 0}}}},
        {"a section 01 is not section 1", "[Application]\nCount=1\n[01]\nCount=2\nColor1=9\n",
         {{{0, 0}, {0, 0}}}},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.Name);
        writeAll(file(), c.Text);
        const TGradientList list = LoadGradientDefinitions(file());
        ASSERT_EQ(list.size(), c.Expected.size());
        for (size_t d = 0; d < list.size(); ++d) {
            ASSERT_EQ(list[d].Count, int(c.Expected[d].size())) << d;
            ASSERT_EQ(list[d].Stops.size(), c.Expected[d].size()) << d;
            for (size_t k = 0; k < c.Expected[d].size(); ++k) {
                EXPECT_EQ(list[d].Stops[k].Color, c.Expected[d][k].Color) << d << "/" << k;
                EXPECT_DOUBLE_EQ(list[d].Stops[k].Length, c.Expected[d][k].Length / 10000.0)
                    << d << "/" << k;
            }
        }
    }
}

TEST_F(GradientFileTest, AbsurdCountsAreCapped) {
    // 2^31 - 1 definitions, one of them with 2^31 - 1 stops.
    writeAll(file(), "[Application]\nCount=$7FFFFFFF\n[3]\nCount=2147483647\nColor52=4\nColor53=5\n");
    const TGradientList list = LoadGradientDefinitions(file());
    ASSERT_EQ(list.size(), size_t(MaxGradientDefinitions));
    ASSERT_EQ(list[2].Count, MaxGradientStops);
    ASSERT_EQ(list[2].Stops.size(), size_t(MaxGradientStops));
    EXPECT_EQ(list[2].Stops.back().Color, 4u);
    EXPECT_EQ(list[999].Count, 2);
    EXPECT_EQ(list[999].Stops[1].Color, 0u);
    // Nothing more can be appended to a file that holds the most.
    const QByteArray before = readAll(file());
    EXPECT_FALSE(AppendGradientDefinition(file(), stops({{0, 1.0}, {1, 1.0}})));
    EXPECT_EQ(readAll(file()), before);
}

TEST_F(GradientFileTest, AMillionSectionsAndAHugeFileAreReadInBounds) {
    QByteArray text = "[Application]\nCount=1000000\n";
    text.reserve(16 << 20);
    for (int d = 1; d <= 1000000; ++d)
        text += "[" + QByteArray::number(d) + "]\nCount=2\nColor2=" + QByteArray::number(d) + "\n";
    writeAll(file(), text);
    TGradientList list = LoadGradientDefinitions(file());
    ASSERT_EQ(list.size(), size_t(MaxGradientDefinitions));
    EXPECT_EQ(list[999].Stops[1].Color, 1000u);

    // 200 MB (sparse) after a proper head: the head is read, the rest is
    // not looked at, and nothing is appended to a file that large.
    const QString huge = file("huge.ini");
    writeAll(huge, "[Application]\r\nCount=2\r\n[1]\r\nCount=2\r\nColor1=9\r\n");
    {
        QFile f(huge);
        ASSERT_TRUE(f.resize(200LL << 20));
        ASSERT_TRUE(f.open(QIODevice::Append));
        ASSERT_GT(f.write("\r\n[2]\r\nCount=2\r\nColor1=8\r\n"), 0);
    }
    list = LoadGradientDefinitions(huge);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Stops[0].Color, 9u);
    EXPECT_EQ(list[1].Stops[0].Color, 0u); // past the part that is read
    const qint64 size = QFileInfo(huge).size();
    EXPECT_FALSE(AppendGradientDefinition(huge, stops({{0, 1.0}, {1, 1.0}})));
    EXPECT_EQ(QFileInfo(huge).size(), size);
}

TEST_F(GradientFileTest, FindingADefinition) {
    const QString path = defaultFile();
    // Black to white: definition 1, whatever the last length says.
    EXPECT_EQ(FindGradientDefinition(path, stops({{0, 1.0}, {0xFFFFFF, 1.0}})), 1);
    EXPECT_EQ(FindGradientDefinition(path, stops({{0, 1.0}, {0xFFFFFF, 0.0}})), 1);
    // Definition 3 as loaded.
    const TGradientList list = LoadGradientDefinitions(path);
    EXPECT_EQ(FindGradientDefinition(path, list[2]), 3);
    // 9 and 10 differ from 7 and 8 only in stops; 13 and 2 have 3 stops too.
    EXPECT_EQ(FindGradientDefinition(path, list[12]), 13);
    TColorlistSrcd changed = list[2];
    changed.Stops[1].Length = 0.25 + 1e-9; // still 2500 once rounded
    EXPECT_EQ(FindGradientDefinition(path, changed), 3);
    changed.Stops[1].Length = 0.2502;
    EXPECT_EQ(FindGradientDefinition(path, changed), 0);
    changed = list[2];
    changed.Stops[4].Color = 1;
    EXPECT_EQ(FindGradientDefinition(path, changed), 0);
    EXPECT_EQ(FindGradientDefinition(path, stops({{0, 1.0}})), 0);
    EXPECT_EQ(FindGradientDefinition(file("missing.ini"), stops({{0, 1.0}, {0xFFFFFF, 1.0}})), 0);
}

TEST_F(GradientFileTest, AppendingToTheDefaultFile) {
    const QString path = defaultFile();
    const QByteArray before = readAll(path);
    // Black, black at 50 %, white.
    const TColorlistSrcd added = stops({{0, 0.5}, {0, 0.5}, {0xFFFFFF, 0.0}});
    ASSERT_TRUE(AppendGradientDefinition(path, added));
    QByteArray expected = before;
    expected.replace("[Application]\r\nCount=25\r\n", "[Application]\r\nCount=26\r\n");
    expected += "\r\n[26]\r\nCount=3\r\nColor1=0\r\nLength1=5000\r\nColor2=0\r\nLength2=5000\r\n"
                "Color3=16777215\r\nLength3=0\r\n";
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(ReadIniInt("Application", "Count", 0, path), 26);
    EXPECT_EQ(FindGradientDefinition(path, added), 26);
    const TGradientList list = LoadGradientDefinitions(path);
    ASSERT_EQ(list.size(), 26u);
    EXPECT_EQ(list[25].Stops[2].Color, 0xFFFFFFu);
}

TEST_F(GradientFileTest, LengthsAreWrittenRoundedHalfToEven) {
    // 2.5 and 3.5 per ten thousand, and a value that is not a number.
    const TColorlistSrcd added =
        stops({{1, 0.00025}, {2, 0.00035}, {3, std::nan("")}, {4, 0.00045}, {5, 0.5}});
    ASSERT_TRUE(AppendGradientDefinition(file(), added));
    EXPECT_EQ(ReadIniInt("1", "Length1", -1, file()), 2);
    EXPECT_EQ(ReadIniInt("1", "Length2", -1, file()), 4);
    EXPECT_EQ(ReadIniInt("1", "Length3", -1, file()), 0);
    EXPECT_EQ(ReadIniInt("1", "Length4", -1, file()), 4);
    EXPECT_EQ(ReadIniInt("1", "Length5", -1, file()), 0); // the last one is not used
    EXPECT_EQ(ReadIniInt("Application", "Count", -1, file()), 1);
}

// Every line of Old is in New, in the same order.
bool keepsEveryLine(const QByteArray& Old, const QByteArray& New) {
    const QList<QByteArray> oldLines = Old.split('\n');
    const QList<QByteArray> newLines = New.split('\n');
    qsizetype at = 0;
    for (const QByteArray& line : oldLines) {
        QByteArray bare = line;
        if (bare.endsWith('\r')) bare.chop(1);
        while (at < newLines.size() && newLines[at] != bare && newLines[at] != bare + '\r')
            ++at;
        if (at == newLines.size()) return false;
        ++at;
    }
    return true;
}

TEST_F(GradientFileTest, AppendingToADamagedFileKeepsEveryLine) {
    const TColorlistSrcd added = stops({{0x123456, 0.3}, {0x654321, 0.0}});
    struct Case {
        const char* Name;
        QByteArray Text;
        int Section; // where the new definition goes
    };
    const Case cases[] = {
        {"no application section, a section 1 there",
         "; mine\n[1]\nCount=2\nColor1=77\nColor2=88\nColor3=99\n", 1},
        {"application count below the sections there, no final break",
         "junk\r\n[Application]\r\nX=1\r\nCount=1\r\n[1]\r\nCount=2\r\n[2]\r\nCount=2\r\nColor1=5", 2},
        {"application without count", "[Application]\n[1]\nCount=2\n", 1},
        {"negative count", "[Application]\nCount=-4\n", 1},
        {"empty file", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        writeAll(file(), c.Text);
        ASSERT_TRUE(AppendGradientDefinition(file(), added));
        const QByteArray after = readAll(file());
        QByteArray old = c.Text;
        // The old count is the one line that changes.
        old.replace("Count=1\r\n[1]", "[1]").replace("Count=-4\n", "");
        EXPECT_TRUE(keepsEveryLine(old, after)) << after.toStdString();
        EXPECT_EQ(ReadIniInt("Application", "Count", -1, file()), c.Section);
        const TGradientList list = LoadGradientDefinitions(file());
        ASSERT_EQ(list.size(), size_t(c.Section));
        ASSERT_EQ(list.back().Count, 2);
        EXPECT_EQ(list.back().Stops[0].Color, 0x123456u);
        EXPECT_DOUBLE_EQ(list.back().Stops[0].Length, 0.3);
        EXPECT_EQ(list.back().Stops[1].Color, 0x654321u);
        EXPECT_EQ(FindGradientDefinition(file(), added), c.Section);
    }
    // Line feeds stay line feeds.
    writeAll(file(), "[Application]\nCount=0\n");
    ASSERT_TRUE(AppendGradientDefinition(file(), added));
    EXPECT_FALSE(readAll(file()).contains('\r'));
}

TEST_F(GradientFileTest, AppendRefusesWhatItCannotWriteBack) {
    const QString path = defaultFile();
    const QByteArray before = readAll(path);
    EXPECT_FALSE(AppendGradientDefinition(path, stops({{0, 1.0}})));
    TColorlistSrcd many;
    many.Stops.assign(size_t(MaxGradientStops + 1), TColorlistItem{0, 0, 0.01});
    many.Count = int(many.Stops.size());
    EXPECT_FALSE(AppendGradientDefinition(path, many));
    // A Count larger than the stops there counts only the stops there.
    TColorlistSrcd lying = stops({{0, 1.0}});
    lying.Count = 5;
    EXPECT_FALSE(AppendGradientDefinition(path, lying));
    EXPECT_EQ(readAll(path), before);
    // A folder in the file's place.
    EXPECT_FALSE(AppendGradientDefinition(dir.path(), stops({{0, 1.0}, {1, 1.0}})));
}

TEST(FitGradientStopsTest, DropsTheStopWhoseRemovalChangesTheRampLeast) {
    // Grey 64 at 25 % between black at 0 and white at 50 %: its removal
    // leaves a triangle of height 3 * 63.5 over half the width (area
    // 47.625); white's would leave one of height 3 * (255 - 64 * 2 / 3)
    // over 75 % (area 238.875).
    const TColorlistSrcd four = stops({{0x000000, 0.25}, {0x404040, 0.25}, {0xFFFFFF, 0.5}, {0, 0}});
    const TColorlistSrcd three = FitGradientStops(four, 3);
    ASSERT_EQ(three.Count, 3);
    ASSERT_EQ(three.Stops.size(), 3u);
    EXPECT_EQ(three.Stops[0].Color, 0x000000u);
    EXPECT_DOUBLE_EQ(three.Stops[0].Length, 0.5);
    EXPECT_EQ(three.Stops[1].Color, 0xFFFFFFu);
    EXPECT_DOUBLE_EQ(three.Stops[1].Length, 0.5);
    EXPECT_EQ(three.Stops[2].Color, 0x000000u);
    // Down to the ends: one segment over the whole width.
    const TColorlistSrcd two = FitGradientStops(four, 2);
    ASSERT_EQ(two.Count, 2);
    EXPECT_EQ(two.Stops[0].Color, 0x000000u);
    EXPECT_DOUBLE_EQ(two.Stops[0].Length, 1.0);
    EXPECT_EQ(two.Stops[1].Color, 0x000000u);
    // Fewer than 2 is 2; enough room changes nothing.
    EXPECT_EQ(FitGradientStops(four, 0).Count, 2);
    const TColorlistSrcd same = FitGradientStops(four, 4);
    ASSERT_EQ(same.Count, 4);
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(same.Stops[k].Color, four.Stops[k].Color);
        EXPECT_EQ(same.Stops[k].Length, four.Stops[k].Length);
    }
}

TEST(FitGradientStopsTest, FiftyTwoStopsFitALayerByLosingTheOneOnTheStraightRamp) {
    // Black and white by turns, 1/51 apart, except stop 11, black between
    // two blacks: dropping it changes nothing, dropping any other stop
    // changes a full swing.
    TColorlistSrcd zigzag;
    for (int k = 0; k < 52; ++k)
        zigzag.Stops.push_back({k % 2 == 1 && k != 11 ? 0xFFFFFFu : 0u, 0, 1.0 / 51});
    zigzag.Count = 52;
    const TColorlistSrcd fitted = FitGradientStops(zigzag, TlxGradientStyle::MaxStops);
    ASSERT_EQ(fitted.Count, 51);
    ASSERT_EQ(fitted.Stops.size(), 51u);
    for (int k = 0; k < 51; ++k) {
        const int from = k < 11 ? k : k + 1;
        EXPECT_EQ(fitted.Stops[size_t(k)].Color, zigzag.Stops[size_t(from)].Color) << k;
        // Stop 10 now reaches to the old stop 12; the others keep their own.
        const double length = k == 10 ? 2.0 / 51 : 1.0 / 51;
        if (k < 50) {
            EXPECT_NEAR(fitted.Stops[size_t(k)].Length, length, 1e-12) << k;
        }
    }
}

namespace {

// A widget that paints a two-stop ramp straight onto itself.
class RampWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const TColorlistItem stops[2] = {{0x000000, 0, 1.0}, {0x0000FF, 0, 1.0}};
        FillGradientHorizontal(stops, 2, p, 0, 0, width(), height());
    }
};

} // namespace

// A ramp painted on a widget that sits inside another, when the outer one is
// grabbed: the painter then has an offset, and every column must still come
// out, black at the left and red at the right.
TEST(GradientOnWidgets, ARampOnAChildWidgetIsDrawnWhenTheParentIsGrabbed) {
    QWidget outer;
    outer.resize(300, 80);
    RampWidget ramp(&outer);
    ramp.setGeometry(40, 30, 101, 20);
    const QImage shot = outer.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(shot.width(), 141);
    // The only segment runs from column 0 to the last column, 100.
    EXPECT_EQ(QColor(shot.pixel(40, 35)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(shot.pixel(140, 35)), QColor(255, 0, 0));
    // Halfway, column 50 of the ramp: 255 x 50 / 100 = 127.5.
    const QColor middle(shot.pixel(90, 35));
    EXPECT_NEAR(middle.red(), 127.5, 1);
    EXPECT_EQ(middle.green(), 0);
    EXPECT_EQ(middle.blue(), 0);
}
