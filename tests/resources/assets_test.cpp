#include "velmo_assets.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <ostream>
#include <vector>

namespace {

uchar grey(const QImage& m, int x, int y) {
    return m.constScanLine(y)[x];
}

// ---- shape masks ----

struct ShapeCase {
    int id;
    int width;
    int height;
    bool inverted; // black inside, white outside
};

// The sizes the program's templates are made for.
const ShapeCase shapeCases[] = {
    {30001, 2244, 2244, false}, // pentagon
    {30002, 1498, 1496, false}, // heart
    {30003, 3393, 3391, false}, // circle
    {30004, 2244, 2244, true},  // pentagon, inner edge of the guide ring
    {30005, 1024, 1024, true},  // heart, inner edge of the guide ring
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.id << " (" << c.width << " x " << c.height << (c.inverted ? ", inverted)" : ")");
}

class ShapeMaskTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeMaskTest, HasItsSizeAndGreyFormat) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(m.width(), c.width);
    EXPECT_EQ(m.height(), c.height);
}

TEST_P(ShapeMaskTest, CentreIsInsideAndCornersOutside) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    const int inside = c.inverted ? 0 : 255, outside = 255 - inside;
    EXPECT_EQ(grey(m, c.width / 2, c.height / 2), inside);
    const int w = c.width - 1, h = c.height - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        EXPECT_EQ(grey(m, p.x(), p.y()), outside) << "corner " << p.x() << "," << p.y();
}

// The program stretches the mask over the whole canvas, so the shape has to
// reach the picture's sides: the covered columns span the full width (all
// three shapes touch left and right), the covered rows at least 95% of the
// height (the regular pentagon is a little wider than tall).
TEST_P(ShapeMaskTest, ShapeFillsThePicture) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    int left = c.width, right = -1, top = c.height, bottom = -1;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const int v = c.inverted ? 255 - grey(m, x, y) : grey(m, x, y);
            if (v < 128) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    EXPECT_LE(left, 1);
    EXPECT_GE(right, c.width - 2);
    EXPECT_GE(bottom - top + 1, 0.95 * c.height);
}

// All three shapes are mirror images of themselves about the vertical centre
// line: column x and column w-1-x hold the same values (1 level allowed for
// rounding).
TEST_P(ShapeMaskTest, LeftRightSymmetric) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    int worst = 0, worstX = 0, worstY = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width / 2; ++x) {
            const int d = std::abs(grey(m, x, y) - grey(m, c.width - 1 - x, y));
            if (d > worst) worst = d, worstX = x, worstY = y;
        }
    EXPECT_LE(worst, 1) << "at " << worstX << "," << worstY;
}

// Anti-aliased: the edge has in-between levels, and only along the edge.
TEST_P(ShapeMaskTest, EdgeIsSmoothed) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    qint64 partial = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (grey(m, x, y) != 0 && grey(m, x, y) != 255) ++partial;
    // An edge of length L crossed at any angle leaves between about L and
    // 2L partly covered pixels; the outlines here are 3 to 4 times the
    // picture's width long.
    EXPECT_GT(partial, 2 * c.width);
    EXPECT_LT(partial, 10 * c.width);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeMaskTest, testing::ValuesIn(shapeCases),
                         [](const testing::TestParamInfo<ShapeCase>& info) {
                             return std::to_string(info.param.id);
                         });

// An ellipse filling a w x h picture covers pi/4 of it, whatever w and h.
TEST(ShapeMask, CircleCoversAQuarterPiOfThePicture) {
    const QImage m = velmo::ShapeMask(30003);
    ASSERT_EQ(m.size(), QSize(3393, 3391));
    double sum = 0;
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x)
            sum += grey(m, x, y);
    const double fraction = sum / 255.0 / (double(m.width()) * m.height());
    EXPECT_NEAR(fraction, std::numbers::pi / 4, 0.01 * std::numbers::pi / 4);
}

