#include "compose/compose_kernels.h"
#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

// What the per-pixel formula gives for one pixel of a normal-mode layer at
// opacity 1: coverage alpha / 255 * 1.
void referenceNormalRow(TlxImage& img, uint8_t* dst, const uint8_t* src, const uint8_t* alpha,
                        int n) {
    for (int x = 0; x < n; ++x) {
        const uint32_t color = uint32_t(src[3 * x + 2]) << 16 | src[3 * x + 1] << 8 | src[3 * x];
        img.BlendPixel(dst + 3 * x, 0, color, double(alpha[x]) / 255 * 1.0);
    }
}

const std::vector<lx::NamedNormalRowFn> kKernels = lx::normalOpaqueRowKernels();

// Every (coverage, destination, source) byte triple: pixel x of a row has
// coverage a0 + x, and its blue channel destination x and source l, so the
// rows over all a0 and l meet every triple (green and red run through other
// bijections of x and l). Two more passes with wholly clear and wholly opaque
// rows take the vector loops' shortcut blocks.
TEST(ComposeKernelTest, NormalOpaqueRowEqualsTheFormulaForEveryByteTriple) {
    auto img = std::make_unique<TlxImage>();
    constexpr int n = 256;
    std::vector<uint8_t> expected(3 * n), actual(3 * n), src(3 * n), alpha(n);
    for (const lx::NamedNormalRowFn& kernel : kKernels) {
        for (int a0 = 0; a0 < 258; ++a0) {
            for (int x = 0; x < n; ++x)
                alpha[size_t(x)] = uint8_t(a0 < 256 ? a0 + x : (a0 - 256) * 255);
            for (int l = 0; l < 256; ++l) {
                for (int x = 0; x < n; ++x) {
                    // Each channel meets every destination value over the row.
                    expected[size_t(3 * x)] = uint8_t(x);
                    expected[size_t(3 * x + 1)] = uint8_t(255 - x);
                    expected[size_t(3 * x + 2)] = uint8_t(x * 7);
                    src[size_t(3 * x)] = uint8_t(l);
                    src[size_t(3 * x + 1)] = uint8_t(l + x);
                    src[size_t(3 * x + 2)] = uint8_t(255 - l);
                }
                actual = expected;
                referenceNormalRow(*img, expected.data(), src.data(), alpha.data(), n);
                kernel.fn(actual.data(), src.data(), alpha.data(), n);
                ASSERT_EQ(actual, expected) << kernel.name << " a0=" << a0 << " l=" << l;
            }
        }
    }
}

// Random spans at odd lengths and offsets reach every tail of the vector loop.
TEST(ComposeKernelTest, NormalOpaqueRowMatchesOnRandomSpans) {
    auto img = std::make_unique<TlxImage>();
    std::mt19937 rng(12345);
    for (int caseNo = 0; caseNo < 2000; ++caseNo) {
        const int n = int(rng() % 80);
        const int offset = int(rng() % 5);
        std::vector<uint8_t> dst(size_t(3 * (n + offset))), src(dst.size()),
            alpha(size_t(n + offset));
        for (auto& v : dst)
            v = uint8_t(rng());
        for (auto& v : src)
            v = uint8_t(rng());
        // Mostly clear or opaque runs, as photos and cut-outs have.
        for (auto& v : alpha) {
            const unsigned pick = rng() % 4;
            v = pick == 0 ? 0 : pick == 1 ? 255 : uint8_t(rng());
        }
        std::vector<uint8_t> expected = dst;
        referenceNormalRow(*img, expected.data() + 3 * offset, src.data() + 3 * offset,
                           alpha.data() + offset, n);
        for (const lx::NamedNormalRowFn& kernel : kKernels) {
            std::vector<uint8_t> actual = dst;
            kernel.fn(actual.data() + 3 * offset, src.data() + 3 * offset, alpha.data() + offset,
                      n);
            ASSERT_EQ(actual, expected) << kernel.name << " case " << caseNo;
        }
    }
}

