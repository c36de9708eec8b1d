// The curve plug-in (loading it and the polylines it lays through control
// points) and the tone-curve operations on a layer's picture.

#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Table = TlxImage::CurveTable;
using Points = std::vector<TlxPoint>;

// ---------------------------------------------------------------- loading

const QString kMissingText =
    QString::fromUtf8("未找到“曲线插件”，请重新安装完整的《Quenlix图像处理系统》");
const QString kBrokenText =
    QString::fromUtf8("调入“曲线插件”，出错！请重新安装完整的《Quenlix图像处理系统》");

struct MessageLog {
    std::vector<std::pair<QString, uint32_t>> calls;
    void attach(TlxImage& doc) {
        doc.OnCallMessageBox = [this](TlxImage*, const QString& text, uint32_t type) {
            calls.emplace_back(text, type);
            return 1;
        };
    }
};

TEST(CurvePluginLoadTest, LoadsFromTheProgramFolderOnceAndReusesIt) {
    EXPECT_TRUE(QFileInfo::exists(QCoreApplication::applicationDirPath() + "/curveDLL.so"));
    auto doc = std::make_unique<TlxImage>();
    MessageLog log;
    log.attach(*doc);
    ASSERT_TRUE(doc->LoadCurvePlugin());
    ASSERT_NE(doc->CurvePoints, nullptr);
    const TlxImage::GetCurvePointsFn first = doc->CurvePoints;
    EXPECT_TRUE(doc->LoadCurvePlugin());
    EXPECT_EQ(doc->CurvePoints, first);
    EXPECT_TRUE(log.calls.empty());
}

TEST(CurvePluginLoadTest, MissingFileGivesTheFirstMessage) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    auto doc = std::make_unique<TlxImage>();
    MessageLog log;
    log.attach(*doc);
    EXPECT_FALSE(doc->LoadCurvePlugin(empty.path()));
    EXPECT_EQ(doc->CurvePoints, nullptr);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].first, kMissingText);
    EXPECT_EQ(log.calls[0].second, 0x10u); // OK button, error icon
}

// The path of a real shared library that has no GetCurvePoints: zlib, which
// Qt itself needs, found through one of its own functions.
QString libraryWithoutTheEntry() {
    QLibrary zlib(QStringLiteral("z"), 1);
    void* symbol = reinterpret_cast<void*>(zlib.resolve("zlibVersion"));
    Dl_info info{};
    if (!symbol || !dladdr(symbol, &info) || !info.dli_fname) return {};
    return QString::fromLocal8Bit(info.dli_fname);
}

TEST(CurvePluginLoadTest, UnloadableFileOrMissingEntryGivesTheSecondMessage) {
    const QString zlib = libraryWithoutTheEntry();
    ASSERT_FALSE(zlib.isEmpty());
    const std::vector<std::pair<const char*, std::function<bool(const QString&)>>> cases = {
        {"a text file",
         [](const QString& target) {
             QFile file(target);
             if (!file.open(QIODevice::WriteOnly)) return false;
             return file.write("not a library\n") > 0;
         }},
        {"a library without the entry",
         [&](const QString& target) { return QFile::copy(zlib, target); }},
    };
    for (const auto& [name, make] : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(make(dir.filePath("curveDLL.so"))) << name;
        auto doc = std::make_unique<TlxImage>();
        MessageLog log;
        log.attach(*doc);
        EXPECT_FALSE(doc->LoadCurvePlugin(dir.path())) << name;
        EXPECT_EQ(doc->CurvePoints, nullptr) << name;
        ASSERT_EQ(log.calls.size(), 1u) << name;
        EXPECT_EQ(log.calls[0].first, kBrokenText) << name;
        EXPECT_EQ(log.calls[0].second, 0x10u) << name;
    }
}

// ---------------------------------------------------------------- polylines

TlxImage::GetCurvePointsFn curvePoints() {
    auto doc = std::make_unique<TlxImage>(); // the library outlives the document
    EXPECT_TRUE(doc->LoadCurvePlugin());
    return doc->CurvePoints;
}

constexpr TlxPoint kSentinel{-777, -888};

// Calls the plug-in with room for maxOut points and checks that nothing is
// written past that room and that the count fits it.
Points curve(const Points& control, int maxOut) {
    static const TlxImage::GetCurvePointsFn fn = curvePoints();
    Points out(size_t(maxOut) + 4, kSentinel);
    int32_t count = -1;
    fn(control.data(), int32_t(control.size()), out.data(), maxOut, &count);
    for (size_t i = size_t(std::max(maxOut, 0)); i < out.size(); ++i)
        EXPECT_EQ(out[i], kSentinel) << "written past the room at " << i;
    EXPECT_GE(count, 0);
    EXPECT_LE(count, std::max(maxOut, 0));
    out.resize(size_t(std::clamp(count, 0, std::max(maxOut, 0))));
    return out;
}