// The ellipse touches each side at its middle. Its semi-axes are 3393/2 and
// 3391/2, centred at (1696.5, 1695.5), so the middle pixel of the top row,
// (1696, 0), has its centre on the vertical axis half a pixel below the
// topmost point; over that pixel's width the outline sags by only
// 0.5² / (2 * 1696.5) = 0.00007 pixel, so the pixel is wholly inside: 255.
// The same holds at the other three sides; the corners are far outside.
TEST(ShapeMask, CircleTouchesTheMiddleOfEachSide) {
    const QImage m = velmo::ShapeMask(30003);
    ASSERT_EQ(m.size(), QSize(3393, 3391));
    EXPECT_EQ(grey(m, 1696, 0), 255);
    EXPECT_EQ(grey(m, 1696, 3390), 255);
    EXPECT_EQ(grey(m, 0, 1695), 255);
    EXPECT_EQ(grey(m, 3392, 1695), 255);
    // Half-way to the corner along the top row, the outline is at
    // y = b (1 - sqrt(1 - 0.5²)) = 1695.5 * 0.134 = 227 pixels down.
    EXPECT_EQ(grey(m, 848, 0), 0);
    EXPECT_EQ(grey(m, 848, 220), 0);
    EXPECT_EQ(grey(m, 848, 235), 255);
}

// The inverted pentagon is the same outline as the plain one.
TEST(ShapeMask, InvertedPentagonIsThePentagonInverted) {
    const QImage plain = velmo::ShapeMask(30001), inverted = velmo::ShapeMask(30004);
    ASSERT_EQ(plain.size(), inverted.size());
    int worst = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            worst = std::max(worst, std::abs(255 - grey(plain, x, y) - grey(inverted, x, y)));
    EXPECT_LE(worst, 1);
}

// The inverted heart has its own size; scaled to it, the plain heart matches
// it except for a thin band along the edge where the resampling blurs.
TEST(ShapeMask, InvertedHeartIsTheHeartInverted) {
    const QImage inverted = velmo::ShapeMask(30005);
    const QImage plain = velmo::ShapeMask(30002).scaled(inverted.size(), Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation);
    ASSERT_EQ(plain.size(), QSize(1024, 1024));
    ASSERT_EQ(plain.format(), QImage::Format_Grayscale8);
    qint64 far = 0;
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x)
            if (std::abs(255 - grey(plain, x, y) - grey(inverted, x, y)) > 64) ++far;
    // The outline is about 3.5 * 1024 pixels long; allow a 1-pixel band.
    EXPECT_LT(far, 4 * 1024);
}

TEST(ShapeMask, UnknownIdsGiveNoPicture) {
    for (int id : {0, 102, 30000, 30006, 31001, -30001})
        EXPECT_TRUE(velmo::ShapeMask(id).isNull()) << id;
}

// ---- thumbnails ----

bool isGrey(QRgb p) {
    return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
}
int saturation(QRgb p) {
    return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)});
}

TEST(TemplateThumbnail, ShapesAreColouredPicturesOnWhite) {
    std::vector<QImage> seen;
    for (const char* name : {"Ellimg", "HeartImg", "wjximg"}) {
        const QImage t = velmo::TemplateThumbnail(QLatin1String(name));
        ASSERT_EQ(t.size(), QSize(128, 128)) << name;
        EXPECT_EQ(t.format(), QImage::Format_RGB32) << name;
        for (QPoint p : {QPoint(0, 0), QPoint(127, 0), QPoint(0, 127), QPoint(127, 127)})
            EXPECT_EQ(t.pixel(p), qRgb(255, 255, 255)) << name;
        EXPECT_GT(saturation(t.pixel(64, 64)), 60) << name;
        for (const QImage& other : seen)
            EXPECT_NE(t, other) << name;
        seen.push_back(t);
    }
}

// The heart thumbnail shows the heart: its middle column is coloured from
// near the top of the shape down to the point, and the cleft leaves the
// middle of the top white while the lobes beside it are coloured.
TEST(TemplateThumbnail, HeartShowsLobesAndCleft) {
    const QImage t = velmo::TemplateThumbnail(QStringLiteral("HeartImg"));
    ASSERT_EQ(t.size(), QSize(128, 128));
    EXPECT_GT(saturation(t.pixel(64, 100)), 60);
    EXPECT_LT(saturation(t.pixel(64, 20)), 10);
    EXPECT_GT(saturation(t.pixel(40, 24)), 60);
    EXPECT_GT(saturation(t.pixel(88, 24)), 60);
}

