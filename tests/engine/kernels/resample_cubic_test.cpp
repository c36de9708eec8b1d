#include "kernels/resample.h"
#include "kernels/resample_cubic.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Kernel { Enlarge, Shrink };

// One way of running a kernel: the plain form, or the fast form on one path.
struct Form {
    std::string name;
    std::function<void(ConstPixelView, PixelView, int)> run;
};

std::vector<Form> formsOf(Kernel kernel) {
    std::vector<Form> forms;
    if (kernel == Kernel::Enlarge) {
        forms.push_back({"reference", lx::enlargeCubicReference});
        forms.push_back({"public", [](ConstPixelView s, PixelView d, int c) {
                             lx::enlargeCubic(s, d, c, {});
                         }});
        for (lx::CubicPath path : lx::cubicPaths())
            forms.push_back({lx::cubicPathName(path), [path](ConstPixelView s, PixelView d, int c) {
                                 lx::enlargeCubicOn(path, s, d, c, {});
                             }});
    } else {
        forms.push_back({"reference", lx::shrinkCubicReference});
        forms.push_back(
            {"public", [](ConstPixelView s, PixelView d, int c) { lx::shrinkCubic(s, d, c, {}); }});
        for (lx::CubicPath path : lx::cubicPaths())
            forms.push_back({lx::cubicPathName(path), [path](ConstPixelView s, PixelView d, int c) {
                                 lx::shrinkCubicOn(path, s, d, c, {});
                             }});
    }
    return forms;
}

int channelsOf(const QImage& image) {
    return image.format() == QImage::Format_Grayscale8 ? 1 : 3;
}

// The target starts filled with a marker in every byte, row padding
// included, so that a kernel writing past a row's pixels shows up as a
// difference from the plain form, which never does.
QImage resampled(const Form& form, const QImage& src, int w, int h) {
    QImage dst(w, h, src.format());
    std::memset(dst.bits(), 0xA5, size_t(dst.sizeInBytes()));
    form.run(constViewOf(src), viewOf(dst), channelsOf(src));
    return dst;
}

QImage greyPicture(int w, int h, const std::vector<int>& levels) {
    QImage image(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.scanLine(y)[x] = uint8_t(levels[size_t(y * w + x)]);
    return image;
}

std::vector<int> greyLevels(const QImage& image) {
    std::vector<int> levels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            levels.push_back(greyAt(image, x, y));
    return levels;
}

// A 24-bit picture whose channel `channel` carries the grey levels and whose
// other two channels are the even levels 40 and 200 (which must come out
// unchanged).
QImage bgrPicture(int w, int h, const std::vector<int>& levels, int channel) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.scanLine(y) + 3 * x;
            p[0] = 40;
            p[1] = 200;
            p[2] = 40;
            p[channel] = uint8_t(levels[size_t(y * w + x)]);
        }
    return image;
}

// ---- worked cases ----
//
// Weights: t = 0 gives 0, 1, 0, 0 (k(1) = ((4 - 8) + 5) - 1 = 0, k(2) = 0);
// t = 1/2 gives k(1.5) = ((4 - 12) + 11.25) - 3.375 = -0.125 and
// k(0.5) = (1 - 0.5) + 0.125 = 0.625, so -1/8, 5/8, 5/8, -1/8. All the sums
// below are exact in doubles.
struct WorkedCase {
    const char* name;
    Kernel kernel;
    int W, H;
    std::vector<int> src; // row by row
    int w, h;
    std::vector<int> expected;
};

