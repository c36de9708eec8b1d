#include "PBColor.h"
#include "core/pixel_view.h"
#include "kernels/resample_linear.h"
#include "lxImage.h"
#include "lxImageZoom.h"
#include "lxStatusBar.h"
#include "lxreadwrite.h"
#include "qnToolTip.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::literals;

// ===========================================================================
// Colour swatch and status bar

// A colour as 0x00BBGGRR and the same colour as red, green, blue.
struct SwatchCase {
    TColor color;
    int r, g, b;
};

TEST(TPBColorTest, FillsItsWholeAreaWithSelColorAlsoWhenSetWhileHidden) {
    TPBColor swatch;
    swatch.resize(13, 9);
    // Set before the swatch is ever shown: the colour appears at its first
    // paint. The second colour is set through the property system.
    const SwatchCase cases[] = {{0x00336699, 0x99, 0x66, 0x33}, {0x00FF0000, 0, 0, 255}};
    bool viaProperty = false;
    for (const SwatchCase& sc : cases) {
        if (viaProperty)
            swatch.setProperty("SelColor", sc.color);
        else
            swatch.setSelColor(sc.color);
        viaProperty = true;
        EXPECT_EQ(swatch.selColor(), sc.color);
        const QImage shot = swatch.grab().toImage();
        ASSERT_EQ(shot.size(), QSize(13, 9));
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                ASSERT_EQ(shot.pixelColor(x, y), QColor(sc.r, sc.g, sc.b))
                    << std::hex << sc.color << " at " << std::dec << x << "," << y;
    }
}

TEST(TlxStatusBarTest, HoldsChildControlsWithoutASizeGrip) {
    QWidget window;
    auto* bar = new TlxStatusBar(&window);
    auto* child = new QLabel(QStringLiteral("100%"), bar);
    bar->addPermanentWidget(child);
    bar->setGeometry(0, 0, 300, 24);
    window.show();
    EXPECT_FALSE(bar->isSizeGripEnabled());
    EXPECT_EQ(child->parentWidget(), bar);
    EXPECT_TRUE(child->isVisible());
    EXPECT_TRUE(bar->rect().contains(child->geometry()));
}

// ===========================================================================
// ListFiles

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(ListFilesTest, ListsMatchingFilesOnlySortedByName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path() + '/';
    for (const char* name : {"Curve2.cve", "Curve1.cve", "curve3.CVE", "Curve4.cvex", "Other.cve",
                             "Curve.cve", ".Curvehidden.cve"})
        touch(d + name);
    touch(d + "CurveRO.cve");
    QFile::setPermissions(d + "CurveRO.cve", QFile::ReadOwner);
    ASSERT_TRUE(QDir(d).mkdir("CurveFolder.cve"));
    // A pipe is no file to list: opening it would block the caller.
    ASSERT_EQ(::mkfifo(QFile::encodeName(d + "CurvePipe.cve").constData(), 0600), 0);

    QStringList list{"left over"};
    ListFiles(d + "Curve*.cve", 7, list);
    // Case is ignored in the mask; read-only files are files like others.
    EXPECT_EQ(list,
              QStringList({"Curve.cve", "Curve1.cve", "Curve2.cve", "curve3.CVE", "CurveRO.cve"}));
}

TEST(ListFilesTest, HiddenFilesOnlyWithTheHiddenAttribute) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    touch(dir.path() + "/.a.style");
    touch(dir.path() + "/b.style");
    QStringList list;
    ListFiles(dir.path() + "/*.style", faReadOnly | faHidden | faSysFile, list);
    EXPECT_EQ(list, QStringList({".a.style", "b.style"}));
    ListFiles(dir.path() + "/*.style", faReadOnly, list);
    EXPECT_EQ(list, QStringList({"b.style"}));
}

TEST(ListFilesTest, MissingFolderOrNoMatchGivesAnEmptyList) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    touch(dir.path() + "/x.txt");
    for (const QString& pattern :
         {dir.path() + "/Curve*.cve", dir.path() + "/missing/Curve*.cve", dir.path() + "/"}) {
        QStringList list{"left over"};
        ListFiles(pattern, 7, list);
        EXPECT_TRUE(list.isEmpty()) << pattern.toStdString();
    }
}

// ===========================================================================
// Ini files

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class IniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const char* name = "Colors.ini") const { return dir.path() + '/' + name; }
};

struct ReadCase {
    const char* section;
    const char* key;
    int deflt;
    int expected;
};

// 254 zeros and "12": 256 characters, of which only 255 are read, so the
// text converted is 254 zeros and "1".
const QByteArray kLongValue = QByteArray(254, '0') + "12";

const QByteArray kIniText = "; gradients\r\n"
                            "[Colors]\r\n"
                            "Hex=$FF\r\n"
                            "Cx=0x1f\r\n"
                            "X=x1F\r\n"
                            "Trail=12a\r\n"
                            "Neg=  -7\r\n"
                            "Plus=+5\r\n"
                            "Empty=\r\n"
                            "  Spaced  =  42  \r\n"
                            "Quoted=\"17\"\r\n"
                            "MinusHex=-$10\r\n"
                            "AllOnes=$FFFFFFFF\r\n"
                            "Wrap=4294967297\r\n"
                            "Junk=abc\r\n"
                            "Dollar=$\r\n"
                            "ZeroX=0x\r\n"
                            "Octal=012\r\n"
                            "SpaceAfterSign=- 5\r\n"
                            "Long=" +
                            kLongValue +
                            "\r\n"
                            ";Hidden=3\r\n"
                            "Twice=1\r\n"
                            "Twice=2\r\n"
                            "[Other]\r\n"
                            "Hex=99\r\n"
                            "[Broken\r\n"
                            "InBroken=4\r\n";