TEST(TemplateThumbnail, PlaceholderIsNeutral) {
    const QImage t = velmo::TemplateThumbnail(QStringLiteral("NoImg"));
    ASSERT_EQ(t.size(), QSize(128, 128));
    EXPECT_EQ(t.format(), QImage::Format_RGB32);
    int marked = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            ASSERT_TRUE(isGrey(t.pixel(x, y))) << x << "," << y;
            if (qRed(t.pixel(x, y)) < 220) ++marked;
        }
    EXPECT_GT(marked, 500); // a visible mark, not a blank square
}

TEST(TemplateThumbnail, UnknownNamesGiveNoPicture) {
    for (const char* name : {"", "ellimg", "Heart", "NoImg.png", "30001"}) {
        EXPECT_TRUE(velmo::TemplateThumbnail(QLatin1String(name)).isNull()) << name;
        EXPECT_TRUE(velmo::TemplateThumbnail(QLatin1String(name), 2).isNull()) << name;
    }
}

// The sum of squared differences of horizontal neighbours: an edge drawn
// over one pixel counts twice what the same edge blurred over two does.
double edgeEnergy(const QImage& picture) {
    double energy = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 1; x < picture.width(); ++x) {
            const int d = qGray(picture.pixel(x, y)) - qGray(picture.pixel(x - 1, y));
            energy += double(d) * d;
        }
    return energy;
}