bool contains(const Points& points, TlxPoint p) {
    return std::find(points.begin(), points.end(), p) != points.end();
}

bool strictlyIncreasingX(const Points& points) {
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i].X <= points[i - 1].X) return false;
    return true;
}

TEST(CurvePointsTest, TwoPointsGiveTheStraightLineAtEveryLevel) {
    const Points out = curve({{0, 255}, {255, 0}}, 5000);
    ASSERT_EQ(out.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(out[size_t(i)], (TlxPoint{i, 255 - i})) << i;
}

TEST(CurvePointsTest, CollinearPointsStayOnTheirLine) {
    // Every secant slope is 1; the weighted harmonic mean of equal slopes is
    // that slope, and the end estimate ((2h0 + h1) * 1 - h0 * 1) / (h0 + h1)
    // is 1 too. A cubic piece whose end slopes equal its secant is the line.
    const Points out = curve({{0, 0}, {50, 50}, {200, 200}, {255, 255}}, 5000);
    ASSERT_EQ(out.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(out[size_t(i)], (TlxPoint{i, i})) << i;
}

TEST(CurvePointsTest, PeakGetsAFlatTopWithoutOvershoot) {
    // (0, 0), (100, 200), (200, 0): the secants 2 and -2 change sign, so the
    // slope at the peak is 0. At x = 0 the end estimate is
    // ((2*100 + 100) * 2 - 100 * (-2)) / 200 = 4, within 3 * 2, so it stays.
    // Halfway along the first piece (t = 0.5, width 100) the Hermite weights
    // are 0.5, 0.125, 0.5, -0.125:
    //   y = 0.5 * 0 + 0.125 * (4 * 100) + 0.5 * 200 - 0.125 * 0 = 150,
    // and the second piece mirrors it.
    const Points out = curve({{0, 0}, {100, 200}, {200, 0}}, 5000);
    ASSERT_EQ(out.size(), 201u);
    EXPECT_TRUE(contains(out, {50, 150}));
    EXPECT_TRUE(contains(out, {100, 200}));
    EXPECT_TRUE(contains(out, {150, 150}));
    for (const TlxPoint& p : out) {
        EXPECT_GE(p.Y, 0);
        EXPECT_LE(p.Y, 200) << p.X;
    }
}

// The tone-curve promises: from the first to the last control point, one
// point per whole X, through every control point, and every point between the
// levels of the two control points around it. Empty when all hold.
std::string toneCurveFault(const Points& control, const Points& out) {
    if (out.empty()) return "no output";
    if (!(out.front() == control.front())) return "does not start at the first point";
    if (!(out.back() == control.back())) return "does not end at the last point";
    if (!strictlyIncreasingX(out)) return "X not strictly increasing";
    if (out.size() != size_t(control.back().X - control.front().X + 1))
        return "not one point per whole X";
    for (const TlxPoint& c : control)
        if (!contains(out, c)) return "misses a control point";
    size_t piece = 0;
    for (const TlxPoint& p : out) {
        while (piece + 2 < control.size() && p.X > control[piece + 1].X)
            ++piece;
        const int lo = std::min(control[piece].Y, control[piece + 1].Y);
        const int hi = std::max(control[piece].Y, control[piece + 1].Y);
        if (p.Y < lo || p.Y > hi)
            return "(" + std::to_string(p.X) + ", " + std::to_string(p.Y) + ") leaves its piece";
    }
    return {};
}

TEST(CurvePointsTest, ToneCurvesPassThroughTheirPointsWithinEachPiece) {
    const std::vector<Points> cases = {
        {{0, 255}, {64, 160}, {192, 40}, {255, 0}},
        {{0, 200}, {100, 20}, {180, 240}, {255, 30}},
        {{40, 255}, {90, 90}, {100, 200}, {255, 0}},
        {{0, 128}, {8, 0}, {16, 255}, {24, 0}, {32, 255}, {255, 128}},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(toneCurveFault(cases[i], curve(cases[i], 5000)), "") << "case " << i;
}

TEST(CurvePointsTest, RandomToneCurvesKeepEveryPromise) {
    for (int caseNo = 0; caseNo < 300; ++caseNo) {
        std::mt19937 rng(uint32_t(4242 + caseNo));
        const int count = 2 + int(rng() % 11);
        Points control;
        int x = int(rng() % 40);
        for (int k = 0; k < count; ++k) {
            control.push_back({x, int(rng() % 256)});
            x += 1 + int(rng() % 30);
        }
        EXPECT_EQ(toneCurveFault(control, curve(control, 5000)), "") << "case " << caseNo;
    }
}

TEST(CurvePointsTest, OutlinesAreSmoothCurvesThroughTheVerticesInOrder) {
    // A diamond drawn clockwise from its top: X goes up and down again, so it
    // is an outline. With four equal sides the centripetal knot spacing is
    // even and the tangent at a vertex is half the step between its two
    // neighbours (across the closing edge at the ends). First side, from
    // (80, 0) to (160, 80): tangents (160 - 0, 80 - 80) / 2 = (80, 0) and
    // (80 - 80, 160 - 0) / 2 = (0, 80). The side is ceil(80 * sqrt 2) = 114
    // steps, so step 57 is t = 0.5, where
    //   0.5 * (80, 0) + 0.125 * (80, 0) + 0.5 * (160, 80) - 0.125 * (0, 80)
    //   = (130, 30),
    // outside the straight side's midpoint (120, 40). The second side, from
    // (160, 80) to (80, 160), has tangents (0, 80) and (-80, 0) and passes
    // (80, 40) + (0, 10) + (40, 80) + (10, 0) = (130, 130).
    const Points diamond = {{80, 0}, {160, 80}, {80, 160}, {0, 80}};
    const Points out = curve(diamond, 100000);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), diamond.front());
    EXPECT_EQ(out.back(), diamond.back());
    for (const TlxPoint& v : diamond)
        EXPECT_TRUE(contains(out, v)) << v.X << ", " << v.Y;
    EXPECT_TRUE(contains(out, {130, 30}));
    EXPECT_TRUE(contains(out, {130, 130}));
    // Sampled about a pixel apart: neighbours differ by at most 2 either way.
    for (size_t i = 1; i < out.size(); ++i) {
        EXPECT_LE(std::abs(out[i].X - out[i - 1].X), 2) << i;
        EXPECT_LE(std::abs(out[i].Y - out[i - 1].Y), 2) << i;
    }
}

TEST(CurvePointsTest, TheRoomIsNeverExceeded) {
    const Points line = {{0, 255}, {255, 0}};
    const Points four = {{0, 255}, {64, 160}, {192, 40}, {255, 0}};
    const Points outline = {{80, 0}, {160, 80}, {80, 160}, {0, 80}};
    struct Case {
        const char* name;
        Points control;
        int maxOut;
        Points expected; // empty: only the ends are checked
    };
    const Case cases[] = {
        {"line in 10", line, 10, {}},
        {"line in 2", line, 2, line},
        {"line in 1", line, 1, {{0, 255}}},
        {"four in 3: the middle of the spread", four, 3, {{0, 255}, {64, 160}, {255, 0}}},
        {"four in 4: the control points", four, 4, four},
        {"outline in 10", outline, 10, {}},
        {"outline in 5", outline, 5, outline},
    };
    for (const Case& c : cases) {
        const Points out = curve(c.control, c.maxOut);
        if (!c.expected.empty()) {
            EXPECT_EQ(out, c.expected) << c.name;
            continue;
        }
        ASSERT_GE(out.size(), 2u) << c.name;
        EXPECT_EQ(out.front(), c.control.front()) << c.name;
        EXPECT_EQ(out.back(), c.control.back()) << c.name;
    }
    // The coarser line still lies on the line.
    for (const TlxPoint& p : curve(line, 10))
        EXPECT_EQ(p.Y, 255 - p.X);
    EXPECT_TRUE(curve(line, 0).empty());
    EXPECT_TRUE(curve(line, -3).empty());
}

TEST(CurvePointsTest, HostileInputIsSurvived) {
    static const TlxImage::GetCurvePointsFn fn = curvePoints();
    const Points line = {{0, 255}, {255, 0}};
    Points room(8, kSentinel);
    int32_t count = -1;
    fn(line.data(), -5, room.data(), 8, &count);
    EXPECT_EQ(count, 0);
    fn(nullptr, 2, room.data(), 8, &count);
    EXPECT_EQ(count, 0);
    count = -1;
    fn(line.data(), 2, nullptr, 8, &count);
    EXPECT_EQ(count, 0);
    fn(line.data(), 2, room.data(), 8, nullptr);
    EXPECT_EQ(room[0], kSentinel); // nowhere to say how many: nothing written
    EXPECT_TRUE(curve({}, 8).empty());

    // A vertical step: both ends of it, in order, and X never goes back.
    const Points step = curve({{0, 0}, {100, 0}, {100, 255}, {255, 255}}, 5000);
    const auto at = std::find(step.begin(), step.end(), TlxPoint{100, 0});
    ASSERT_NE(at, step.end());
    ASSERT_NE(at + 1, step.end());
    EXPECT_EQ(*(at + 1), (TlxPoint{100, 255}));
    for (size_t i = 1; i < step.size(); ++i)
        EXPECT_GE(step[i].X, step[i - 1].X);

    // Repeats of one point are that point.
    EXPECT_EQ(curve(Points(5, TlxPoint{7, 9}), 100), (Points{{7, 9}}));
    EXPECT_EQ(curve({{3, 4}, {3, 4}, {9, 1}, {9, 1}, {3, 4}}, 100).front(), (TlxPoint{3, 4}));

    // The widest coordinates, as a tone curve and as an outline.
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    const std::vector<Points> wide = {
        {{lo, lo}, {0, hi}, {hi, lo}},
        {{hi, 0}, {lo, hi}, {0, lo}, {hi, hi}},
        {{lo, lo}, {lo, hi}, {hi, hi}, {hi, lo}},
    };
    for (const Points& control : wide) {
        const Points out = curve(control, 1000);
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out.front(), control.front());
        EXPECT_EQ(out.back(), control.back());
    }
    EXPECT_TRUE(strictlyIncreasingX(curve(wide[0], 1000)));
}