const ReadCase kReadCases[] = {
    {"Colors", "Hex", -1, 255},
    {"colors", "HEX", -1, 255}, // names match without regard to case
    {"Colors", "Cx", -1, 31},
    {"Colors", "X", -1, 31},
    {"Colors", "Trail", -1, 12},
    {"Colors", "Neg", -1, -7},
    {"Colors", "Plus", -1, 5},
    {"Colors", "Empty", 9, 0},
    {"Colors", "Spaced", -1, 42},
    {"Colors", "Quoted", -1, 17},
    {"Colors", "MinusHex", -1, -16},
    {"Colors", "AllOnes", 0, -1}, // wraps around in 32 bits
    {"Colors", "Wrap", 0, 1},     // 2^32 + 1 wraps to 1
    {"Colors", "Junk", 9, 0},
    {"Colors", "Dollar", 9, 0},
    {"Colors", "ZeroX", 9, 0},
    {"Colors", "Octal", 9, 12}, // a leading zero is just a digit
    {"Colors", "SpaceAfterSign", 9, 0},
    {"Colors", "Long", 9, 1},
    {"Colors", "Hidden", 77, 77}, // commented out
    {"Colors", "Twice", 0, 1},    // the first one counts
    {"Colors", "Missing", 77, 77},
    {"Other", "Hex", -1, 99},
    {"Nowhere", "Hex", 5, 5},
    // "[Broken" has no "]": no section starts there, so its key stays in
    // [Other] where it stands.
    {"Broken", "InBroken", 6, 6},
    {"Other", "InBroken", 6, 4},
};

TEST_F(IniTest, ReadIniIntCases) {
    writeAll(file(), kIniText);
    for (const ReadCase& rc : kReadCases)
        EXPECT_EQ(ReadIniInt(rc.section, rc.key, rc.deflt, file()), rc.expected)
            << rc.section << "/" << rc.key;
    // The same text with bare line feeds reads the same.
    QByteArray lf = kIniText;
    lf.replace("\r\n", "\n");
    writeAll(file("lf.ini"), lf);
    for (const ReadCase& rc : kReadCases)
        EXPECT_EQ(ReadIniInt(rc.section, rc.key, rc.deflt, file("lf.ini")), rc.expected)
            << rc.section << "/" << rc.key << " (line feeds)";
}

TEST_F(IniTest, ReadIniIntGivesTheDefaultWithoutAReadableFile) {
    EXPECT_EQ(ReadIniInt("Colors", "Hex", 123, file("missing.ini")), 123);
    EXPECT_EQ(ReadIniInt("Colors", "Hex", -9, dir.path()), -9); // a folder
}

TEST_F(IniTest, HostileFilesAreReadWithoutHarm) {
    // Binary noise (with NULs, "[" and "=" bytes), a line of 3 MB without a
    // break, then a proper section: the key after all that is found.
    std::mt19937 rng(7);
    QByteArray junk(1 << 20, '\0');
    for (char& c : junk)
        c = char(rng());
    const QByteArray text = junk + "\n" + QByteArray(3 << 20, '[') + "\n[S]\nK=$7f\n";
    writeAll(file(), text);
    EXPECT_EQ(ReadIniInt("S", "K", 0, file()), 127);
    EXPECT_EQ(ReadIniInt("S", "None", -2, file()), -2);
}

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

struct WriteCase {
    const char* name;
    QByteArray before; // "<none>": no file
    const char* section;
    const char* key;
    int value;
    QByteArray after;
};

const WriteCase kWriteCases[] = {
    {"new file", "<none>", "Application", "Count", 25, "[Application]\r\nCount=25\r\n"},
    {"key replaced, the rest kept", "; c\r\n[S]\r\n  k = 1 ; old\r\nOther=2\r\n\r\n[T]\r\nk=3\r\n",
     "S", "K", -7, "; c\r\n[S]\r\nK=-7\r\nOther=2\r\n\r\n[T]\r\nk=3\r\n"},
    {"key added after the section's last line, before its blank lines",
     "[S]\nA=1\n; note\n\n\n[T]\nB=2\n", "s", "K", 3, "[S]\nA=1\n; note\nK=3\n\n\n[T]\nB=2\n"},
    {"key added to an empty section at the end without a line break", "[T]\nB=2\n[S]", "S", "K", 0,
     "[T]\nB=2\n[S]\nK=0\n"},
    {"section added after a last line without a break", "[T]\r\nB=2", "S", "K", INT_MIN,
     "[T]\r\nB=2\r\n[S]\r\nK=-2147483648\r\n"},
    {"only the first of two equal keys changes", "[S]\nK=1\nK=2\n", "S", "K", INT_MAX,
     "[S]\nK=2147483647\nK=2\n"},
    {"a key in a second section of the same name", "[S]\nA=1\n[T]\n[s]\nK=1\n", "S", "K", 8,
     "[S]\nA=1\n[T]\n[s]\nK=8\n"},
    {"junk bytes and broken headers kept", bytes("\xff\x00[x\n[S\n[S]\n\x01=\x02\r\n"sv), "S", "K",
     1, bytes("\xff\x00[x\n[S\n[S]\n\x01=\x02\r\nK=1\n"sv)},
};