const WorkedCase kWorkedCases[] = {
    // 2 x 2 -> 4 x 4: factor 2 both ways, so target 0 and 2 read source 0 and
    // 1 whole (t = 0), and target 1 and 3 sit half way (t = 1/2) with taps
    // 0,0,1,1 (target 1) and 0,1,1,1 (target 3).
    // Horizontal sums, source row 0 = (0, 253):
    //   x0 0;  x1 ((-0 + 0) + 158.125) - 31.625 = 126.5;  x2 253;
    //   x3 ((-0 + 158.125) + 158.125) - 31.625 = 284.625
    // source row 1 = (100, 0): 100;  ((-12.5 + 62.5) + 0) - 0 = 50;  0;  -12.5
    // Target row 0 (t = 0) is row 0: 0.5, 127, 253.5, 285.125 -> 0 127 253 255
    //   (the cubic overshoots the brightest source level and is limited).
    // Target row 1, rows 0,0,1,1 at -1/8, 5/8, 5/8, -1/8:
    //   x0 ((-0 + 0) + 62.5) - 12.5 = 50            -> 50.5      -> 50
    //   x1 (-15.8125 + 79.0625) + 31.25 - 6.25 = 88.25 -> 88.75  -> 88
    //   x2 (-31.625 + 158.125) + 0 - 0 = 126.5      -> 127 (plus one half, truncated)
    //   x3 (-35.578125 + 177.890625) - 7.8125 + 1.5625 = 136.0625 -> 136
    // Target row 2 (t = 0) is row 1: 100 50 0, and -12.5 + 0.5 = -12 -> 0.
    // Target row 3, rows 0,1,1,1:
    //   x0 ((-0 + 62.5) + 62.5) - 12.5 = 112.5      -> 113
    //   x1 ((-15.8125 + 31.25) + 31.25) - 6.25 = 40.4375 -> 40
    //   x2 -31.625 -> 0;  x3 -35.578125 - 7.8125 - 7.8125 + 1.5625 < 0 -> 0
    {"EnlargeTwoByTwo",
     Kernel::Enlarge,
     2,
     2,
     {0, 253, 100, 0},
     4,
     4,
     {0, 127, 253, 255, 50, 88, 127, 136, 100, 50, 0, 0, 113, 40, 0, 0}},
    // A step edge 0 0 255 255 enlarged twice: target 1 (taps 0,0,1,2) is
    // -0.125 * 255 = -31.875, +0.5 -> -31 -> limited to 0; target 3 (taps
    // 0,1,2,3) 159.375 - 31.875 = 127.5 -> 128; target 5 (taps 1,2,3,3)
    // (159.375 + 159.375) - 31.875 = 286.875 -> 287 -> limited to 255;
    // target 7 (taps 2,3,3,3) 255. Even targets copy the source.
    {"EnlargeStepEdgeAcross",
     Kernel::Enlarge,
     4,
     1,
     {0, 0, 255, 255},
     8,
     1,
     {0, 0, 0, 128, 255, 255, 255, 255}},
    {"EnlargeStepEdgeDown",
     Kernel::Enlarge,
     1,
     4,
     {0, 0, 255, 255},
     1,
     8,
     {0, 0, 0, 128, 255, 255, 255, 255}},
    // 4 x 2 -> 2 x 1: sx = sy = 2, whole positions, so each sample is one
    // source pixel; samples j = 2 and i = 2 weigh 2 - 2 = 0. Each value is
    // the mean of a 2 x 2 block: (2 + 3 + 2 + 3) / 4 = 2.5 -> 2 and
    // (4 + 5 + 6 + 7) / 4 = 5.5 -> 6, halves to even.
    {"ShrinkHalfBothWays", Kernel::Shrink, 4, 2, {2, 3, 4, 5, 2, 3, 6, 7}, 2, 1, {2, 6}},
    // 3 x 2 -> 2 x 2: sx = 1.5 (kx = 1, the second sample weighs 0.5), rows
    // unchanged. Target 0: samples at 0 and 1, (P0 + 0.5 P1) / 1.5.
    // Target 1 starts at 1.5 (x0 = 1, weights -1/8 5/8 5/8 -1/8): sample 0
    // taps 0,1,2,2, sample 1 taps 1,2,2,2.
    // Row (30, 90, 210): target 0 (30 + 45) / 1.5 = 50; target 1
    //   ((-3.75 + 56.25) + 131.25) - 26.25 = 157.5 and
    //   ((-11.25 + 131.25) + 131.25) - 26.25 = 225, (157.5 + 112.5) / 1.5 = 180.
    // Row (0, 0, 255): target 0 is 0; target 1 127.5 and 286.875, limited to
    //   255 before it is weighted: (127.5 + 127.5) / 1.5 = 170 (181 unlimited).
    {"ShrinkOneAndAHalfAcross",
     Kernel::Shrink,
     3,
     2,
     {30, 90, 210, 0, 0, 255},
     2,
     2,
     {50, 180, 0, 170}},
    {"ShrinkOneAndAHalfDown",
     Kernel::Shrink,
     2,
     3,
     {30, 0, 90, 0, 210, 255},
     2,
     2,
     {50, 0, 180, 170}},
};

void PrintTo(const WorkedCase& c, std::ostream* os) {
    *os << c.name;
}

class CubicWorkedCase : public testing::TestWithParam<WorkedCase> {};

