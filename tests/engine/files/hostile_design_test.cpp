// Files that ask for more than they hold: texts drawn huge from a few bytes,
// several of them, the budget's edge; and the damage the readers pass over
// (bytes after the data, a thumbnail outside the file, style files longer
// than their layout) or refuse (style files cut short).

#include "file_fixtures.h"
#include "hostile_design.h"
#include "text/text_layout.h"

#include <gtest/gtest.h>

#include <functional>

using namespace filetest;

namespace {

using Code = TlxFileErrorCode;

using Snapshot = DocumentSnapshot;

std::unique_ptr<TlxImage> openDocument() {
    auto d = std::make_unique<TlxImage>();
    d->AutoSize = false;
    EXPECT_TRUE(d->NewImage(true, lxRGB(9, 99, 199), 24, 7, 5));
    EXPECT_TRUE(d->AddBitmapLayer(solidBgr(3, 2, {1, 2, 3})));
    d->DocInfo1 = "before";
    EXPECT_TRUE(d->ReDraw());
    return d;
}

// A saved design of `layers` text layers with every effect on, each text
// then rewritten in the file by Rewrite.
QByteArray rewrittenDesign(int layers, int canvasWidth, int canvasHeight, bool effects,
                           const std::function<TlxTextStyle(TlxImage&)>& rewrite,
                           bool masks = false) {
    const auto small = hostile::smallTextDesign(layers, canvasWidth, canvasHeight, effects);
    EXPECT_TRUE(small != nullptr);
    for (int i = 1; small && masks && i <= layers; ++i) {
        QImage mask(small->Layers[size_t(i)].Bitmap.size(), QImage::Format_Grayscale8);
        mask.fill(128);
        EXPECT_TRUE(small->SetLayerMaskPicture(i, mask));
    }
    QByteArray file;
    if (!small || !small->SaveToData(file)) return {};
    for (int i = 1; i <= layers; ++i)
        hostile::setTextStyleAt(file, i, rewrite(*small));
    return file;
}

qint64 documentBytes(const TlxImage& d) {
    qint64 total = d.ShowBmp.sizeInBytes() + d.BackBmp.sizeInBytes();
    for (int i = 0; i < d.LayersCount; ++i) {
        const TlxLayer& l = d.Layers[size_t(i)];
        const TlxLayerStyle& s = l.Style;
        for (const QImage* p :
             {&l.Bitmap, &l.Alpha, &l.Mask, &s.DropShadowMask, &s.InnerShadowMask, &s.InnerGlowMask,
              &s.OuterGlowMask, &s.BevelMask, &s.StrokeMask, &s.GradientOverlayBitmap,
              &s.StrokeGradientBitmap, &s.PatternBitmap})
            total += p->sizeInBytes();
    }
    return total;
}

TEST(HostileDesignTest, HugeTextsAreRefusedWithTheOpenDocumentKept) {
    // 3750 points reach 20000 x 6000 by the size of the letters, which no
    // text of a size the program offers on this canvas could; 200 points
    // reach it by spacing, which a user can type, so one such layer with
    // every effect fits the budget (about 1.9 GiB) but three do not.
    struct Case {
        std::string what;
        int points;
        const char* font;
        int layers;
    };
    const Case cases[] = {
        {"3750 points, installed font", 3750, hostile::kInstalledFont, 1},
        {"3750 points, missing font", 3750, hostile::kMissingFont, 1},
        {"three spaced texts of 200 points, installed font", 200, hostile::kInstalledFont, 3},
        {"three spaced texts of 200 points, missing font", 200, hostile::kMissingFont, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSize made;
        const QByteArray file = rewrittenDesign(c.layers, 100, 100, true, [&](TlxImage& img) {
            return hostile::hugeText(img, c.font, c.points, QSize(20000, 6000), 1, made);
        });
        ASSERT_FALSE(file.isEmpty());
        EXPECT_LT(file.size(), 1024 * 1024);
        EXPECT_GT(made.width(), 19900);
        EXPECT_EQ(made.height(), 6000);

        auto d = openDocument();
        const Snapshot before(*d);
        EXPECT_FALSE(d->LoadFromData(file));
        EXPECT_EQ(d->LastFileError.Code, Code::TooLarge);
        EXPECT_FALSE(d->LastFileError.Detail.isEmpty());
        EXPECT_TRUE(d->LastLoadNotes.isEmpty());
        before.expectSame(*d);
    }
}

TEST(HostileDesignTest, TheBudgetHoldsEveryPictureTheLoadMakesToTheByte) {
    // A 200 x 100 canvas and one text layer of w x h pixels with every
    // effect on, its text rewritten so that every effect picture is made
    // again. Margins of the effects: drop shadow 20, inner shadow 10, inner
    // glow 12, outer glow 15, bevel 10, stroke 10 (size 8 + softness 2).
    // The layer has a mask, stored at the size of the old text.
    // What the document takes:
    //   display and background 4 W H, background layer 4 W H,
    //   text colours and coverage 4 w h, its mask fitted to it 3 w h,
    //   gradient overlay 3 w h,
    //   each mask (w + 4m)(h + 4m), the gradient stroke 3 (w + 40)(h + 40),
    //   the 4 x 4 pattern counted at 4 bytes a pixel.
    constexpr int W = 200, H = 100;
    for (const char* font : {hostile::kInstalledFont, hostile::kMissingFont}) {
        SCOPED_TRACE(font);
        QSize text;
        const QByteArray file = rewrittenDesign(
            1, W, H, true,
            [&](TlxImage& img) {
                TlxTextStyle s{};
                SetFontName(s, font);
                s.Size = 40;
                s.Color = lxRGB(0, 0, 200);
                // A text and letter spacing that make the width a multiple of
                // 4, so that no picture's rows carry padding.
                for (const char* words : {"Balloon", "Balloons", "Balloon 1"})
                    for (int16_t ce = 0; ce < 8; ++ce) {
                        SetText(s, words);
                        SetSpacing(s, ce, 0);
                        if (img.TextBitmapSize(TextOf(s), s, text) && text.width() % 4 == 0)
                            return s;
                    }
                return s;
            },
            true);
        ASSERT_FALSE(file.isEmpty());
        ASSERT_EQ(text.width() % 4, 0);
        const qint64 w = text.width(), h = text.height();
        qint64 masks = 0;
        for (qint64 m : {20, 10, 12, 15, 10, 10})
            masks += (w + 4 * m) * (h + 4 * m);
        const qint64 edge =
            8 * qint64(W) * H + 10 * w * h + masks + 3 * (w + 40) * (h + 40) + 4 * 16;

        auto fits = openDocument();
        fits->DesignByteBudget = edge;
        ASSERT_TRUE(fits->LoadFromData(file)) << fits->LastFileError.message().toStdString();
        const TlxLayer& layer = fits->Layers[1];
        EXPECT_EQ(layer.Bitmap.size(), text);
        EXPECT_EQ(layer.Mask.size(), text);
        EXPECT_EQ(layer.Style.DropShadowMask.size(), QSize(int(w) + 80, int(h) + 80));
        EXPECT_EQ(layer.Style.StrokeGradientBitmap.size(), QSize(int(w) + 40, int(h) + 40));
        EXPECT_LE(documentBytes(*fits), edge);

        auto refused = openDocument();
        refused->DesignByteBudget = edge - 1;
        const Snapshot before(*refused);
        EXPECT_FALSE(refused->LoadFromData(file));
        EXPECT_EQ(refused->LastFileError.Code, Code::TooLarge);
        before.expectSame(*refused);
    }
}

TEST(HostileDesignTest, OnlyTextsOfUnlistedSizesAreBoundToTheCanvas) {
    // A text of a size the program lists loads however large its spacing
    // makes it; one of a larger size may take at most 16 canvases.
    TlxImage measurer;
    const auto style = [](int points, int16_t lineSpacing) {
        TlxTextStyle s{};
        SetText(s, "Hi");
        SetFontName(s, hostile::kInstalledFont);
        s.Size = points;
        s.Color = lxRGB(0, 0, 0);
        SetSpacing(s, 0, lineSpacing);
        return s;
    };
    QSize at250;
    ASSERT_TRUE(measurer.TextBitmapSize("Hi", style(250, 0), at250));
    const qint64 area = qint64(at250.width()) * at250.height();
    const int fittingWidth = int((area + 15) / 16); // the narrowest 1-pixel-high canvas
    struct Case {
        std::string what;
        TlxTextStyle text;
        int canvasWidth, canvasHeight;
        bool loads;
    };
    const Case cases[] = {
        {"200 points spaced to 3000 lines on 100 x 100", style(200, 3000), 100, 100, true},
        {"201 points spaced alike", style(201, 3000), 100, 100, false},
        {"250 points on exactly a 16th of it", style(250, 0), fittingWidth, 1, true},
        {"250 points on one pixel less", style(250, 0), fittingWidth - 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray file = rewrittenDesign(1, c.canvasWidth, c.canvasHeight, false,
                                                [&](TlxImage&) { return c.text; });
        ASSERT_FALSE(file.isEmpty());
        auto d = openDocument();
        const Snapshot before(*d);
        EXPECT_EQ(d->LoadFromData(file), c.loads) << d->LastFileError.message().toStdString();
        if (c.loads) {
            QSize expected;
            ASSERT_TRUE(measurer.TextBitmapSize("Hi", c.text, expected));
            EXPECT_EQ(d->Layers[1].Bitmap.size(), expected);
        } else {
            EXPECT_EQ(d->LastFileError.Code, Code::TooLarge);
            before.expectSame(*d);
        }
    }
}

TEST(HostileDesignTest, ASmoothedTextTheBudgetCannotDrawAtFullSmoothingIsDrawnLessSmoothed) {
    // "Hi" at 40 points with the highest smoothing is drawn at 4 times the
    // size and averaged down. Drawing at factor k takes the picture drawn
    // (Dk) and the layer's coverage and colours (4 bytes a pixel of Dk / k)
    // at once. A budget that holds that for k = 3 but not for k = 4 gets
    // the text drawn at 3 times the size.
    constexpr int W = 100, H = 100;
    TlxImage measurer;
    TlxTextStyle text{};
    SetText(text, "Hi");
    SetFontName(text, hostile::kInstalledFont);
    text.Size = 40;
    text.Smoothing = 3;
    text.Color = lxRGB(0, 0, 0);
    const auto drawnAt = [&](int k) {
        TlxTextStyle big = text;
        big.Size = 40 * k;
        big.Smoothing = uint8_t(k - 1);
        big.Color = lxRGB(255, 255, 255); // coverage is drawn in white
        QSize d;
        EXPECT_TRUE(measurer.TextBitmapSize("Hi", big, d));
        return std::make_pair(big, d);
    };
    const auto peak = [](QSize drawn, int k) {
        return qint64(drawn.width()) * drawn.height() +
               4 * qint64(drawn.width() / k) * (drawn.height() / k);
    };
    const auto [style4, d4] = drawnAt(4);
    const auto [style3, d3] = drawnAt(3);
    ASSERT_GT(peak(d4, 4), peak(d3, 3));
    const QByteArray file = rewrittenDesign(1, W, H, false, [&](TlxImage&) { return text; });
    ASSERT_FALSE(file.isEmpty());

    auto roomy = openDocument();
    ASSERT_TRUE(roomy->LoadFromData(file));
    EXPECT_EQ(roomy->Layers[1].Alpha.size(), QSize(d4.width() / 4, d4.height() / 4));

    auto tight = openDocument();
    tight->DesignByteBudget = 8 * qint64(W) * H + peak(d3, 3);
    ASSERT_TRUE(tight->LoadFromData(file)) << tight->LastFileError.message().toStdString();
    QImage big;
    ASSERT_TRUE(measurer.RenderTextBitmap("Hi", style3, big));
    const QImage expected = lx::reduceBlocks(big, 3);
    EXPECT_TRUE(samePixels(tight->Layers[1].Alpha, expected));
    EXPECT_LE(documentBytes(*tight), tight->DesignByteBudget);
}

// ---- damage passed over ----

void expectSameLayers(const TlxImage& a, const TlxImage& b) {
    ASSERT_EQ(a.LayersCount, b.LayersCount);
    EXPECT_TRUE(samePixels(a.ShowBmp, b.ShowBmp));
    for (int i = 0; i < a.LayersCount; ++i) {
        const TlxLayer& x = a.Layers[size_t(i)];
        const TlxLayer& y = b.Layers[size_t(i)];
        EXPECT_TRUE(samePixels(x.Alpha, y.Alpha)) << i;
        EXPECT_TRUE(samePixels(x.Style.DropShadowMask, y.Style.DropShadowMask)) << i;
        EXPECT_TRUE(samePixels(x.Style.PatternBitmap, y.Style.PatternBitmap)) << i;
    }
}

TEST(HostileDesignTest, BytesAfterTheDataAndAThumbnailOutsideTheFileArePassedOver) {
    const auto design = hostile::smallTextDesign(1, 60, 40);
    ASSERT_TRUE(design != nullptr);
    QByteArray good;
    ASSERT_TRUE(design->SaveToData(good));
    auto reference = openDocument();
    ASSERT_TRUE(reference->LoadFromData(good));
    EXPECT_TRUE(reference->LastLoadNotes.isEmpty());

    struct Case {
        std::string what;
        QByteArray data;
        QString mentions; // in the note
    };
    std::vector<Case> cases;
    cases.push_back({"one byte after the data", good + QByteArray(1, 'x'), "1 bytes"});
    cases.push_back(
        {"a record's worth of zeros after the data", good + QByteArray(8440, '\0'), "8440 bytes"});
    QByteArray farThumbnail = good;
    put32(farThumbnail, 28, uint32_t(good.size() + 10));
    cases.push_back({"thumbnail past the end", farThumbnail, "thumbnail"});
    QByteArray longThumbnail = good;
    put32(longThumbnail, 32, 0x7FFFFFFF);
    cases.push_back({"thumbnail longer than the file", longThumbnail, "thumbnail"});
    QByteArray headerThumbnail = good;
    put32(headerThumbnail, 28, 0);
    cases.push_back({"thumbnail inside the header", headerThumbnail, "thumbnail"});

    auto d = openDocument();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(d->LoadFromData(c.data)) << d->LastFileError.message().toStdString();
        ASSERT_EQ(d->LastLoadNotes.size(), 1);
        EXPECT_TRUE(d->LastLoadNotes[0].contains(c.mentions)) << d->LastLoadNotes[0].toStdString();
        expectSameLayers(*d, *reference);
        // A whole file after it leaves no note behind.
        ASSERT_TRUE(d->LoadFromData(good));
        EXPECT_TRUE(d->LastLoadNotes.isEmpty());
    }
}

// ---- style files ----

// A 60 x 40 canvas with one picture layer that has no effects.
std::unique_ptr<TlxImage> styleTarget() {
    auto d = std::make_unique<TlxImage>();
    d->AutoSize = false;
    EXPECT_TRUE(d->NewImage(true, lxRGB(250, 250, 250), 24, 60, 40));
    EXPECT_TRUE(d->AddBitmapLayer(squareWithCoverage(20, 16, {40, 120, 200})));
    return d;
}

void expectSameStyle(const TlxLayer& a, const TlxLayer& b) {
    EXPECT_EQ(a.Opacity, b.Opacity);
    EXPECT_EQ(a.BlendMode, b.BlendMode);
    const TlxLayerStyle& x = a.Style;
    const TlxLayerStyle& y = b.Style;
    EXPECT_EQ(x.DropShadowOn, y.DropShadowOn);
    EXPECT_EQ(x.StrokeOn, y.StrokeOn);
    EXPECT_EQ(x.PatternOverlayOn, y.PatternOverlayOn);
    EXPECT_EQ(x.GradientOverlayOn, y.GradientOverlayOn);
    EXPECT_EQ(std::memcmp(&x.DropShadow, &y.DropShadow, sizeof x.DropShadow), 0);
    EXPECT_EQ(std::memcmp(&x.Stroke, &y.Stroke, sizeof x.Stroke), 0);
    EXPECT_EQ(std::memcmp(&x.StrokeGradient, &y.StrokeGradient, sizeof x.StrokeGradient), 0);
    EXPECT_TRUE(samePixels(x.DropShadowMask, y.DropShadowMask));
    EXPECT_TRUE(samePixels(x.StrokeMask, y.StrokeMask));
    EXPECT_TRUE(samePixels(x.PatternBitmap, y.PatternBitmap));
}

TEST(HostileDesignTest, StyleFilesCutShortAreRefusedAndLongerOnesApplyWithANote) {
    const auto source = hostile::smallTextDesign(1, 60, 40);
    ASSERT_TRUE(source != nullptr);
    QByteArray style;
    ASSERT_TRUE(source->SaveLayerStyleToData(1, style));
    // Version 259: a fixed part of 6135 bytes, then the pattern's bitmap.
    ASSERT_GT(style.size(), 6135);

    for (qsizetype cut : {qsizetype(13), qsizetype(20), qsizetype(3000), qsizetype(6134),
                          qsizetype(6135), style.size() - 1}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        auto d = styleTarget();
        auto untouched = styleTarget();
        EXPECT_FALSE(d->LoadLayerStyleFromData(1, style.left(cut)));
        EXPECT_EQ(d->LastFileError.Code, Code::Damaged);
        expectSameStyle(d->Layers[1], untouched->Layers[1]);
    }

    auto clean = styleTarget();
    ASSERT_TRUE(clean->LoadLayerStyleFromData(1, style));
    EXPECT_TRUE(clean->LastLoadNotes.isEmpty());
    for (const QByteArray& extra : {QByteArray(5, 'z'), style}) {
        SCOPED_TRACE(extra.size());
        auto d = styleTarget();
        ASSERT_TRUE(d->LoadLayerStyleFromData(1, style + extra));
        ASSERT_EQ(d->LastLoadNotes.size(), 1);
        EXPECT_TRUE(d->LastLoadNotes[0].contains(QString::number(extra.size())));
        expectSameStyle(d->Layers[1], clean->Layers[1]);
    }

    // Version 256 reads nothing after the colour overlay, and the program's
    // own presets of that version carry the gloss block there: no note. One
    // of version 257 with bytes after its pattern record gets one.
    const QByteArray v256 = TlxImage::PresetTextEffect(1);
    ASSERT_EQ(get32(v256, 12) & 0xFFFF, 256u);
    auto preset = styleTarget();
    ASSERT_TRUE(preset->LoadLayerStyleFromData(1, v256));
    EXPECT_TRUE(preset->LastLoadNotes.isEmpty());
    const QByteArray v257 = TlxImage::PresetTextEffect(8);
    ASSERT_EQ(get32(v257, 12) & 0xFFFF, 257u);
    ASSERT_TRUE(preset->LoadLayerStyleFromData(1, v257 + QByteArray(3, '\0')));
    ASSERT_EQ(preset->LastLoadNotes.size(), 1);
    EXPECT_TRUE(preset->LastLoadNotes[0].contains(QStringLiteral("3 bytes")));
}

} // namespace