TEST_F(IniTest, WriteIniIntCases) {
    for (const WriteCase& wc : kWriteCases) {
        const QString path = file("w.ini");
        QFile::remove(path);
        if (wc.before != "<none>") writeAll(path, wc.before);
        WriteIniInt(wc.section, wc.key, wc.value, path);
        EXPECT_EQ(readAll(path).toStdString(), wc.after.toStdString()) << wc.name;
        EXPECT_EQ(ReadIniInt(wc.section, wc.key, 12345, path), wc.value) << wc.name;
    }
}

TEST_F(IniTest, WriteIniIntKeepsALargeFileAroundTheChange) {
    QByteArray text = "[A]\nK=1\n";
    std::mt19937 rng(11);
    for (int i = 0; i < 200000; ++i)
        text += "Key" + QByteArray::number(i) + '=' + QByteArray::number(rng()) + '\n';
    text += "[B]\nK=1\n" + QByteArray(1 << 20, 'x') + "\n";
    writeAll(file(), text);
    WriteIniInt("A", "K", 5, file());
    QByteArray expected = text;
    expected.replace(0, 8, "[A]\nK=5\n");
    EXPECT_TRUE(readAll(file()) == expected);
    EXPECT_EQ(ReadIniInt("B", "K", 0, file()), 1);
}

// ===========================================================================
// Resampling: plain references written from the definitions

// Tightly packed bytes of a picture, row after row.
struct Bytes {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> data;
    uint8_t at(int x, int y, int c) const {
        return data[size_t((qsizetype(y) * width + x) * channels + c)];
    }
};

Bytes bytesOf(const QImage& image, int channels) {
    Bytes b{image.width(), image.height(), channels, {}};
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.constScanLine(y);
        b.data.insert(b.data.end(), row, row + qsizetype(image.width()) * channels);
    }
    return b;
}

QImage imageOf(int w, int h, QImage::Format format, const std::vector<int>& values) {
    QImage image(w, h, format);
    const int ch = image.depth() / 8;
    size_t i = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * ch; ++x)
            image.scanLine(y)[x] = uint8_t(values.at(i++));
    return image;
}

// Bilinear: rx = w / W; target column x sits at sx = x / rx, c0 = min(trunc
// sx, W - 1), fx = sx - trunc sx, c1 = c0 + 1 or c0 at the last column; rows
// likewise. Byte = trunc of the four weighted neighbours + 0.5.
Bytes bilinearReference(const Bytes& s, int w, int h) {
    Bytes d{w, h, s.channels, std::vector<uint8_t>(size_t(w) * size_t(h) * size_t(s.channels))};
    const double rx = double(w) / s.width, ry = double(h) / s.height;
    for (int y = 0; y < h; ++y) {
        const double sy = y / ry;
        const int r0 = std::min(int(sy), s.height - 1);
        const double fy = sy - int(sy);
        const int r1 = r0 == s.height - 1 ? r0 : r0 + 1;
        for (int x = 0; x < w; ++x) {
            const double sx = x / rx;
            const int c0 = std::min(int(sx), s.width - 1);
            const double fx = sx - int(sx);
            const int c1 = c0 == s.width - 1 ? c0 : c0 + 1;
            for (int c = 0; c < s.channels; ++c) {
                const double v = (1 - fx) * (1 - fy) * s.at(c0, r0, c) +
                                 (1 - fx) * fy * s.at(c0, r1, c) + fx * (1 - fy) * s.at(c1, r0, c) +
                                 fx * fy * s.at(c1, r1, c);
                d.data[size_t((qsizetype(y) * w + x) * s.channels + c)] =
                    uint8_t(std::min(int(v + 0.5), 255));
            }
        }
    }
    return d;
}

// The area average of bilinear samples, with the working copy built as
// described: H + 2 rows of W + 2 pixels, the last column and row repeated
// twice. Also returns each channel's value before rounding.
Bytes shrinkReference(const Bytes& s, int w, int h, std::vector<double>& exact) {
    const int W = s.width, H = s.height, ch = s.channels;
    std::vector<uint8_t> work(size_t(W + 2) * size_t(H + 2) * size_t(ch));
    for (int r = 0; r < H + 2; ++r)
        for (int c = 0; c < W + 2; ++c)
            for (int k = 0; k < ch; ++k)
                work[size_t((qsizetype(r) * (W + 2) + c) * ch + k)] =
                    s.at(std::min(c, W - 1), std::min(r, H - 1), k);
    const auto P = [&](int r, int c, int k) -> double {
        return work.at(size_t((qsizetype(r) * (W + 2) + c) * ch + k));
    };
    Bytes d{w, h, ch, std::vector<uint8_t>(size_t(w) * size_t(h) * size_t(ch))};
    exact.assign(d.data.size(), 0.0);
    const double rx = double(W) / w, ry = double(H) / h;
    const int gx = int(rx), gy = int(ry);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double sx = x * rx, sy = y * ry;
            const int ox = int(sx), oy = int(sy);
            const double fx = sx - ox, fy = sy - oy;
            for (int k = 0; k < ch; ++k) {
                double sum = 0;
                for (int i = 0; i <= gy; ++i)
                    for (int j = 0; j <= gx; ++j) {
                        double v = (1 - fx) * (1 - fy) * P(oy + i, ox + j, k) +
                                   (1 - fx) * fy * P(oy + i + 1, ox + j, k) +
                                   fx * (1 - fy) * P(oy + i, ox + j + 1, k) +
                                   fx * fy * P(oy + i + 1, ox + j + 1, k);
                        if (i == gy) v *= ry - gy;
                        if (j == gx) v *= rx - gx;
                        sum += v;
                    }
                const size_t at = size_t((qsizetype(y) * w + x) * ch + k);
                exact[at] = sum / (rx * ry);
                // Round to nearest, halves to even (the default rounding mode).
                d.data[at] = uint8_t(std::clamp(std::nearbyint(exact[at]), 0.0, 255.0));
            }
        }
    return d;
}

