#include "codepage.h"
#include "lxImage.h"
#include "picture_helpers.h"
#include "text/text_layout.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

const std::string kTextPrefix = "\xce\xc4\xb1\xbe\xb2\xe3 "; // "文本层 " in GBK
const std::string kSongTi = "\xcb\xce\xcc\xe5";              // "宋体" in GBK

// Fonts the setup script installs; tests draw with nothing else.
const char kSans[] = "DejaVu Sans";

TlxTextStyle makeStyle(const std::string& text, int16_t arrangement, int size = 20) {
    TlxTextStyle style{};
    SetText(style, text);
    SetFontName(style, kSans);
    style.Size = size;
    style.Arrangement = arrangement;
    style.Color = lxRGB(200, 30, 40);
    return style;
}

std::unique_ptr<TlxImage> newDocument(int w = 400, int h = 300) {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, w, h));
    return img;
}

// The smallest rectangle holding every non-zero pixel.
QRect inkBox(const QImage& grey) {
    QRect box;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            if (greyAt(grey, x, y) != 0) box |= QRect(x, y, 1, 1);
    return box;
}

QFontMetrics metricsOf(const TlxTextStyle& style) {
    return QFontMetrics(TlxImage::TextFont(style));
}

int widthOf(const TlxTextStyle& style, const char* text) {
    return metricsOf(style).horizontalAdvance(QString::fromUtf8(text));
}

TEST(FontTest, MissingFontsFallBackToSongTi) {
    EXPECT_EQ(TlxImage::ResolveFontName(kSans), kSans);
    EXPECT_EQ(TlxImage::ResolveFontName("No Such Font 12345"), kSongTi);
    EXPECT_EQ(TlxImage::ResolveFontName(kSongTi), kSongTi);
    // "宋体" draws with an installed Song-style family.
    TlxTextStyle style = makeStyle("A", lxTextStandard);
    SetFontName(style, "No Such Font 12345");
    const QString family = QFontInfo(TlxImage::TextFont(style)).family();
    EXPECT_TRUE(family.startsWith("AR PL UMing")) << family.toStdString();
}

TEST(StandardTextTest, TwoLinesStackAndTakeTheWiderWidth) {
    TlxImage img;
    const TlxTextStyle style = makeStyle("Wide line\r\nab", lxTextStandard);
    QImage target;
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(style), style, target));
    const QFontMetrics m = metricsOf(style);
    EXPECT_EQ(target.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(target.width(), m.horizontalAdvance("Wide line"));
    EXPECT_EQ(target.height(), 2 * m.height());
    EXPECT_FALSE(inkBox(target).isEmpty());
}

TEST(StandardTextTest, NegativeLineSpacingPullsTheSecondLineUp) {
    TlxImage img;
    // The first line is blank, so all ink belongs to the second line.
    TlxTextStyle style = makeStyle(" \r\nH", lxTextStandard);
    QImage plain, tight;
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(style), style, plain));
    SetSpacing(style, 0, -5);
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(style), style, tight));
    const int e = metricsOf(style).height();
    // (e - 5) + (e - 5) + 5: the last line keeps its full height.
    EXPECT_EQ(tight.height(), 2 * (e - 5) + 5);
    // The second line starts at e - 5 instead of e.
    EXPECT_EQ(inkBox(tight).top(), inkBox(plain).top() - 5);
}

TEST(StandardTextTest, CharacterSpacingWidensByTheFirstCharacterRule) {
    TlxImage img;
    TlxTextStyle style = makeStyle("MMMM", lxTextStandard);
    SetSpacing(style, 4, 0);
    QImage target;
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(style), style, target));
    QFont font = TlxImage::TextFont(style);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    const QFontMetrics m(font);
    const int f = m.horizontalAdvance("MMMM"), w1 = m.horizontalAdvance("M");
    EXPECT_EQ(target.width(), f + 4 * (f / w1 - 1));
}