// For screens of two device pixels per unit each thumbnail is drawn again
// with twice the pixels: the same picture (averaged over 2 x 2 blocks it is
// close to the 1x one), with edges as sharp as the 1x one's rather than the
// 1x picture blown up.
TEST(TemplateThumbnail, TwiceTheResolutionForDenseScreens) {
    for (const char* name : {"Ellimg", "HeartImg", "wjximg", "NoImg"}) {
        const QImage plain = velmo::TemplateThumbnail(QLatin1String(name));
        const QImage dense = velmo::TemplateThumbnail(QLatin1String(name), 2);
        ASSERT_EQ(dense.size(), QSize(256, 256)) << name;
        EXPECT_EQ(dense.devicePixelRatio(), 2) << name;
        EXPECT_EQ(dense.format(), QImage::Format_RGB32) << name;
        EXPECT_EQ(velmo::TemplateThumbnail(QLatin1String(name), 1), plain) << name;
        int far = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                int sum = 0;
                for (QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                    sum += qGray(dense.pixel(2 * x + d.x(), 2 * y + d.y()));
                if (std::abs(sum / 4 - qGray(plain.pixel(x, y))) > 24) ++far;
            }
        EXPECT_LT(far, 128 * 128 / 50) << name;
        const QImage blownUp = plain.scaled(256, 256, Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
        EXPECT_GT(edgeEnergy(dense), 1.5 * edgeEnergy(blownUp)) << name;
    }
}

// ---- decorations ----

struct DecorationCase {
    int id;
    int width;
    int height;
};

TEST(Decoration, SizesFormatAndTransparentCorners) {
    for (DecorationCase c : {DecorationCase{102, 102, 44}, DecorationCase{103, 150, 150}}) {
        const QImage d = velmo::Decoration(c.id);
        ASSERT_EQ(d.size(), QSize(c.width, c.height)) << c.id;
        EXPECT_EQ(d.format(), QImage::Format_ARGB32) << c.id;
        const int w = c.width - 1, h = c.height - 1;
        for (QPoint p : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            EXPECT_EQ(qAlpha(d.pixel(p)), 0) << c.id << " at " << p.x() << "," << p.y();
        int opaque = 0, clear = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int a = qAlpha(d.pixel(x, y));
                if (a == 255) ++opaque;
                if (a == 0) ++clear;
            }
        // A picture on a transparent ground: both kinds of pixel abound.
        EXPECT_GT(opaque, c.width * c.height / 5) << c.id;
        EXPECT_GT(clear, c.width * c.height / 5) << c.id;
    }
}

// Straight alpha: in premultiplied storage no colour channel can exceed
// the alpha, so pixels of the soft edge whose colour does show the colour
// is stored whole.
TEST(Decoration, AlphaIsStraight) {
    for (int id : {102, 103}) {
        const QImage d = velmo::Decoration(id);
        ASSERT_FALSE(d.isNull());
        int straight = 0;
        for (int y = 0; y < d.height(); ++y)
            for (int x = 0; x < d.width(); ++x) {
                const QRgb p = d.pixel(x, y);
                if (qAlpha(p) > 0 && std::max({qRed(p), qGreen(p), qBlue(p)}) > qAlpha(p) + 30)
                    ++straight;
            }
        EXPECT_GE(straight, 10) << id;
    }
}

TEST(Decoration, UnknownIdsGiveNoPicture) {
    for (int id : {0, 101, 104, 30001})
        EXPECT_TRUE(velmo::Decoration(id).isNull()) << id;
}

// ---- cursors ----

TEST(ProgramCursor, EachToolHasAPictureWhoseHotSpotIsDrawn) {
    for (int id : {101, 102, 103, 104}) {
        const QCursor c = velmo::ProgramCursor(id);
        EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
        const QPixmap pm = c.pixmap();
        ASSERT_FALSE(pm.isNull()) << id;
        EXPECT_EQ(pm.size(), QSize(32, 32)) << id;
        const QPoint hot = c.hotSpot();
        ASSERT_TRUE(QRect(0, 0, 32, 32).contains(hot)) << id;
        const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        // The pixel the cursor acts on is part of the drawing, not the
        // transparent ground around it.
        EXPECT_GE(qAlpha(img.pixel(hot)), 128) << id;
        EXPECT_EQ(qAlpha(img.pixel(31, 0)) == 0 || qAlpha(img.pixel(0, 31)) == 0 ||
                      qAlpha(img.pixel(31, 31)) == 0 || qAlpha(img.pixel(0, 0)) == 0,
                  true)
            << id << ": no transparent corner";
    }
}

TEST(ProgramCursor, CursorsDiffer) {
    std::vector<QImage> seen;
    for (int id : {101, 102, 103, 104}) {
        const QImage img = velmo::ProgramCursor(id).pixmap().toImage();
        for (const QImage& other : seen)
            EXPECT_NE(img, other) << id;
        seen.push_back(img);
    }
}

// The placement cursor is a cross centred on its hot spot: its arms reach
// out the same distance on all four sides.
TEST(ProgramCursor, PlacementCrossIsCentredOnTheHotSpot) {
    const QCursor c = velmo::ProgramCursor(104);
    const QImage img = c.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    const QPoint hot = c.hotSpot();
    auto reach = [&](int dx, int dy) {
        int n = 0;
        for (QPoint p = hot + QPoint(dx, dy); QRect(0, 0, 32, 32).contains(p); p += QPoint(dx, dy))
            if (qAlpha(img.pixel(p)) > 0)
                n = std::max(std::abs(p.x() - hot.x()), std::abs(p.y() - hot.y()));
        return n;
    };
    const int left = reach(-1, 0);
    EXPECT_GE(left, 8);
    EXPECT_EQ(reach(1, 0), left);
    EXPECT_EQ(reach(0, -1), left);
    EXPECT_EQ(reach(0, 1), left);
}

TEST(ProgramCursor, OtherIdsGiveTheArrow) {
    for (int id : {0, 1, 100, 105, 30001})
        EXPECT_EQ(velmo::ProgramCursor(id).shape(), Qt::ArrowCursor) << id;
}

// ---- help pages ----

TEST(HelpFolder, LiesBesideTheProgram) {
    EXPECT_EQ(velmo::HelpFolder(), QCoreApplication::applicationDirPath() + "/velmo.chm");
}

// The build copies the pages next to the program, which runs from app/;
// this test program runs from tests/ beside it.
QString builtHelpFolder() {
    return QDir(QCoreApplication::applicationDirPath() + "/../app/velmo.chm").absolutePath();
}

struct HelpPage {
    const char* path;
    const char* lang;
};

const HelpPage helpPages[] = {
    {"index.htm", "zh-CN"},       {"intext.htm", "zh-CN"},     {"big5/index.htm", "zh-TW"},
    {"big5/intext.htm", "zh-TW"}, {"english/index.htm", "en"}, {"english/intext.htm", "en"},
};

QString readUtf8(const QString& path, bool& ok) {
    QFile f(path);
    ok = f.open(QIODevice::ReadOnly);
    if (!ok) return {};
    const QByteArray bytes = f.readAll();
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    ok = !decode.hasError();
    return text;
}

bool hasHan(const QString& text) {
    for (QChar ch : text)
        if (ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF) return true;
    return false;
}

TEST(HelpPages, EachPageIsUtf8HtmlInItsLanguage) {
    const QDir dir(builtHelpFolder());
    for (const HelpPage& page : helpPages) {
        bool ok = false;
        const QString text = readUtf8(dir.filePath(page.path), ok);
        ASSERT_TRUE(ok) << page.path << " missing or not UTF-8 in " << qPrintable(dir.path());
        EXPECT_TRUE(text.contains(QRegularExpression(R"(<meta\s+charset="utf-8")",
                                                     QRegularExpression::CaseInsensitiveOption)))
            << page.path;
        EXPECT_TRUE(text.contains(QStringLiteral("lang=\"%1\"").arg(page.lang))) << page.path;
        EXPECT_TRUE(text.contains(QLatin1String("help.css"))) << page.path;
        // The language bar names each language in itself; the rest of the
        // page is in the page's own language.
        QString body = text;
        body.remove(
            QRegularExpression("<nav.*</nav>", QRegularExpression::DotMatchesEverythingOption));
        EXPECT_EQ(hasHan(body), QLatin1String(page.lang) != QLatin1String("en")) << page.path;
    }
}

// The pages say things with the interface's words: the Traditional pages
// never with the mainland words the interface avoids, and Chinese text puts
// full-width colons after its words.
TEST(HelpPages, ChinesePagesUseTheInterfacesWording) {
    const QDir dir(builtHelpFolder());
    const char16_t* mainland[] = {u"蒙板", u"自定義", u"單擊", u"點選", u"雙擊", u"選中",
                                  u"列表", u"畫素"};
    for (const HelpPage& page : helpPages) {
        if (QLatin1String(page.lang) == QLatin1String("en")) continue;
        bool ok = false;
        QString text = readUtf8(dir.filePath(page.path), ok);
        ASSERT_TRUE(ok) << page.path;
        text.remove(QRegularExpression("<[^>]*>"));
        const QRegularExpression halfWidthColon(QStringLiteral(uR"([\x{4E00}-\x{9FFF}]\s*:)"));
        EXPECT_FALSE(text.contains(halfWidthColon)) << page.path;
        if (QLatin1String(page.lang) != QLatin1String("zh-TW")) continue;
        for (const char16_t* word : mainland)
            EXPECT_FALSE(text.contains(QString::fromUtf16(word)))
                << page.path << " has " << QString::fromUtf16(word).toStdString();
    }
}

// Every relative link and picture of every page leads to a file of the
// folder, so the pages, the shared style sheet and the cross links between
// the three languages hold together.
TEST(HelpPages, RelativeLinksResolve) {
    const QDir dir(builtHelpFolder());
    const QRegularExpression link(R"((?:href|src)="([^"#]+)(?:#[^"]*)?")");
    int checked = 0;
    for (const HelpPage& page : helpPages) {
        bool ok = false;
        const QString text = readUtf8(dir.filePath(page.path), ok);
        ASSERT_TRUE(ok) << page.path;
        const QDir base = QFileInfo(dir.filePath(page.path)).dir();
        for (auto it = link.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.contains(QLatin1Char(':'))) continue; // an outside address
            EXPECT_TRUE(QFileInfo::exists(base.filePath(target)))
                << page.path << " links to missing " << qPrintable(target);
            ++checked;
        }
    }
    EXPECT_GE(checked, 12); // the style sheet and two language links per page at least
}

} // namespace