// Targets one pixel wide or high: the source pixel under each target
// pixel's centre, column (2x + 1) * W div (2w), row likewise.
Bytes stretchReference(const Bytes& s, int w, int h) {
    Bytes d{w, h, s.channels, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < s.channels; ++c)
                d.data.push_back(s.at(int((2 * qint64(x) + 1) * s.width / (2 * qint64(w))),
                                      int((2 * qint64(y) + 1) * s.height / (2 * qint64(h))), c));
    return d;
}

// "" when equal; otherwise where they first differ.
std::string firstDifference(const Bytes& got, const Bytes& want) {
    if (got.width != want.width || got.height != want.height || got.channels != want.channels)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + "x" +
               std::to_string(got.channels);
    for (size_t i = 0; i < got.data.size(); ++i)
        if (got.data[i] != want.data[i]) {
            const size_t pixel = i / size_t(got.channels);
            return "pixel " + std::to_string(pixel % size_t(got.width)) + "," +
                   std::to_string(pixel / size_t(got.width)) + " channel " +
                   std::to_string(i % size_t(got.channels)) + ": " + std::to_string(got.data[i]) +
                   " instead of " + std::to_string(want.data[i]);
        }
    return "";
}

// The same, letting a difference of one pass where the exact value lies
// within rounding noise of a half: the fast shrink adds the same terms
// grouped by axis, which may tip such a value the other way. Counts those.
std::string firstShrinkDifference(const Bytes& got, const Bytes& want,
                                  const std::vector<double>& exact, int& tolerated) {
    if (got.data.size() != want.data.size()) return firstDifference(got, want);
    for (size_t i = 0; i < got.data.size(); ++i) {
        if (got.data[i] == want.data[i]) continue;
        const double v = exact[i];
        if (std::fabs(v - std::floor(v) - 0.5) < 1e-9 &&
            std::abs(got.data[i] - want.data[i]) == 1) {
            ++tolerated;
            continue;
        }
        const size_t pixel = i / size_t(got.channels);
        return "pixel " + std::to_string(pixel % size_t(got.width)) + "," +
               std::to_string(pixel / size_t(got.width)) + " channel " +
               std::to_string(i % size_t(got.channels)) + ": " + std::to_string(got.data[i]) +
               " instead of " + std::to_string(want.data[i]) + " (exact " + std::to_string(v) + ")";
    }
    return "";
}

// ===========================================================================
// Resampling: worked examples

// Halving: rx = ry = 2, gx = gy = 2, fx = fy = 0, so each window is the
// 2 x 2 block at full weight and a third row and column at weight 2 - 2 = 0;
// the sum is divided by 4.
//   block (0,0): B 10 20 30 41 -> 101 / 4 = 25.25 -> 25
//                G 0 255 255 0 -> 127.5 -> 128 (half to even)
//                R 1 2 3 4     -> 2.5 -> 2 (half to even)
//                A 255 255 0 0 -> 127.5 -> 128
//   block (1,0): B 100 x 4 -> 100; G 7 8 9 10 -> 8.5 -> 8;
//                R 0 0 0 1 -> 0.25 -> 0; A 3 4 5 6 -> 4.5 -> 4
// The lower blocks repeat the upper ones with blue one higher:
//   B 11 21 31 42 -> 105 / 4 = 26.25 -> 26; 101 x 4 -> 101.
TEST(ZoomBitmap32Test, HalfSizeIsTheMeanOfEach2x2Block) {
    const std::vector<int> upper = {10, 0,   1, 255, 20, 255, 2, 255, 100, 7, 0, 3, 100, 8,  0, 4,
                                    30, 255, 3, 0,   41, 0,   4, 0,   100, 9, 0, 5, 100, 10, 1, 6};
    std::vector<int> values = upper;
    for (size_t i = 0; i < upper.size(); ++i)
        values.push_back(upper[i] + (i % 4 == 0 ? 1 : 0));
    QImage dst;
    ASSERT_TRUE(ZoomBitmap32(imageOf(4, 4, QImage::Format_ARGB32, values), dst, 2, 2));
    EXPECT_EQ(dst.format(), QImage::Format_ARGB32);
    EXPECT_EQ(bytesOf(dst, 4).data, std::vector<uint8_t>({25, 128, 2, 128, 100, 8, 0, 4, //
                                                          26, 128, 2, 128, 101, 8, 0, 4}));
}