// ---------------------------------------------------------------- tables

Table tableOf(const std::function<int(int)>& f) {
    Table t{};
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = uint8_t(f(i));
    return t;
}

const Table kIdentity = tableOf([](int v) { return v; });
const Table kInvert = tableOf([](int v) { return 255 - v; });

// A document whose only layer holds `picture` at (left, top).
std::unique_ptr<TlxImage> documentWith(const QImage& picture, int left = 0, int top = 0) {
    auto doc = std::make_unique<TlxImage>();
    EXPECT_TRUE(doc->AddBitmapLayer(picture));
    doc->Layers[0].Left = left;
    doc->Layers[0].Top = top;
    return doc;
}

void select(TlxImage& doc, const QImage& coverage, int left, int top) {
    doc.SelBitmap = coverage;
    doc.SelLeft = left;
    doc.SelTop = top;
    doc.HasSelection = true;
}

QImage picture(int w, int h, const std::function<Bgr(int, int)>& colour) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setBgr(image, x, y, colour(x, y));
    return image;
}

QImage grey(int w, int h, const std::function<int(int, int)>& level) {
    QImage image(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.scanLine(y)[x] = uint8_t(level(x, y));
    return image;
}

TEST(ApplyCurveTest, InvertingTableReadsTheSourceNotTheLayer) {
    const QImage source = picture(3, 2, [](int x, int y) {
        return Bgr{uint8_t(10 * x), uint8_t(100 + y), uint8_t(255 - x)};
    });
    auto doc = documentWith(solidBgr(3, 2, {1, 2, 3}));
    ASSERT_TRUE(doc->ApplyCurve(0, source, kInvert));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bgrAt(doc->Layers[0].Bitmap, x, y),
                      (Bgr{uint8_t(255 - 10 * x), uint8_t(155 - y), uint8_t(x)}))
                << x << ", " << y;
    EXPECT_EQ(greyAt(doc->Layers[0].Alpha, 1, 1), 255); // coverage untouched
}