TEST(TurnedLineTest, NinetyDegreesStandsTheLineOnItsEnd) {
    TlxImage img;
    TlxTextStyle upright = makeStyle("Turn", lxTextStandard, 30);
    TlxTextStyle turned = makeStyle("Turn", lxTextTurnedLine, 30);
    turned.Param = 90;
    QImage a, b;
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(upright), upright, a));
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(turned), turned, b));
    const int w = a.width(), h = a.height();
    EXPECT_EQ(b.size(), QSize(h, w));
    // Clockwise about the origin (h, 0): upright (x, y) lands on (h - y, x).
    const QRect ink = inkBox(a), turnedInk = inkBox(b);
    EXPECT_NEAR(turnedInk.left(), h - 1 - ink.bottom(), 1);
    EXPECT_NEAR(turnedInk.right(), h - 1 - ink.top(), 1);
    EXPECT_NEAR(turnedInk.top(), ink.left(), 1);
    EXPECT_NEAR(turnedInk.bottom(), ink.right(), 1);

    const lx::TurnedBox box = lx::turnedBox(100, 20, 90);
    EXPECT_EQ(box.Width, 20);
    EXPECT_EQ(box.Height, 100);
    EXPECT_EQ(box.X, 20);
    EXPECT_EQ(box.Y, 0);
}

TEST(TurnedLineTest, BoxesForEveryQuadrant) {
    struct Case {
        int angle, w, h, x, y;
    };
    // A line of 100 x 20; cos 30 = 0.866, sin 30 = 0.5.
    const Case cases[] = {
        {0, 100, 20, 0, 0},      {30, 97, 67, 10, 0}, // 86.6 + 10, 50 + 17.3; x = 20 sin 30
        {120, 67, 97, 67, 10},   // t = 30: 50 + 17.3, 86.6 + 10; x = W, y = 20 sin 30
        {-30, 97, 67, 0, 50},    // y = 67.3 - 20 cos 30 = 50
        {-120, 67, 97, 50, 97},  // t = 30: x = 67.3 - 17.3, y = H
        {180, 100, 20, 100, 20}, // t = 90
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        const lx::TurnedBox box = lx::turnedBox(100, 20, c.angle);
        EXPECT_EQ(box.Width, c.w);
        EXPECT_EQ(box.Height, c.h);
        EXPECT_EQ(box.X, c.x);
        EXPECT_EQ(box.Y, c.y);
    }
}

TEST(ArcTextTest, DefaultRadiusFollowsTheTextWidthWithinLimits) {
    TlxImage img;
    struct Case {
        const char* text;
        int size;
    };
    const Case cases[] = {
        {"ab", 12}, {"A longer arc of text here", 24}, {"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TlxTextStyle style = makeStyle(c.text, lxTextArc, c.size);
        QImage target;
        ASSERT_TRUE(img.RenderTextBitmap(TextOf(style), style, target));
        const double w = widthOf(style, c.text);
        const int r = std::clamp(int(std::lround(w / M_PI)), 100, 500);
        EXPECT_EQ(target.size(), QSize(2 * r, 2 * r));
        EXPECT_FALSE(inkBox(target).isEmpty());
    }
}

TEST(ArcTextTest, DefaultCircleForAThousandPixelText) {
    int r = 0, s = 0;
    // 1000 / pi = 318.3 -> 318; p = 318 * 2 pi / 360 = 5.550 px per degree;
    // 360 - 1000 / 5.550 / 2 = 269.9 -> 270.
    lx::arcDefaultCircle(1000, r, s);
    EXPECT_EQ(r, 318);
    EXPECT_EQ(s, 270);
    lx::arcDefaultCircle(100, r, s); // 31.8 -> at least 100
    EXPECT_EQ(r, 100);
    lx::arcDefaultCircle(5000, r, s); // 1591.5 -> at most 500
    EXPECT_EQ(r, 500);
}

TEST(ArcTextTest, SmoothingKeepsTheChosenCircle) {
    // A long text at 3x would pick a clamped radius of 500; the circle is
    // chosen at the real size, so the layer keeps its size.
    auto img = newDocument();
    TlxTextStyle style = makeStyle("Congratulations on your graduation, all of us", lxTextArc, 28);
    ASSERT_TRUE(img->AddTextLayer(0, 0, style));
    style.Smoothing = 2;
    ASSERT_TRUE(img->AddTextLayer(0, 0, style));
    const QSize plain = img->Layers[1].Alpha.size();
    EXPECT_GT(plain.width(), 2 * 170);
    EXPECT_EQ(img->Layers[2].Alpha.size(), plain);
}

TEST(ArcTextTest, PlacementsRunClockwiseFromTheStartAngle) {
    // Every byte 10 pixels wide.
    const lx::TextWidth width = [](const std::string& s) { return 10.0 * double(s.size()); };
    const int r = 57; // p = 57 * 2 pi / 360 = 0.9948 pixels per degree
    const double p = r * 2 * M_PI / 360;
    const auto places = lx::circlePlacements(width, "abc", 100, false, 0, r, 100);
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0].X, 100);
    EXPECT_EQ(places[0].Y, 100 - r);
    EXPECT_DOUBLE_EQ(places[0].Angle, 360 - 5 / p);
    const double q1 = 10 / p;
    EXPECT_EQ(places[1].X, int(std::lround(100 + r * std::sin(q1 * M_PI / 180))));
    EXPECT_EQ(places[1].Y, int(std::lround(100 - r * std::cos(q1 * M_PI / 180))));
    EXPECT_DOUBLE_EQ(places[2].Angle, 360 - 25 / p);

    // Centred on the top: the middle of "abc" (15 px) sits at 0 degrees.
    const auto top = lx::circlePlacements(width, "abc", 100, false, -1, r, 100);
    EXPECT_NEAR(top[1].Angle, 0.0, 1e-9); // 360 - 360
}