TEST(ZoomBitmap32Test, SameSizeIsAnExactCopyAlphaIncluded) {
    QImage src(7, 5, QImage::Format_ARGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 28; ++x)
            src.scanLine(y)[x] = uint8_t(rng());
    // Colour under zero alpha survives too: alpha is not premultiplied.
    src.scanLine(2)[0] = 200;
    src.scanLine(2)[3] = 0;
    QImage dst;
    ASSERT_TRUE(ZoomBitmap32(src, dst, 7, 5));
    EXPECT_EQ(bytesOf(dst, 4).data, bytesOf(src, 4).data);
}

// Width 1: the centre rule picks column (2 * 0 + 1) * 4 div 2 = 2, rows
// (2y + 1) * 2 div 4 = 0, 1. A bilinear sample would read column 0 and an
// average would mix all four; the stretch copies whole pixels.
// Height 1 from 3 x 4: row (1 * 4) div 2 = 2, columns 0, 1, 2.
TEST(ZoomBitmap32Test, TargetsOnePixelWideOrHighUseAPlainStretch) {
    std::vector<int> values;
    for (int i = 0; i < 32; ++i)
        values.push_back(i * 7);
    const QImage src = imageOf(4, 2, QImage::Format_ARGB32, values);
    QImage dst;
    ASSERT_TRUE(ZoomBitmap32(src, dst, 1, 2));
    EXPECT_EQ(bytesOf(dst, 4).data,
              std::vector<uint8_t>({56, 63, 70, 77, 168, 175, 182, 189})); // pixels 8.., 24..

    const QImage tall = imageOf(3, 4, QImage::Format_ARGB32, std::vector<int>(48, 0));
    QImage src2 = tall;
    for (int x = 0; x < 12; ++x)
        src2.scanLine(2)[x] = uint8_t(100 + x);
    ASSERT_TRUE(ZoomBitmap32(src2, dst, 3, 1));
    EXPECT_EQ(bytesOf(dst, 4).data,
              std::vector<uint8_t>({100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111}));
}

// 2 x 4 -> 4 x 2: wider but lower, so the bilinear path with ry = 0.5:
// target row y reads source row 2y exactly (fy = 0); rows 1 and 3 (all 7s)
// are skipped, not averaged. Columns sit at 0, 0.5, 1, 1.5 (the last two on
// the last column alone).
//   row 0, B 100 200 -> 100, 150, 200, 200
//          G 155 55  -> 155, 105, 55, 55
//          A 0 255   -> 0, 127.5 + 0.5 = 128, 255, 255
//   row 2, B 40 41   -> 40, 40.5 + 0.5 = 41, 41, 41
//          G 215 214 -> 215, 214.5 + 0.5 = 215, 214, 214
//          A 9 9     -> 9 throughout; R is 9 everywhere.
TEST(ZoomBitmap32Test, GrowingOneAxisAndShrinkingTheOtherSamplesWithoutAveraging) {
    const QImage src = imageOf(2, 4, QImage::Format_ARGB32, {100, 155, 9, 0, 200, 55,  9, 255, //
                                                             7,   7,   7, 7, 7,   7,   7, 7,   //
                                                             40,  215, 9, 9, 41,  214, 9, 9,   //
                                                             7,   7,   7, 7, 7,   7,   7, 7});
    QImage dst;
    ASSERT_TRUE(ZoomBitmap32(src, dst, 4, 2));
    EXPECT_EQ(
        bytesOf(dst, 4).data,
        std::vector<uint8_t>({100, 155, 9, 0, 150, 105, 9, 128, 200, 55,  9, 255, 200, 55,  9, 255,
                              40,  215, 9, 9, 41,  215, 9, 9,   41,  214, 9, 9,   41,  214, 9, 9}));
}