// Coverage of every alpha byte at an opacity, as the compositor computes it.
std::vector<double> coverageTable(double opacity) {
    std::vector<double> table(256);
    for (int a = 0; a < 256; ++a)
        table[size_t(a)] = double(a) / 255 * opacity;
    return table;
}

TEST(ComposeKernelTest, NormalRowAtPartialOpacityEqualsTheFormula) {
    auto img = std::make_unique<TlxImage>();
    for (double opacity : {0.7, 1.0 / 3}) {
        const std::vector<double> coverage = coverageTable(opacity);
        std::vector<uint8_t> expected(3 * 256), actual, src(3 * 256), alpha(256);
        for (int a = 0; a < 256; ++a) {
            std::fill(alpha.begin(), alpha.end(), uint8_t(a));
            for (int l = 0; l < 256; ++l) {
                for (int x = 0; x < 256; ++x) {
                    expected[size_t(3 * x)] = uint8_t(x);
                    expected[size_t(3 * x + 1)] = uint8_t(x + 85);
                    expected[size_t(3 * x + 2)] = uint8_t(x + 170);
                    src[size_t(3 * x)] = src[size_t(3 * x + 1)] = src[size_t(3 * x + 2)] =
                        uint8_t(l);
                }
                actual = expected;
                for (int x = 0; x < 256; ++x) {
                    const uint32_t color = uint32_t(l) * 0x010101u;
                    img->BlendPixel(&expected[size_t(3 * x)], 0, color, coverage[size_t(a)]);
                }
                lx::blendNormalRow(actual.data(), src.data(), alpha.data(), nullptr, 256,
                                   coverage.data());
                ASSERT_EQ(actual, expected) << "opacity " << opacity << " a=" << a << " l=" << l;
            }
        }
    }
}

TEST(ComposeKernelTest, MaskedNormalRowEqualsTheMaskedFormula) {
    auto img = std::make_unique<TlxImage>();
    std::mt19937 rng(99);
    for (int caseNo = 0; caseNo < 3000; ++caseNo) {
        const double opacity = caseNo % 3 == 0 ? 1.0 : (rng() % 1000) / 1000.0;
        const std::vector<double> coverage = coverageTable(opacity);
        const int n = 1 + int(rng() % 40);
        std::vector<uint8_t> dst(static_cast<size_t>(3 * n)), src(dst.size()), mask(dst.size());
        std::vector<uint8_t> alpha(static_cast<size_t>(n));
        for (auto* v : {&dst, &src, &mask, &alpha})
            for (auto& b : *v)
                b = uint8_t(rng());
        for (size_t i = 0; i < mask.size(); i += 5)
            mask[i] = 0; // some channels fully hidden
        std::vector<uint8_t> expected = dst;
        for (int x = 0; x < n; ++x) {
            const uint8_t* s = &src[size_t(3 * x)];
            const uint8_t* m = &mask[size_t(3 * x)];
            img->BlendPixelMasked(
                &expected[size_t(3 * x)], 0, uint32_t(s[2]) << 16 | s[1] << 8 | s[0],
                coverage[alpha[size_t(x)]], uint32_t(m[2]) << 16 | m[1] << 8 | m[0]);
        }
        lx::blendNormalRow(dst.data(), src.data(), alpha.data(), mask.data(), n, coverage.data());
        ASSERT_EQ(dst, expected) << "case " << caseNo;
    }
}