TEST(ApplyCurveTest, EachColourHasItsOwnTableAndAnyFormatIsRead) {
    // Red halves, green inverts, blue thresholds at 128.
    const Table red = tableOf([](int v) { return v / 2; });
    const Table blue = tableOf([](int v) { return v < 128 ? 0 : 255; });
    // (r 100, g 30, b 200) -> (50, 225, 255); (r 255, g 255, b 127) -> (127, 0, 0).
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(100, 30, 200));
    source.setPixel(1, 0, qRgb(255, 255, 127));
    auto doc = documentWith(solidBgr(2, 1, {9, 9, 9}));
    ASSERT_TRUE(doc->ApplyCurvesRGB(0, source, red, kInvert, blue));
    EXPECT_EQ(bgrAt(doc->Layers[0].Bitmap, 0, 0), (Bgr{255, 225, 50}));
    EXPECT_EQ(bgrAt(doc->Layers[0].Bitmap, 1, 0), (Bgr{0, 0, 127}));
}

TEST(ApplyCurveTest, BadLayersSourcesAndSelectionsAreRefused) {
    const QImage layerPicture = solidBgr(4, 3, {5, 6, 7});
    struct Case {
        const char* name;
        int layer;
        QImage source;
    };
    const Case cases[] = {
        {"layer -1", -1, solidBgr(4, 3, {0, 0, 0})},
        {"layer past the last", 1, solidBgr(4, 3, {0, 0, 0})},
        {"source too wide", 0, solidBgr(5, 3, {0, 0, 0})},
        {"source too short", 0, solidBgr(4, 2, {0, 0, 0})},
        {"no source", 0, QImage()},
    };
    for (const Case& c : cases) {
        auto doc = documentWith(layerPicture);
        select(*doc, solidGrey(4, 3, 255), 0, 0);
        EXPECT_FALSE(doc->ApplyCurve(c.layer, c.source, kInvert)) << c.name;
        EXPECT_FALSE(doc->ApplyCurveInSelection(c.layer, c.source, kInvert)) << c.name;
        EXPECT_FALSE(doc->ApplyCurvesRGB(c.layer, c.source, kInvert, kInvert, kInvert)) << c.name;
        EXPECT_FALSE(doc->ApplyCurvesRGBInSelection(c.layer, c.source, kInvert, kInvert, kInvert))
            << c.name;
        EXPECT_EQ(doc->Layers[0].Bitmap, layerPicture) << c.name;
    }
    // The selection-limited forms need a selection: the flag and an 8-bit picture.
    auto doc = documentWith(layerPicture);
    const QImage source = solidBgr(4, 3, {0, 0, 0});
    EXPECT_FALSE(doc->ApplyCurveInSelection(0, source, kInvert));
    select(*doc, solidBgr(4, 3, {255, 255, 255}), 0, 0);
    EXPECT_FALSE(doc->ApplyCurvesRGBInSelection(0, source, kInvert, kInvert, kInvert));
    select(*doc, solidGrey(4, 3, 255), 0, 0);
    doc->HasSelection = false;
    EXPECT_FALSE(doc->ApplyCurveInSelection(0, source, kInvert));
    EXPECT_EQ(doc->Layers[0].Bitmap, layerPicture);
}