// rx = 2 / 5: columns sit at 0 and 2.5; the second reads columns 2 and 3
// half and half: 15 + 20 + 0.5 -> 35, and 1.5 + 2 + 0.5 = 4 in row 1.
// From 4 columns the second sits on column 2 exactly: 30 and 3. An area
// average would give at least 15 for the first.
TEST(ZoomBitmap8Test, ReductionSamplesAndSkipsThePixelsBetween) {
    QImage dst;
    ASSERT_TRUE(ZoomBitmap8(
        imageOf(5, 2, QImage::Format_Grayscale8, {10, 20, 30, 40, 50, 1, 2, 3, 4, 5}), dst, 2, 2));
    EXPECT_EQ(dst.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(bytesOf(dst, 1).data, std::vector<uint8_t>({10, 35, 1, 4}));
    ASSERT_TRUE(ZoomBitmap8(imageOf(4, 2, QImage::Format_Grayscale8, {10, 20, 30, 40, 1, 2, 3, 4}),
                            dst, 2, 2));
    EXPECT_EQ(bytesOf(dst, 1).data, std::vector<uint8_t>({10, 30, 1, 3}));
}

TEST(ZoomBitmap8Test, SameSizeKeepsThePaletteAndANewSizeGetsGreyLevels) {
    QImage src(3, 2, QImage::Format_Indexed8);
    src.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            src.scanLine(y)[x] = uint8_t((x + y) % 3);
    QImage dst;
    ASSERT_TRUE(ZoomBitmap8(src, dst, 3, 2));
    EXPECT_EQ(dst.colorTable(), src.colorTable());
    EXPECT_EQ(bytesOf(dst, 1).data, bytesOf(src, 1).data);
    // Doubled: the bytes are interpolated as numbers, not looked up.
    ASSERT_TRUE(ZoomBitmap8(src, dst, 6, 2));
    EXPECT_EQ(dst.format(), QImage::Format_Grayscale8);
    // Row 0 holds 0 1 2; columns at 0, 0.5, 1, 1.5, 2, 2.5 -> 0, 1, 1, 2, 2, 2
    // (0.5 + 0.5 = 1 and 1.5 + 0.5 = 2 exactly).
    EXPECT_EQ(bytesOf(dst, 1).data, std::vector<uint8_t>({0, 1, 1, 2, 2, 2, 1, 2, 2, 1, 0, 0}));
}

struct FailCase {
    const char* name;
    QImage src;
    int w, h;
};

TEST(ZoomBitmapTest, FailuresReturnFalse) {
    const QImage ok32(4, 4, QImage::Format_ARGB32);
    const QImage ok8(4, 4, QImage::Format_Grayscale8);
    const FailCase cases[] = {
        {"null source", QImage(), 3, 3},          {"no target width", ok32, 0, 3},
        {"negative height", ok32, 3, -1},         {"target side too long", ok32, 30001, 2},
        {"target too large", ok32, 30000, 30000},
    };
    for (const FailCase& fc : cases) {
        QImage dst;
        EXPECT_FALSE(ZoomBitmap32(fc.src, dst, fc.w, fc.h)) << fc.name;
        EXPECT_FALSE(ShrinkBitmap32(fc.src, dst, fc.w, fc.h)) << fc.name;
        EXPECT_FALSE(ZoomBitmap8(fc.src.isNull() ? fc.src : ok8, dst, fc.w, fc.h)) << fc.name;
    }
}

TEST(ZoomBitmap32Test, SourceAndTargetMayBeThePicture) {
    std::vector<int> row;
    for (int v : {0, 90, 9})
        row.insert(row.end(), 4, v);
    std::vector<int> values = row;
    values.insert(values.end(), row.begin(), row.end());
    QImage picture = imageOf(3, 2, QImage::Format_ARGB32, values);
    // Twice as wide: columns at 0, 0.5, ..., 2.5 give 0, 45, 90,
    // 49.5 + 0.5 = 50, 9, 9; rows stay (ry = 1).
    ASSERT_TRUE(ZoomBitmap32(picture, picture, 6, 2));
    std::vector<uint8_t> expected;
    for (int r = 0; r < 2; ++r)
        for (int v : {0, 45, 90, 50, 9, 9})
            expected.insert(expected.end(), 4, uint8_t(v));
    EXPECT_EQ(bytesOf(picture, 4).data, expected);
}

// ===========================================================================
// Resampling: the routines against the references over random pictures

struct ZoomCase {
    QImage src32;
    QImage src8;
    int w, h;
};

// Case n of the run, so that a failing case can be replayed alone.
ZoomCase zoomCase(int caseNo) {
    std::mt19937 rng(uint32_t(4242 + caseNo));
    const auto size = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    // Every seventh case is wide enough to span several strips of the fast
    // loops.
    const int maxW = caseNo % 7 == 6 ? 400 : 40;
    const int maxH = caseNo % 7 == 6 ? 60 : 40;
    const int W = size(1, maxW), H = size(1, maxH);
    int w = 1, h = 1;
    switch (caseNo % 5) {
    case 0: // smaller both ways (or one unchanged)
        w = size(1, W);
        h = size(1, H);
        break;
    case 1: // larger both ways
        w = size(W, maxW);
        h = size(H, maxH);
        break;
    case 2: // larger one way, smaller the other
        if (rng() % 2) {
            w = size(W, maxW);
            h = size(1, H);
        } else {
            w = size(1, W);
            h = size(H, maxH);
        }
        break;
    case 3: // strong reduction: long windows
        w = size(1, 5);
        h = size(1, 5);
        break;
    default: // the same size now and then, else anything
        w = rng() % 4 ? size(1, maxW) : W;
        h = rng() % 4 ? size(1, maxH) : H;
        break;
    }
    ZoomCase zc{QImage(W, H, QImage::Format_ARGB32), QImage(W, H, QImage::Format_Grayscale8), w, h};
    // Noise, black and white only (exact halves), or smooth ramps.
    const unsigned kind = rng() % 3;
    const auto value = [&](int x, int y, int c) -> uint8_t {
        const uint8_t v = uint8_t(rng());
        if (kind == 1) return v & 1 ? 255 : 0;
        if (kind == 2) return uint8_t(x * 5 + y * 3 + c * 60);
        return v;
    };
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            for (int c = 0; c < 4; ++c)
                zc.src32.scanLine(y)[4 * x + c] = value(x, y, c);
            zc.src8.scanLine(y)[x] = value(x, y, 0);
        }
    }
    return zc;
}

constexpr int kZoomCases = 300;

std::string describe(int caseNo, const ZoomCase& zc) {
    return "case " + std::to_string(caseNo) + ": " + std::to_string(zc.src32.width()) + "x" +
           std::to_string(zc.src32.height()) + " -> " + std::to_string(zc.w) + "x" +
           std::to_string(zc.h);
}