// Every path, and the one chosen, over lengths around each vector width.
TEST(ComposeKernelTest, GreyRowBecomesGreyPixels) {
    std::vector<lx::NamedGreyRowFn> kernels = lx::greyToBgrRowKernels();
    kernels.push_back({"chosen", lx::greyToBgrRow});
    std::mt19937 rng(5);
    for (const lx::NamedGreyRowFn& kernel : kernels) {
        for (int n : {0, 1, 15, 16, 17, 33, 63, 64, 65, 100, 127, 128, 150, 200}) {
            std::vector<uint8_t> grey(static_cast<size_t>(n)), dst(size_t(3 * n + 3), 0xAB);
            for (auto& g : grey)
                g = uint8_t(rng());
            kernel.fn(dst.data(), grey.data(), n);
            for (int x = 0; x < n; ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(dst[size_t(3 * x + k)], grey[size_t(x)])
                        << kernel.name << " " << n << " " << x;
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(dst[size_t(3 * n + k)], 0xAB) << kernel.name << " wrote past the row";
        }
    }
}

class ComposeTest : public ::testing::Test {
protected:
    void SetUp() override {
        img = std::make_unique<TlxImage>();
        ASSERT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, 100, 20));
    }

    // A layer whose column k has blue k, green 2k, red 3k (bytes wrap).
    TlxLayer& addStripedLayer(int w, int h, int left, int top) {
        QImage bitmap(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                setBgr(bitmap, x, y, {uint8_t(x), uint8_t(2 * x), uint8_t(3 * x)});
        EXPECT_TRUE(img->AppendLayer(bitmap, solidGrey(w, h, 255)));
        TlxLayer& layer = img->Layers[size_t(img->LayersCount - 1)];
        layer.Left = left;
        layer.Top = top;
        return layer;
    }

    std::unique_ptr<TlxImage> img;
};

TEST_F(ComposeTest, LayerClippedAtTheLeftEdge) {
    addStripedLayer(30, 5, -10, 2);
    ASSERT_TRUE(img->ReDraw());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool covered = x < 20 && y >= 2 && y < 7;
            const int lx = x + 10;
            const Bgr expected =
                covered ? Bgr{uint8_t(lx), uint8_t(2 * lx), uint8_t(3 * lx)} : Bgr{255, 255, 255};
            ASSERT_EQ(bgrAt(img->ShowBmp, x, y), expected) << x << "," << y;
        }
}

TEST_F(ComposeTest, LayersOutsideTheImageBlendNothing) {
    addStripedLayer(30, 5, 100, 0);           // just right of the image
    addStripedLayer(10, 5, 0, -5);            // just above it
    addStripedLayer(10, 5, 0, 20);            // just below it
    addStripedLayer(10, 5, INT32_MAX - 5, 0); // far right: no overflow
    addStripedLayer(10, 5, INT32_MIN + 1, 0); // far left
    ASSERT_TRUE(img->ReDraw());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(bgrAt(img->ShowBmp, x, y), (Bgr{255, 255, 255}));
}

TEST_F(ComposeTest, LayerLargerThanTheImageOnBothSides) {
    addStripedLayer(120, 30, -7, -3);
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{7, 14, 21}));
    // Image column 99 is layer column 106; red 3 * 106 = 318 wraps to 62.
    EXPECT_EQ(bgrAt(img->ShowBmp, 99, 19), (Bgr{106, 212, 62}));
}

TEST_F(ComposeTest, InvisibleOnlyLayerShowsTheBackground) {
    img->Layers[0].Visible = false;
    img->BackColor = lxRGB(0, 128, 255);
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 50, 10), (Bgr{255, 128, 0}));
    img->BackgroundMode = 2;
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 50, 10), (Bgr{255, 128, 0}));
    img->BackgroundMode = 0;
    ASSERT_TRUE(img->MakeCheckerBackground());
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{192, 192, 192}));
    EXPECT_EQ(bgrAt(img->ShowBmp, 16, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(bgrAt(img->ShowBmp, 16, 16), (Bgr{192, 192, 192}));
}

TEST_F(ComposeTest, OpacityZeroDrawsNoOwnPixelsEvenWhenEffectsIgnoreIt) {
    TlxLayer& layer = addStripedLayer(10, 10, 0, 0);
    layer.Opacity = 0;
    layer.Style.EffectsIgnoreOpacity = true;
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 5, 5), (Bgr{255, 255, 255}));
}