TEST(ArcTextTest, ReverseRunsInsideAndBackwards) {
    const lx::TextWidth width = [](const std::string& s) {
        return s == "A" ? 10.0 : 8.0 * double(s.size());
    };
    // No two-byte character: the radius shrinks by 2.1 * width of "A" = 21.
    const auto places = lx::circlePlacements(width, "xy", 200, true, 0, 150, 200);
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0].Char, "y");
    EXPECT_EQ(places[0].Y, 200 - 129);
    EXPECT_DOUBLE_EQ(places[0].Angle, 360 - 4 / (150 * 2 * M_PI / 360) + 180);
    // With a two-byte character: 1.2 * its width (16) = 19.2 -> radius 131.
    const auto wide = lx::circlePlacements(width, "a\xcd\xbc", 200, true, 0, 150, 200);
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0].Char, "\xcd\xbc");
    EXPECT_EQ(wide[0].Y, 200 - 131);
}

TEST(VerticalTextTest, ColumnsBecomeLines) {
    EXPECT_EQ(lx::transposeVertical("AB\r\nC"), "AC\r\nB ");
    // Two-byte characters are taken whole.
    EXPECT_EQ(lx::transposeVertical("\xcd\xbc\xb2\xe3"), "\xcd\xbc\r\n\xb2\xe3");
    TlxImage img;
    const TlxTextStyle vertical = makeStyle("AB\r\nC", lxTextVertical);
    const TlxTextStyle standard = makeStyle("AC\r\nB ", lxTextStandard);
    QImage a, b;
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(vertical), vertical, a));
    ASSERT_TRUE(img.RenderTextBitmap(TextOf(standard), standard, b));
    EXPECT_EQ(a, b);
}