TEST(ZoomBitmapTest, MatchTheReferencesOnRandomPictures) {
    int tolerated = 0;        // where neither axis grows
    int toleratedGrowing = 0; // ShrinkBitmap32 asked to enlarge
    for (int caseNo = 0; caseNo < kZoomCases; ++caseNo) {
        const ZoomCase zc = zoomCase(caseNo);
        const std::string label = describe(caseNo, zc);
        const int W = zc.src32.width(), H = zc.src32.height(), w = zc.w, h = zc.h;
        const Bytes src32 = bytesOf(zc.src32, 4);
        const Bytes src8 = bytesOf(zc.src8, 1);
        const bool thin = w <= 1 || h <= 1;
        std::vector<double> exact;

        QImage dst;
        ASSERT_TRUE(ZoomBitmap32(zc.src32, dst, w, h)) << label;
        ASSERT_EQ(dst.format(), QImage::Format_ARGB32) << label;
        const Bytes got = bytesOf(dst, 4);
        if (thin)
            ASSERT_EQ(firstDifference(got, stretchReference(src32, w, h)), "") << label;
        else if (w == W && h == H)
            ASSERT_EQ(firstDifference(got, src32), "") << label;
        else if (w > W || h > H)
            ASSERT_EQ(firstDifference(got, bilinearReference(src32, w, h)), "") << label;
        else
            ASSERT_EQ(
                firstShrinkDifference(got, shrinkReference(src32, w, h, exact), exact, tolerated),
                "")
                << label;

        // The area average itself at any pair of sizes, growing ones too.
        ASSERT_TRUE(ShrinkBitmap32(zc.src32, dst, w, h)) << label;
        ASSERT_EQ(firstShrinkDifference(bytesOf(dst, 4), shrinkReference(src32, w, h, exact), exact,
                                        w > W || h > H ? toleratedGrowing : tolerated),
                  "")
            << label << ", ShrinkBitmap32";

        ASSERT_TRUE(ZoomBitmap8(zc.src8, dst, w, h)) << label;
        ASSERT_EQ(dst.format(), QImage::Format_Grayscale8) << label;
        ASSERT_EQ(firstDifference(bytesOf(dst, 1), thin ? stretchReference(src8, w, h)
                                                        : bilinearReference(src8, w, h)),
                  "")
            << label << ", ZoomBitmap8";
    }
    std::printf("the area average differs from its reference by one at %d channel values within "
                "rounding noise of a half (and at %d more when asked to enlarge)\n",
                tolerated, toleratedGrowing);
}

// The 32-bit routine is the engine's 24-bit linear stretch with a fourth
// channel: its blue, green and red bytes must be those of StretchBitmapLinear
// on the same picture without alpha, byte for byte.
TEST(ZoomBitmapTest, ColourChannelsEqualTheEnginesLinearStretch) {
    TlxImage engine;
    for (int caseNo = 0; caseNo < kZoomCases; caseNo += 3) {
        const ZoomCase zc = zoomCase(caseNo);
        QImage dst32, dst24;
        ASSERT_TRUE(ZoomBitmap32(zc.src32, dst32, zc.w, zc.h));
        // The same bytes without alpha.
        QImage src24(zc.src32.width(), zc.src32.height(), QImage::Format_BGR888);
        for (int y = 0; y < src24.height(); ++y)
            for (int x = 0; x < src24.width(); ++x)
                std::memcpy(src24.scanLine(y) + 3 * x, zc.src32.constScanLine(y) + 4 * x, 3);
        ASSERT_TRUE(engine.StretchBitmapLinear(src24, dst24, zc.w, zc.h));
        const Bytes a = bytesOf(dst32, 4), b = bytesOf(dst24, 3);
        Bytes bgr{a.width, a.height, 3, {}};
        for (size_t i = 0; i < a.data.size(); ++i)
            if (i % 4 != 3) bgr.data.push_back(a.data[i]);
        ASSERT_EQ(firstDifference(bgr, b), "") << describe(caseNo, zc);
    }
}

// The engine's four-channel row paths (plain and vector) agree byte for
// byte, for the bilinear, the area average and the sampling forms.
TEST(ZoomBitmapTest, EveryRowPathGivesTheSameBytesOnFourChannels) {
    const std::vector<lx::NamedLinearRowPath> paths = lx::linearRowPaths();
    for (int caseNo = 0; caseNo < kZoomCases; ++caseNo) {
        const ZoomCase zc = zoomCase(caseNo);
        std::vector<Bytes> results[3];
        for (const lx::NamedLinearRowPath& p : paths) {
            QImage dst(zc.w, zc.h, QImage::Format_ARGB32);
            lx::enlargeLinearOn(p.path, constViewOf(zc.src32), viewOf(dst), 4, {});
            results[0].push_back(bytesOf(dst, 4));
            lx::shrinkLinearOn(p.path, constViewOf(zc.src32), viewOf(dst), 4);
            results[1].push_back(bytesOf(dst, 4));
            QImage dst8(zc.w, zc.h, QImage::Format_Grayscale8);
            lx::sampleLinearOn(p.path, constViewOf(zc.src8), viewOf(dst8), 1);
            results[2].push_back(bytesOf(dst8, 1));
        }
        for (int form = 0; form < 3; ++form)
            for (size_t k = 1; k < paths.size(); ++k)
                ASSERT_EQ(firstDifference(results[form][k], results[form][0]), "")
                    << describe(caseNo, zc) << ", form " << form << ", path " << paths[k].name;
    }
}