TEST_P(CubicWorkedCase, GreyPictureGivesTheWorkedLevels) {
    const WorkedCase& c = GetParam();
    const QImage src = greyPicture(c.W, c.H, c.src);
    for (const Form& form : formsOf(c.kernel))
        EXPECT_EQ(greyLevels(resampled(form, src, c.w, c.h)), c.expected) << form.name;
}

TEST_P(CubicWorkedCase, EachChannelOfAColourPictureGivesTheWorkedLevels) {
    const WorkedCase& c = GetParam();
    for (int channel = 0; channel < 3; ++channel) {
        const QImage src = bgrPicture(c.W, c.H, c.src, channel);
        const QImage expected = bgrPicture(c.w, c.h, c.expected, channel);
        for (const Form& form : formsOf(c.kernel)) {
            const QImage actual = resampled(form, src, c.w, c.h);
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x)
                    ASSERT_EQ(bgrAt(actual, x, y), bgrAt(expected, x, y))
                        << form.name << " channel " << channel << " at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cubic, CubicWorkedCase, testing::ValuesIn(kWorkedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- uniform pictures ----
//
// The four weights of any fraction add up to 1 (up to a last bit), and a
// shrink's sample weights add up to sx * sy, so a uniform picture comes back
// uniform: the rounding takes up the stray bits, and the limits take up an
// overshoot of 255 by a bit.
struct Sizes {
    int W, H, w, h;
};

const Sizes kUniformSizes[] = {
    {3, 3, 5, 5},  {7, 5, 3, 2}, {10, 10, 7, 3},  {13, 2, 5, 2},   {5, 9, 12, 4},
    {9, 5, 4, 11}, {1, 1, 6, 7}, {17, 23, 17, 8}, {40, 31, 3, 29}, {2, 3, 59, 41},
};

TEST(CubicUniform, PicturesStayUniformBothWays) {
    const Bgr colours[] = {{0, 127, 255}, {1, 254, 128}, {255, 255, 255}};
    const uint8_t levels[] = {0, 77, 255};
    for (const Sizes& s : kUniformSizes) {
        const bool shrinking = s.W >= s.w && s.H >= s.h;
        for (const Form& form : formsOf(shrinking ? Kernel::Shrink : Kernel::Enlarge)) {
            const std::string what = form.name + " " + std::to_string(s.W) + "x" +
                                     std::to_string(s.H) + " -> " + std::to_string(s.w) + "x" +
                                     std::to_string(s.h);
            for (const Bgr& colour : colours) {
                const QImage out = resampled(form, solidBgr(s.W, s.H, colour), s.w, s.h);
                for (int y = 0; y < s.h; ++y)
                    for (int x = 0; x < s.w; ++x)
                        ASSERT_EQ(bgrAt(out, x, y), colour) << what << " at " << x << "," << y;
            }
            for (uint8_t level : levels) {
                const QImage out = resampled(form, solidGrey(s.W, s.H, level), s.w, s.h);
                for (int y = 0; y < s.h; ++y)
                    for (int x = 0; x < s.w; ++x)
                        ASSERT_EQ(greyAt(out, x, y), level) << what << " at " << x << "," << y;
            }
        }
    }
}

// ---- progress ----

TEST(CubicProgress, EveryTargetRowIsReportedOnceInOrder) {
    const QImage src = solidBgr(9, 7, {10, 20, 30});
    for (lx::CubicPath path : lx::cubicPaths()) {
        for (Kernel kernel : {Kernel::Enlarge, Kernel::Shrink}) {
            const int w = kernel == Kernel::Enlarge ? 20 : 4;
            const int h = kernel == Kernel::Enlarge ? 15 : 3;
            QImage dst(w, h, QImage::Format_BGR888);
            std::vector<int> reported;
            const lx::RowDone record = [&](int rows) { reported.push_back(rows); };
            if (kernel == Kernel::Enlarge)
                lx::enlargeCubicOn(path, constViewOf(src), viewOf(dst), 3, record);
            else
                lx::shrinkCubicOn(path, constViewOf(src), viewOf(dst), 3, record);
            std::vector<int> expected;
            for (int r = 1; r <= h; ++r)
                expected.push_back(r);
            EXPECT_EQ(reported, expected) << lx::cubicPathName(path);
        }
    }
}

// ---- fast forms against the plain ones ----

// Noise (every tap differs, samples overshoot both limits), hard steps of 0
// and 255, or a smooth ramp with a little noise.
QImage randomPicture(std::mt19937& rng, int w, int h, int channels) {
    QImage image(w, h, channels == 3 ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
    const unsigned kind = rng() % 3;
    const int gx = int(rng() % 9), gy = int(rng() % 9);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int i = 0; i < w * channels; ++i) {
            switch (kind) {
            case 0:
                row[i] = uint8_t(rng());
                break;
            case 1:
                row[i] = rng() % 2 ? 255 : 0;
                break;
            default:
                row[i] = uint8_t(
                    std::clamp(int(gx * (i / channels) + gy * y + int(rng() % 7)) - 3, 0, 255));
            }
        }
    }
    return image;
}

bool sameBytes(const QImage& a, const QImage& b) {
    return a.sizeInBytes() == b.sizeInBytes() &&
           std::memcmp(a.constBits(), b.constBits(), size_t(a.sizeInBytes())) == 0;
}

// Case N draws everything from seed 7000 + N, so a failure can be replayed
// alone. A third of the cases shrink both ways, a third enlarge both ways and
// a third enlarge one way and shrink the other; every case runs both kernels,
// which must give the plain forms' bytes (and stay inside the pictures) for
// any sizes, whichever the caller would choose.
TEST(CubicDifferential, FastFormsEqualThePlainFormsByteForByte) {
    const std::vector<lx::CubicPath> paths = lx::cubicPaths();
    for (int caseNo = 0; caseNo < 300; ++caseNo) {
        std::mt19937 rng(7000u + unsigned(caseNo));
        const int W = 1 + int(rng() % 60), H = 1 + int(rng() % 60);
        int w = 0, h = 0;
        const auto smaller = [&](int size) { return 1 + int(rng() % unsigned(size)); };
        const auto larger = [&](int size) { return size + 1 + int(rng() % unsigned(61 - size)); };
        switch (caseNo % 3) {
        case 0:
            w = smaller(W);
            h = smaller(H);
            break;
        case 1:
            w = W < 60 ? larger(W) : 60;
            h = H < 60 ? larger(H) : 60;
            break;
        default:
            if (rng() % 2) {
                w = W < 60 ? larger(W) : 60;
                h = smaller(H);
            } else {
                w = smaller(W);
                h = H < 60 ? larger(H) : 60;
            }
        }
        const int channels = rng() % 2 ? 3 : 1;
        const QImage src = randomPicture(rng, W, H, channels);
        const std::string what = "case " + std::to_string(caseNo) + ": " + std::to_string(W) + "x" +
                                 std::to_string(H) + " -> " + std::to_string(w) + "x" +
                                 std::to_string(h) + ", " + std::to_string(channels) +
                                 " channel(s), ";
        for (Kernel kernel : {Kernel::Enlarge, Kernel::Shrink}) {
            const std::vector<Form> forms = formsOf(kernel);
            const QImage expected = resampled(forms[0], src, w, h);
            for (size_t f = 1; f < forms.size(); ++f)
                ASSERT_TRUE(sameBytes(resampled(forms[f], src, w, h), expected))
                    << what << (kernel == Kernel::Enlarge ? "enlarge " : "shrink ")
                    << forms[f].name;
        }
    }
}

// Larger pictures reach what small ones do not: blocks of four target
// columns and four samples per column in the shrinking loops, and more than
// one block of columns for the target rows that enlarging takes together.
TEST(CubicDifferential, LargerPicturesEqualThePlainForms) {
    const struct {
        Kernel kernel;
        Sizes sizes;
    } cases[] = {
        {Kernel::Shrink, {203, 151, 31, 17}},  {Kernel::Shrink, {180, 90, 20, 10}},
        {Kernel::Shrink, {97, 333, 96, 40}},   {Kernel::Enlarge, {37, 29, 211, 97}},
        {Kernel::Enlarge, {50, 20, 1030, 45}}, {Kernel::Enlarge, {300, 7, 190, 61}},
    };
    std::mt19937 rng(99);
    for (const auto& c : cases) {
        const Sizes& s = c.sizes;
        const std::vector<Form> forms = formsOf(c.kernel);
        for (int channels : {1, 3}) {
            const QImage src = randomPicture(rng, s.W, s.H, channels);
            const QImage expected = resampled(forms[0], src, s.w, s.h);
            for (size_t f = 1; f < forms.size(); ++f)
                EXPECT_TRUE(sameBytes(resampled(forms[f], src, s.w, s.h), expected))
                    << forms[f].name << " " << s.W << "x" << s.H << " -> " << s.w << "x" << s.h
                    << ", " << channels << " channel(s)";
        }
    }
}

} // namespace