TEST(SmoothingTest, BlocksAreAveragedWithIntegerDivision) {
    QImage big(8, 4, QImage::Format_Grayscale8);
    big.fill(0);
    // Left 4 x 4 block: sixteen values 0..15 summing to 120 -> 120 >> 4 = 7.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            big.scanLine(y)[x] = uint8_t(4 * y + x);
    // Right block: all 255 but one 0: 3825 >> 4 = 239.
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            big.scanLine(y)[x] = 255;
    big.scanLine(3)[7] = 0;
    const QImage small = lx::reduceBlocks(big, 4);
    ASSERT_EQ(small.size(), QSize(2, 1));
    EXPECT_EQ(greyAt(small, 0, 0), 7);
    EXPECT_EQ(greyAt(small, 1, 0), 239);
    // 3 x 3: nine values 1..9 sum 45, 45 / 9 = 5.
    QImage nine(3, 3, QImage::Format_Grayscale8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            nine.scanLine(y)[x] = uint8_t(1 + 3 * y + x);
    EXPECT_EQ(greyAt(lx::reduceBlocks(nine, 3), 0, 0), 5);
}

TEST(SmoothingTest, HighSmoothingDrawsAtFourTimesAndAverages) {
    auto img = newDocument();
    TlxTextStyle style = makeStyle("Smooth", lxTextStandard, 15);
    style.Smoothing = 3;
    ASSERT_TRUE(img->AddTextLayer(0, 0, style));
    TlxTextStyle big = style;
    big.Size = 60;
    big.Smoothing = 0;
    big.Color = lxRGB(255, 255, 255); // coverage is drawn in white
    QImage large;
    ASSERT_TRUE(img->RenderTextBitmap(TextOf(big), big, large));
    const TlxLayer& layer = img->Layers[1];
    EXPECT_EQ(layer.Alpha.size(), QSize(large.width() / 4, large.height() / 4));
    EXPECT_EQ(layer.Alpha, lx::reduceBlocks(large, 4));
    EXPECT_EQ(layer.Bitmap.size(), layer.Alpha.size());
    EXPECT_EQ(bgrAt(layer.Bitmap, 0, 0), (Bgr{40, 30, 200}));
}

TEST(TextLayerTest, ShortTextsNameTheirLayers) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddTextLayer(5, 6, makeStyle("  AB  ", lxTextStandard)));
    EXPECT_EQ(img->Layers[1].Name, "AB");
    EXPECT_TRUE(img->Layers[1].IsText);
    EXPECT_EQ(img->Layers[1].Left, 5);
    EXPECT_EQ(img->Layers[1].Top, 6);
    EXPECT_EQ(img->CurrLayerID, 1);
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("sixteen bytes!!!", lxTextStandard)));
    EXPECT_EQ(img->Layers[2].Name, "sixteen bytes!!!");
    ASSERT_TRUE(img->DeleteLayer(2));
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("seventeen bytes!!", lxTextStandard)));
    EXPECT_EQ(img->Layers[2].Name, kTextPrefix + "1");
    // Nine two-byte characters: 18 bytes.
    std::string nine;
    for (int k = 0; k < 9; ++k)
        nine += "\xcd\xbc";
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle(nine, lxTextStandard)));
    EXPECT_EQ(img->Layers[3].Name, kTextPrefix + "2");
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("   ", lxTextStandard)));
    EXPECT_EQ(img->Layers[4].Name, kTextPrefix + "3");
}

TEST(TextLayerTest, FullDocumentRefusesWithoutCounting) {
    auto img = newDocument(20, 20);
    while (img->LayersCount < TlxImage::MaxLayers)
        ASSERT_TRUE(img->AddBitmapLayer(solidBgr(1, 1, {})));
    EXPECT_FALSE(img->AddTextLayer(0, 0, makeStyle("A", lxTextStandard)));
    EXPECT_EQ(img->LayersCount, TlxImage::MaxLayers);
    EXPECT_TRUE(img->CanReDraw);
}

TEST(TextLayerTest, HugeTextSmoothsLessOrFailsCleanly) {
    auto img = newDocument();
    // Twelve W at 500 pt (667 px): about 7900 px wide, so 4x (31600) is
    // beyond the largest picture side while 3x (23700) fits.
    TlxTextStyle plain = makeStyle("WWWWWWWWWWWW", lxTextStandard, 500);
    const int width = metricsOf(plain).horizontalAdvance("WWWWWWWWWWWW");
    ASSERT_GT(4 * width, TlxImage::MaxPictureSide);
    ASSERT_LT(3 * width, TlxImage::MaxPictureSide);
    TlxTextStyle big = plain;
    big.Smoothing = 3;
    ASSERT_TRUE(img->AddTextLayer(0, 0, big));
    // Drawn at 3x and reduced by 3: the text keeps its size.
    // (Glyph widths at 3x size round a little differently.)
    EXPECT_NEAR(img->Layers[1].Alpha.width(), width, width / 100);
    EXPECT_FALSE(inkBox(img->Layers[1].Alpha).isEmpty());

    // A font beyond the largest size is not smoothed to a smaller picture.
    TlxTextStyle huge = makeStyle("W", lxTextStandard, 4000);
    ASSERT_TRUE(img->AddTextLayer(0, 0, huge));
    huge.Smoothing = 3;
    ASSERT_TRUE(img->AddTextLayer(0, 0, huge));
    EXPECT_EQ(img->Layers[3].Alpha.size(), img->Layers[2].Alpha.size());

    // 1000 characters at the largest font size fit no picture at all.
    TlxTextStyle impossible = makeStyle(std::string(1000, 'W'), lxTextStandard, 100000);
    EXPECT_FALSE(img->AddTextLayer(0, 0, impossible));
    EXPECT_EQ(img->LayersCount, 4);
    EXPECT_TRUE(img->CanReDraw);
}