// ===========================================================================
// Balloon hints

// A press and release of Button at Pos of Widget, delivered as the window
// system would.
void click(QWidget* widget, Qt::MouseButton button, QPoint pos) {
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class BalloonTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.setGeometry(300, 200, 400, 300);
        control = new QWidget(&host);
        control->setGeometry(10, 20, 41, 30);
        host.show();
    }
    void TearDown() override {
        HideBalloonTip();
        SetBalloonTipRetireDelay(2500);
    }

    QWidget host;
    QWidget* control = nullptr;
};

TEST_F(BalloonTest, ShowsATopMostBalloonWithTitleAndTextAtTheControlsCentre) {
    ShowBalloonTip(control, "Hint", "Set up the printer first.", 7, -3);
    QWidget* tip = CurrentBalloonTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->windowFlags() & Qt::ToolTip);
    EXPECT_TRUE(tip->testAttribute(Qt::WA_TranslucentBackground));
    // Centre of the control: host origin (300, 200) + (10 + 41 div 2,
    // 20 + 30 div 2) = (330, 235); then x - 3 and y + 7.
    EXPECT_EQ(tip->geometry().topLeft(), QPoint(327, 242));
    bool titleBold = false, textShown = false;
    for (const QLabel* label : tip->findChildren<QLabel*>()) {
        if (label->text() == "Hint") titleBold = label->font().bold();
        if (label->text() == "Set up the printer first.") textShown = label->isVisible();
    }
    EXPECT_TRUE(titleBold);
    EXPECT_TRUE(textShown);
}

TEST_F(BalloonTest, ALeftClickClosesIt) {
    ShowBalloonTip(control, "Hint", "Text", 0, 0);
    QPointer<QWidget> tip = CurrentBalloonTip();
    ASSERT_TRUE(tip);
    const QPoint inside(tip->width() / 2, tip->height() / 2);
    click(tip, Qt::RightButton, inside);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(CurrentBalloonTip(), tip);
    click(tip, Qt::LeftButton, inside);
    ASSERT_TRUE(tip); // retired later, not at once
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(CurrentBalloonTip(), nullptr);
}

TEST_F(BalloonTest, ANullControlDoesNothing) {
    ShowBalloonTip(control, "Hint", "Text", 0, 0);
    QWidget* tip = CurrentBalloonTip();
    ShowBalloonTip(nullptr, "Other", "Other", 0, 0);
    EXPECT_EQ(CurrentBalloonTip(), tip);
    EXPECT_TRUE(tip->isVisible());
    HideBalloonTip();
    HideBalloonTip(); // nothing shown: harmless
    EXPECT_EQ(CurrentBalloonTip(), nullptr);
}

TEST_F(BalloonTest, ASecondHintReplacesTheFirstWhichIsDestroyedLater) {
    // The program retires hidden hints after 2.5 s; the test shortens that
    // so as not to wait for it.
    EXPECT_EQ(BalloonTipRetireDelay(), 2500);
    constexpr int kDelay = 100;
    SetBalloonTipRetireDelay(kDelay);
    ASSERT_EQ(BalloonTipRetireDelay(), kDelay);

    ShowBalloonTip(control, "One", "First", 0, 0);
    QPointer<QWidget> first = CurrentBalloonTip();
    ASSERT_TRUE(first);
    QEventLoop loop;
    bool destroyed = false;
    QObject::connect(first.data(), &QObject::destroyed, &loop, [&] {
        destroyed = true;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    ShowBalloonTip(control, "Two", "Second", 5, 5);
    QPointer<QWidget> second = CurrentBalloonTip();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->isVisible());
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->isVisible());

    // Events run for well under the delay (a coarse timer fires at most 5 %
    // early, so not before 95 ms): the first window is hidden but still there.
    QTimer::singleShot(40, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_FALSE(destroyed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->isVisible());

    // Then it goes; the guard only ends the wait should it never happen.
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(destroyed);
    EXPECT_GE(clock.elapsed(), kDelay * 95 / 100);
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
    EXPECT_TRUE(second->isVisible());
}

} // namespace

TEST(OutResToFileTest, WritesTheResourceReplacingAReadOnlyFileAndKeepsItWhenTheResourceIsMissing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("~VelmoBalloon.style"));
    QFile resource(QStringLiteral(":/custom/101"));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QByteArray expected = resource.readAll();
    ASSERT_FALSE(expected.isEmpty());
    {
        QFile old(name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older, longer file that must go completely");
    }
    QFile::setPermissions(name, QFileDevice::ReadOwner);
    EXPECT_TRUE(OutResToFile(QStringLiteral("CUSTOM"), 101, name));
    QFile written(name);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
    written.close();
    // No such resource: false, and the file stays as it was.
    EXPECT_FALSE(OutResToFile(QStringLiteral("CUSTOM"), 99999, name));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
    EXPECT_FALSE(OutResToFile(QStringLiteral("CUSTOM"), 101, dir.filePath(QStringLiteral("no/such/folder/x"))));
}