TEST(ApplyCurveInSelectionTest, TheCurveIsWeightedBySelectionValue) {
    // channel := N(T * s / 255 + (1 - s / 255) * c), T the table's value of the
    // source channel, c the layer's own channel.
    struct Case {
        int s, t, c, expected;
    };
    const Case cases[] = {
        // 200 * 128 = 25600, / 255 = 100.392; 1 - 128 / 255 = 0.49804, * 100
        // = 49.804; sum 150.196 -> 150.
        {128, 200, 100, 150}, {255, 37, 200, 37}, // 37 * 255 / 255 = 37 exactly, the rest 0
        {0, 37, 200, 200},                        // not selected: the layer keeps its value
        {1, 255, 0, 1},                           // 255 * 1 / 255 = 1 exactly, + 0
        {64, 0, 255, 191},                        // (191 / 255) * 255 = 191.000
        {200, 10, 250, 62},  // 2000 / 255 = 7.843, (55 / 255) * 250 = 53.922; 61.765
        {100, 255, 255, 255} // 100 + 155 = 255: full levels stay full
    };
    const int n = int(std::size(cases));
    // Pixel i's source level is i; the table sends level i to case i's T.
    Table table = kIdentity;
    for (int i = 0; i < n; ++i)
        table[size_t(i)] = uint8_t(cases[i].t);
    const QImage source = picture(n, 1, [](int x, int) {
        return Bgr{uint8_t(x), uint8_t(x), uint8_t(x)};
    });
    auto doc = documentWith(picture(n, 1, [&](int x, int) {
        const auto c = uint8_t(cases[x].c);
        return Bgr{c, c, c};
    }));
    select(*doc, grey(n, 1, [&](int x, int) { return cases[x].s; }), 0, 0);
    ASSERT_TRUE(doc->ApplyCurveInSelection(0, source, table));
    for (int i = 0; i < n; ++i) {
        const auto e = uint8_t(cases[i].expected);
        EXPECT_EQ(bgrAt(doc->Layers[0].Bitmap, i, 0), (Bgr{e, e, e})) << "case " << i;
    }
}