TEST(TextLayerTest, MaskFollowsResizeAndTurn) {
    auto img = newDocument();
    TlxTextStyle style = makeStyle("Masked", lxTextTurnedLine, 20);
    ASSERT_TRUE(img->AddTextLayer(0, 0, style));
    QImage mask = solidBgr(2, 2, {255, 255, 255});
    ASSERT_TRUE(img->SetLayerMask(1, mask));
    const int width = img->Layers[1].Bitmap.width();
    ASSERT_TRUE(img->ResizeLayer(1, 2 * width, 1, 0));
    EXPECT_EQ(img->Layers[1].Mask.size(), img->Layers[1].Bitmap.size());
    ASSERT_TRUE(img->RotateLayerImage(1, 90));
    EXPECT_EQ(img->Layers[1].Mask.size(), img->Layers[1].Bitmap.size());
    EXPECT_EQ(img->Layers[1].TextStyle.Param, 90);
}

TEST(TextLayerTest, NegativeSizeKeepsItsSignWhenResized) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("Sign", lxTextStandard, -20)));
    const int width = img->Layers[1].Bitmap.width();
    ASSERT_TRUE(img->ResizeLayer(1, width, 1, 0));
    EXPECT_EQ(img->Layers[1].TextStyle.Size, -20);
    EXPECT_EQ(img->Layers[1].Bitmap.width(), width);
}

TEST(TextLayerTest, UnknownArrangementDrawsNothing) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("A", 7)));
    EXPECT_TRUE(inkBox(img->Layers[1].Alpha).isEmpty());
    EXPECT_EQ(img->Layers[1].Alpha.size(), QSize(10, 10));
    // The layer still has a picture of its coverage's size.
    EXPECT_EQ(img->Layers[1].Bitmap.size(), QSize(10, 10));
    EXPECT_EQ(img->Layers[1].Bitmap.format(), QImage::Format_BGR888);
    ASSERT_TRUE(img->RenderTextLayer(1));
    EXPECT_EQ(img->Layers[1].Alpha.size(), QSize(10, 10));
}

TEST(TextLayerTest, ResizeScalesTheFontAndDrawsAgain) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("Resize me", lxTextStandard, 20)));
    const int width = img->Layers[1].Bitmap.width();
    ASSERT_TRUE(img->ResizeLayer(1, 2 * width, 5, 1));
    const TlxLayer& layer = img->Layers[1];
    EXPECT_EQ(layer.TextStyle.Size, 40);
    TlxTextStyle doubled = makeStyle("Resize me", lxTextStandard, 40);
    EXPECT_EQ(layer.Alpha.size(), QSize(metricsOf(doubled).horizontalAdvance("Resize me"),
                                        metricsOf(doubled).height()));
}

TEST(TextLayerTest, TurningAddsToTheAngle) {
    auto img = newDocument();
    TlxTextStyle style = makeStyle("Turn", lxTextTurnedLine);
    ASSERT_TRUE(img->AddTextLayer(0, 0, style));
    ASSERT_TRUE(img->RotateLayerImage(1, 200));
    EXPECT_EQ(img->Layers[1].TextStyle.Param, 200);
    ASSERT_TRUE(img->RotateLayerImage(1, 200));
    EXPECT_EQ(img->Layers[1].TextStyle.Param, 40); // 400 - 360
    ASSERT_TRUE(img->RotateLayerImage(1, -500));
    EXPECT_EQ(img->Layers[1].TextStyle.Param, -100); // 40 - 140
}