TEST_F(ComposeTest, CoverageIsAlphaTimesOpacity) {
    img->BackColor = lxRGB(0, 0, 0);
    ASSERT_TRUE(img->AppendLayer(solidBgr(2, 1, {200, 255, 255}), solidGrey(2, 1, 255)));
    TlxLayer& layer = img->Layers[1];
    layer.Alpha.scanLine(0)[1] = 128;
    layer.Opacity = 0.5;
    img->Layers[0].Visible = false;
    ASSERT_TRUE(img->ReDraw());
    // Pixel 0: a = 0.5; 255 * 0.5 = 127.5 goes to the even 128; 200 * 0.5 = 100.
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{100, 128, 128}));
    // Pixel 1: a = 128 / 255 * 0.5 = 0.25098; 200a = 50.2 -> 50, 255a = 64.0 -> 64.
    EXPECT_EQ(bgrAt(img->ShowBmp, 1, 0), (Bgr{50, 64, 64}));
}

TEST_F(ComposeTest, MaskScalesEachChannelsCoverage) {
    // White background, black layer; mask red 255, green 0, blue 128.
    ASSERT_TRUE(img->AppendLayer(solidBgr(1, 1, {0, 0, 0}), solidGrey(1, 1, 255)));
    TlxLayer& layer = img->Layers[1];
    layer.HasMask = true;
    layer.Mask = solidBgr(1, 1, {128, 0, 255});
    ASSERT_TRUE(img->ReDraw());
    // red: a = 1 -> 0; green: a = 0 -> unchanged 255;
    // blue: a = 128/255, 255 * (1 - 128/255) = 127 exactly.
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{127, 255, 0}));
}

TEST_F(ComposeTest, MaskedLayerInAnotherMode) {
    // Add mode over grey 100 with a mask of red 255, green 0, blue 128.
    img->BackColor = lxRGB(100, 100, 100);
    img->Layers[0].Visible = false;
    ASSERT_TRUE(img->AppendLayer(solidBgr(1, 1, {100, 100, 100}), solidGrey(1, 1, 255)));
    TlxLayer& layer = img->Layers[1];
    layer.BlendMode = 1;
    layer.HasMask = true;
    layer.Mask = solidBgr(1, 1, {128, 0, 255});
    ASSERT_TRUE(img->ReDraw());
    // red: 100 + 100 = 200; green: coverage 0, unchanged 100;
    // blue: 100 + 100 * 128 / 255 = 150.196 -> 150.
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{150, 100, 200}));
}

TEST_F(ComposeTest, OtherModesGoThroughTheBlendFormula) {
    img->BackColor = lxRGB(100, 100, 100);
    ASSERT_TRUE(img->AppendLayer(solidBgr(1, 1, {100, 30, 200}), solidGrey(1, 1, 255)));
    img->Layers[1].BlendMode = 1; // add, clamped at 255
    img->Layers[0].Visible = false;
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{200, 130, 255}));
}

TEST_F(ComposeTest, LayersStackBottomToTop) {
    ASSERT_TRUE(img->AppendLayer(solidBgr(1, 1, {10, 10, 10}), solidGrey(1, 1, 255)));
    ASSERT_TRUE(img->AppendLayer(solidBgr(1, 1, {90, 90, 90}), solidGrey(1, 1, 255)));
    img->Layers[2].Alpha.fill(51); // a = 0.2: 0.8 * 10 + 0.2 * 90 = 26
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{26, 26, 26}));
}

TEST_F(ComposeTest, TargetOfTheWrongSizeIsRefused) {
    QImage small(10, 10, QImage::Format_BGR888);
    EXPECT_FALSE(img->ComposeImage(small));
    QImage wrongFormat(100, 20, QImage::Format_RGB32);
    EXPECT_FALSE(img->ComposeImage(wrongFormat));
}

} // namespace