TEST(ApplyCurveInSelectionTest, ColourTablesAreWeightedChannelByChannel) {
    // Source (r 100, g 100, b 100) through red 100 -> 200, green -> 0, blue -> 255
    // over layer (r 100, g 60, b 10), selection 128 (keep = 127 / 255 = 0.49804):
    //   red   200 * 128 / 255 = 100.392 + 49.804 = 150.196 -> 150
    //   green 0 + 0.49804 * 60 = 29.882 -> 30
    //   blue  255 * 128 / 255 = 128 + 0.49804 * 10 = 132.980 -> 133
    const Table red = tableOf([](int v) { return v == 100 ? 200 : v; });
    const Table green = tableOf([](int) { return 0; });
    const Table blue = tableOf([](int) { return 255; });
    auto doc = documentWith(solidBgr(1, 1, {10, 60, 100}));
    select(*doc, solidGrey(1, 1, 128), 0, 0);
    ASSERT_TRUE(
        doc->ApplyCurvesRGBInSelection(0, solidBgr(1, 1, {100, 100, 100}), red, green, blue));
    EXPECT_EQ(bgrAt(doc->Layers[0].Bitmap, 0, 0), (Bgr{133, 30, 150}));
}

TEST(ApplyCurveInSelectionTest, OnlyPixelsOverTheSelectionChange) {
    // Layer 6 x 4 at (10, 20), selection 4 x 3 at (12, 19): layer pixel (x, y)
    // lies over selection pixel (x - 2, y + 1), so columns 2..5 and rows 0..1
    // are under it. Selection pixel (3, 2), over layer pixel (5, 1), is 0.
    const QImage layerPicture = picture(6, 4, [](int x, int y) {
        return Bgr{uint8_t(x), uint8_t(y), uint8_t(40 + x + y)};
    });
    auto doc = documentWith(layerPicture, 10, 20);
    select(*doc, grey(4, 3, [](int x, int y) { return x == 3 && y == 2 ? 0 : 255; }), 12, 19);
    const QImage source = solidBgr(6, 4, {200, 100, 50});
    ASSERT_TRUE(doc->ApplyCurveInSelection(0, source, kInvert));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool changed = x >= 2 && y <= 1 && !(x == 5 && y == 1);
            const Bgr expected = changed ? Bgr{55, 155, 205} : bgrAt(layerPicture, x, y);
            EXPECT_EQ(bgrAt(doc->Layers[0].Bitmap, x, y), expected) << x << ", " << y;
        }
}

// The weighting written out plainly, for one channel.
uint8_t plainWeighting(int curved, int s, int channel) {
    return uint8_t(RoundEven(double(curved) * s / 255.0 + (1.0 - s / 255.0) * channel));
}

TEST(ApplyCurveInSelectionTest, EveryCurvedLevelSelectionAndLevelMatchesTheFormula) {
    // Column x holds layer level x (blue), 255 - x (green), x ^ 0x5A (red);
    // row s is selected at s. The source is one level T everywhere, read
    // through the identity table, for every T.
    const QImage layerPicture = picture(256, 256, [](int x, int) {
        return Bgr{uint8_t(x), uint8_t(255 - x), uint8_t(x ^ 0x5A)};
    });
    const QImage coverage = grey(256, 256, [](int, int y) { return y; });
    auto doc = documentWith(layerPicture);
    QImage source(256, 256, QImage::Format_BGR888);
    for (int t = 0; t < 256; ++t) {
        source.fill(QColor(t, t, t));
        doc->Layers[0].Bitmap = layerPicture;
        select(*doc, coverage, 0, 0);
        ASSERT_TRUE(doc->ApplyCurveInSelection(0, source, kIdentity));
        const QImage& out = doc->Layers[0].Bitmap;
        int wrong = 0;
        for (int s = 0; s < 256; ++s)
            for (int x = 0; x < 256; ++x) {
                const Bgr c = bgrAt(layerPicture, x, s);
                const Bgr expected = s == 0
                                         ? c
                                         : Bgr{plainWeighting(t, s, c.b), plainWeighting(t, s, c.g),
                                               plainWeighting(t, s, c.r)};
                if (!(bgrAt(out, x, s) == expected) && wrong++ == 0)
                    ADD_FAILURE() << "T " << t << ", s " << s << ", level " << x;
            }
        ASSERT_EQ(wrong, 0) << "T " << t;
    }
}