TEST(TextLayerTest, TurningTextThatReadsNoAngle) {
    auto img = newDocument();
    // A single standard line becomes a turned line.
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("One line", lxTextStandard)));
    ASSERT_TRUE(img->RotateLayerImage(1, 30));
    EXPECT_EQ(img->Layers[1].TextStyle.Arrangement, lxTextTurnedLine);
    EXPECT_EQ(img->Layers[1].TextStyle.Param, 30);

    // Several lines, vertical and freehand text have no turned form.
    for (int16_t arrangement : {lxTextStandard, lxTextVertical, lxTextFreehand}) {
        const std::string text = arrangement == lxTextFreehand ? "ab" : "two\r\nlines";
        ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle(text, arrangement)));
        const int i = img->LayersCount - 1;
        const TlxLayer before = img->Layers[size_t(i)];
        EXPECT_FALSE(img->RotateLayerImage(i, 30)) << arrangement;
        EXPECT_EQ(
            std::memcmp(&img->Layers[size_t(i)].TextStyle, &before.TextStyle, sizeof(TlxTextStyle)),
            0);
        EXPECT_EQ(img->Layers[size_t(i)].Alpha, before.Alpha);
        EXPECT_TRUE(img->CanReDraw);
    }

    // A full circle turns as an arc of the same circle.
    ASSERT_TRUE(img->AddTextLayer(0, 0, makeStyle("around and around", lxTextCircle)));
    const int circle = img->LayersCount - 1;
    ASSERT_TRUE(img->RotateLayerImage(circle, 90));
    EXPECT_EQ(img->Layers[size_t(circle)].TextStyle.Arrangement, lxTextArc);
    EXPECT_EQ(ArcStartAngle(img->Layers[size_t(circle)].TextStyle), 88);

    // A short circle text keeps a small circle rather than the default one.
    TlxTextStyle small = makeStyle("AB", lxTextCircle, 10);
    small.Reverse = 1;
    ASSERT_TRUE(img->AddTextLayer(0, 0, small));
    const int last = img->LayersCount - 1;
    ASSERT_TRUE(img->RotateLayerImage(last, 10));
    EXPECT_EQ(ArcRadius(img->Layers[size_t(last)].TextStyle), 10);
    EXPECT_EQ(img->Layers[size_t(last)].TextStyle.Reverse, 0);
    EXPECT_EQ(img->Layers[size_t(last)].Alpha.size(), QSize(20, 20));
}

// Composes one text layer of every arrangement; with VELMO_SHOT_DIR set the
// picture is saved there for a look.
TEST(TextLayerTest, EveryArrangementDrawsInk) {
    auto img = newDocument(900, 700);
    struct Item {
        int16_t arrangement;
        const char* utf8;
        int x, y, param;
    };
    const Item items[] = {
        {lxTextStandard, "Standard 标准\r\nsecond line", 10, 10, 0},
        {lxTextTurnedLine, "Turned line 30", 10, 120, 30},
        {lxTextTurnedChars, "Chars 20", 450, 10, 20},
        {lxTextCircle, "Round and round the circle goes", 10, 300, 0},
        {lxTextArc, "Arc text on top", 330, 240, 0},
        {lxTextVertical, "竖排\r\nAB", 820, 10, 0},
        {lxTextPlain, "Plain text\r\nin two lines", 450, 120, 0},
    };
    for (const Item& item : items) {
        TlxTextStyle style =
            makeStyle(lx::toGbk(QString::fromUtf8(item.utf8)), item.arrangement, 22);
        SetFontName(style, kSongTi);
        style.Param = item.param;
        style.Smoothing = 2;
        style.Color = lxRGB(20, 60, 160);
        ASSERT_TRUE(img->AddTextLayer(item.x, item.y, style)) << item.utf8;
        EXPECT_FALSE(inkBox(img->Layers[size_t(img->LayersCount - 1)].Alpha).isEmpty())
            << item.utf8;
    }
    TlxTextStyle freehand = makeStyle("Hi", lxTextFreehand, 30);
    SetFreehandPlace(freehand, 0, {600, 600, 0});
    SetFreehandPlace(freehand, 1, {640, 600, -45});
    ASSERT_TRUE(img->AddTextLayer(0, 0, freehand));
    const TlxLayer& free = img->Layers[size_t(img->LayersCount - 1)];
    EXPECT_EQ(free.Alpha.size(), QSize(900, 700));
    EXPECT_TRUE(QRect(580, 580, 160, 120).contains(inkBox(free.Alpha)));

    ASSERT_TRUE(img->ReDraw());
    const QByteArray dir = qgetenv("VELMO_SHOT_DIR");
    if (!dir.isEmpty())
        img->ShowBmp.save(QDir(QString::fromLocal8Bit(dir)).filePath("text_layers.png"));
}