TEST(ApplyCurveInSelectionTest, RandomLayoutsMatchAPixelByPixelReading) {
    for (int caseNo = 0; caseNo < 300; ++caseNo) {
        std::mt19937 rng(uint32_t(777 + caseNo));
        auto pick = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
        const int w = pick(1, 37), h = pick(1, 23);
        const int left = pick(-20, 20), top = pick(-20, 20);
        const int sw = pick(1, 41), sh = pick(1, 29);
        const int selLeft = pick(-30, 30), selTop = pick(-30, 30);
        std::array<Table, 3> tables{}; // red, green, blue
        for (Table& t : tables)
            for (uint8_t& v : t)
                v = uint8_t(rng());
        const QImage layerPicture = picture(w, h, [&](int, int) {
            return Bgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        });
        const QImage source = picture(w, h, [&](int, int) {
            return Bgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        });
        // Mostly unselected or fully selected, as real selections are.
        const QImage coverage = grey(sw, sh, [&](int, int) {
            const int kind = pick(0, 3);
            return kind == 0 ? 0 : kind == 1 ? 255 : pick(1, 254);
        });

        auto doc = documentWith(layerPicture, left, top);
        select(*doc, coverage, selLeft, selTop);
        const bool weighted = caseNo % 2 == 0;
        ASSERT_TRUE(weighted
                        ? doc->ApplyCurvesRGBInSelection(0, source, tables[0], tables[1], tables[2])
                        : doc->ApplyCurvesRGB(0, source, tables[0], tables[1], tables[2]))
            << "case " << caseNo;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Bgr c = bgrAt(layerPicture, x, y);
                const Bgr src = bgrAt(source, x, y);
                const Bgr curved{tables[2][src.b], tables[1][src.g], tables[0][src.r]};
                Bgr expected = curved;
                if (weighted) {
                    const int sx = left + x - selLeft, sy = top + y - selTop;
                    const int s =
                        sx >= 0 && sx < sw && sy >= 0 && sy < sh ? greyAt(coverage, sx, sy) : 0;
                    expected = s == 0 ? c
                                      : Bgr{plainWeighting(curved.b, s, c.b),
                                            plainWeighting(curved.g, s, c.g),
                                            plainWeighting(curved.r, s, c.r)};
                }
                ASSERT_EQ(bgrAt(doc->Layers[0].Bitmap, x, y), expected)
                    << "case " << caseNo << " at " << x << ", " << y;
            }
    }
}

// ---------------------------------------------------------------- histogram

TEST(SelectionHistogramTest, WithoutASelectionItIsThePlainHistogram) {
    const QImage pic = picture(5, 3, [](int x, int y) {
        return Bgr{uint8_t(x * 40), uint8_t(y * 90), uint8_t(x + y)};
    });
    auto doc = documentWith(pic);
    for (uint8_t channel = 0; channel < 4; ++channel) {
        std::array<int, 257> plain{}, selected{};
        selected.fill(-1);
        ASSERT_TRUE(TlxImage::GetHistogram(pic, channel, plain));
        ASSERT_TRUE(doc->GetSelectionHistogram(pic, channel, selected));
        EXPECT_EQ(selected, plain) << int(channel);
    }
    // A pixel (r 10, g 20, b 30) has luminance (2990 + 11740 + 3420) div 1000 = 18.
    std::array<int, 257> counts{};
    ASSERT_TRUE(doc->GetSelectionHistogram(solidBgr(2, 2, {30, 20, 10}), 0, counts));
    EXPECT_EQ(counts[0], 4);
    EXPECT_EQ(counts[1 + 18], 4);
}

TEST(SelectionHistogramTest, WithASelectionOnlySelectedPixelsCount) {
    // Current layer 4 x 2 at (2, 1); selection 3 x 2 at (3, 1): layer pixel
    // (x, y) lies over selection pixel (x - 1, y). The non-zero selection
    // pixels (1, 0), (2, 0) and (0, 1) lie over layer pixels (2, 0), (3, 0)
    // and (1, 1).
    QImage pic = solidBgr(4, 2, {0, 0, 0});
    setBgr(pic, 2, 0, {30, 20, 10});    // luminance 18 (see above)
    setBgr(pic, 3, 0, {0, 0, 255});     // 255 * 299 div 1000 = 76
    setBgr(pic, 1, 1, {100, 100, 100}); // 100
    setBgr(pic, 0, 0, {7, 7, 7});       // outside the selection
    auto doc = documentWith(pic, 2, 1);
    const QImage coverage = grey(3, 2, [](int x, int y) {
        return (y == 0 && x > 0) || (y == 1 && x == 0) ? 1 + 100 * x : 0;
    });
    select(*doc, coverage, 3, 1);
    struct Case {
        uint8_t channel;
        std::vector<int> values;
    };
    const Case cases[] = {
        {0, {18, 76, 100}},
        {1, {10, 255, 100}},
        {2, {20, 0, 100}},
        {3, {30, 0, 100}},
    };
    for (const Case& c : cases) {
        std::array<int, 257> expected{};
        expected[0] = 3;
        for (int v : c.values)
            ++expected[size_t(1 + v)];
        std::array<int, 257> counts{};
        ASSERT_TRUE(doc->GetSelectionHistogram(pic, c.channel, counts));
        EXPECT_EQ(counts, expected) << int(c.channel);
    }
    // An 8-bit picture counts its bytes under the same selection.
    const QImage levels = grey(4, 2, [](int x, int y) { return 10 * x + y; });
    std::array<int, 257> counts{};
    ASSERT_TRUE(doc->GetSelectionHistogram(levels, 2, counts));
    EXPECT_EQ(counts[0], 3);
    EXPECT_EQ(counts[1 + 20], 1);
    EXPECT_EQ(counts[1 + 30], 1);
    EXPECT_EQ(counts[1 + 11], 1);

    // A selection away from the layer counts nothing; no current layer, no answer.
    select(*doc, coverage, 50, 50);
    ASSERT_TRUE(doc->GetSelectionHistogram(pic, 0, counts));
    EXPECT_EQ(counts[0], 0);
    doc->CurrLayerID = 3;
    EXPECT_FALSE(doc->GetSelectionHistogram(pic, 0, counts));
}

// Selections of runs, the way real ones are laid out: long stretches of 0
// and of 255 with partial values between, each run 1 to 40 pixels long, so
// that the rows are read both in groups of eight selection bytes and pixel
// by pixel. The weighted application and the selected histogram must equal
// a plain pixel-by-pixel reading; a failure names the case to replay.
TEST(CurveSelectionRunsTest, RunsOfSelectionMatchAPixelByPixelReading) {
    for (int caseNo = 0; caseNo < 200; ++caseNo) {
        std::mt19937 rng(uint32_t(4242 + caseNo));
        auto pick = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
        const int w = pick(1, 120), h = pick(1, 9);
        const int left = pick(-15, 15), top = pick(-3, 3);
        const int sw = pick(1, 130), sh = pick(1, 11);
        const int selLeft = pick(-20, 20), selTop = pick(-3, 3);
        std::array<Table, 3> tables{};
        for (Table& t : tables)
            for (uint8_t& v : t)
                v = uint8_t(rng());
        const QImage layerPicture = picture(w, h, [&](int, int) {
            return Bgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        });
        const QImage source = picture(w, h, [&](int, int) {
            return Bgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        });
        QImage coverage(sw, sh, QImage::Format_Grayscale8);
        for (int y = 0; y < sh; ++y) {
            int x = 0;
            while (x < sw) {
                const int kind = pick(0, 2);
                const int length = pick(1, 40);
                for (int k = 0; k < length && x < sw; ++k, ++x)
                    coverage.scanLine(y)[x] = uint8_t(kind == 0 ? 0 : kind == 1 ? 255 : pick(1, 254));
            }
        }
        auto doc = documentWith(layerPicture, left, top);
        select(*doc, coverage, selLeft, selTop);
        ASSERT_TRUE(doc->ApplyCurvesRGBInSelection(0, source, tables[0], tables[1], tables[2]))
            << "case " << caseNo;
        std::array<int, 257> expectedCounts{};
        const uint8_t channel = uint8_t(caseNo % 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Bgr c = bgrAt(layerPicture, x, y);
                const Bgr src = bgrAt(source, x, y);
                const Bgr curved{tables[2][src.b], tables[1][src.g], tables[0][src.r]};
                const int sx = left + x - selLeft, sy = top + y - selTop;
                const int s = sx >= 0 && sx < sw && sy >= 0 && sy < sh ? greyAt(coverage, sx, sy) : 0;
                const Bgr expected = s == 0 ? c
                                            : Bgr{plainWeighting(curved.b, s, c.b),
                                                  plainWeighting(curved.g, s, c.g),
                                                  plainWeighting(curved.r, s, c.r)};
                ASSERT_EQ(bgrAt(doc->Layers[0].Bitmap, x, y), expected)
                    << "case " << caseNo << " at " << x << ", " << y;
                if (s == 0) continue;
                const int value = channel == 0   ? (c.r * 299 + c.g * 587 + c.b * 114) / 1000
                                  : channel == 1 ? c.r
                                  : channel == 2 ? c.g
                                                 : c.b;
                ++expectedCounts[0];
                ++expectedCounts[size_t(1 + value)];
            }
        std::array<int, 257> counts{};
        ASSERT_TRUE(doc->GetSelectionHistogram(layerPicture, channel, counts)) << "case " << caseNo;
        ASSERT_EQ(counts, expectedCounts) << "case " << caseNo;
    }
}

} // namespace