TEST(TextMeasureTest, MeasuringGivesTheSizesDrawingMakesWithoutDrawing) {
    // Each arrangement, plain and smoothed: TextBitmapSize says what
    // RenderTextBitmap makes, and the plan of a layer says the factor, the
    // drawn size and the layer's size the layer then gets. A text past the
    // picture limits and an unknown arrangement are not measured.
    auto img = newDocument(300, 200);
    struct Item {
        int16_t arrangement;
        const char* utf8;
        int param;
    };
    const Item items[] = {
        {lxTextStandard, "Standard 标准\r\nsecond line", int(uint32_t(7) << 16 | 3u)},
        {lxTextTurnedLine, "Turned line 30", 30},
        {lxTextTurnedChars, "Chars 20\r\ntwo", 20},
        {lxTextCircle, "Round and round the circle goes", 0},
        {lxTextArc, "Arc text on top", 0},
        {lxTextFreehand, "Hi", 0},
        {lxTextVertical, "竖排\r\nAB", 0},
        {lxTextPlain, "Plain text\r\nin two lines", 0},
    };
    for (const Item& item : items)
        for (uint8_t smoothing : {uint8_t(0), uint8_t(3)}) {
            SCOPED_TRACE(std::string(item.utf8) + " smoothing " + std::to_string(smoothing));
            TlxTextStyle style =
                makeStyle(lx::toGbk(QString::fromUtf8(item.utf8)), item.arrangement, 22);
            style.Param = item.param;
            style.Smoothing = smoothing;
            SetFreehandCanvas(style, 300, 200);
            QSize measured;
            ASSERT_TRUE(img->TextBitmapSize(TextOf(style), style, measured));
            QImage drawn = CreateGrayBitmap(10, 10);
            ASSERT_TRUE(img->RenderTextBitmap(TextOf(style), style, drawn));
            EXPECT_EQ(measured, drawn.size());

            ASSERT_TRUE(img->AddTextLayer(0, 0, style));
            const TlxLayer& layer = img->Layers[size_t(img->LayersCount - 1)];
            TlxImage::TextLayerPlan plan;
            ASSERT_TRUE(img->PlanTextLayer(layer, plan));
            EXPECT_EQ(plan.Factor, smoothing + 1);
            EXPECT_EQ(plan.Layer, layer.Alpha.size());
            EXPECT_EQ(plan.Layer,
                      QSize(plan.Drawn.width() / plan.Factor, plan.Drawn.height() / plan.Factor));
            const qint64 area = qint64(plan.Layer.width()) * plan.Layer.height();
            EXPECT_EQ(plan.LayerBytes(), 4 * area);
            EXPECT_EQ(plan.PeakBytes(),
                      (smoothing > 0 ? qint64(plan.Drawn.width()) * plan.Drawn.height() : 0) +
                          4 * area);
        }

    // A line spaced past 30000 pixels, and an arrangement that draws nothing.
    TlxTextStyle tall = makeStyle("A\r\nB", lxTextStandard);
    SetSpacing(tall, 0, 16000);
    QSize size(5, 5);
    EXPECT_FALSE(img->TextBitmapSize(TextOf(tall), tall, size));
    TlxTextStyle unknown = makeStyle("A", 9);
    EXPECT_FALSE(img->TextBitmapSize(TextOf(unknown), unknown, size));
    EXPECT_EQ(size, QSize(5, 5));
}

} // namespace
