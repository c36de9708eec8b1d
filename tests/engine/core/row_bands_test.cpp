#include "compose/mode_rows.h"
#include "core/picture_memory.h"
#include "core/row_bands.h"
#include "effects/effect_rules.h"
#include "lxImage.h"
#include "picture_helpers.h"
#include "row_band_settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(RowBandsTest, EveryRowIsDoneOnceInConsecutiveBands) {
    for (const int threads : {1, 2, 3, 8}) {
        for (const qsizetype rows : {qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(1000)}) {
            RowBandSettings settings(threads, 1);
            std::mutex m;
            std::vector<std::pair<qsizetype, qsizetype>> bands;
            std::set<std::thread::id> ids;
            std::vector<int> seen(size_t(rows), 0);
            lx::forRowBands(rows, 1000, [&](qsizetype first, qsizetype end) {
                std::lock_guard lock(m);
                bands.emplace_back(first, end);
                ids.insert(std::this_thread::get_id());
                for (qsizetype y = first; y < end; ++y)
                    ++seen[size_t(y)];
            });
            for (qsizetype y = 0; y < rows; ++y)
                ASSERT_EQ(seen[size_t(y)], 1) << "threads " << threads << " row " << y;
            const size_t expected = size_t(std::min<qsizetype>(threads, rows));
            EXPECT_EQ(bands.size(), expected) << "threads " << threads << " rows " << rows;
            EXPECT_EQ(ids.size(), expected);
        }
    }
}

TEST(RowBandsTest, SmallWorkAndNestedCallsStayOnTheCallingThread) {
    RowBandSettings settings(2, 0); // the default minimum
    const auto caller = std::this_thread::get_id();
    int calls = 0;
    lx::forRowBands(100, 100, [&](qsizetype first, qsizetype end) {
        ++calls;
        EXPECT_EQ(first, 0);
        EXPECT_EQ(end, 100);
        EXPECT_EQ(std::this_thread::get_id(), caller);
    });
    EXPECT_EQ(calls, 1);

    lx::setRowBandMinimumWork(1);
    std::atomic<int> inner{0};
    lx::forRowBands(4, 1, [&](qsizetype, qsizetype) {
        const auto outer = std::this_thread::get_id();
        lx::forRowBands(10, 1, [&](qsizetype first, qsizetype end) {
            EXPECT_EQ(std::this_thread::get_id(), outer);
            inner += int(end - first);
        });
    });
    EXPECT_EQ(inner.load(), 20); // each of the two bands did all ten rows itself
}

TEST(RowBandsTest, AnExceptionInAnyBandReachesTheCaller) {
    RowBandSettings settings(2, 1);
    for (const bool inFirst : {true, false}) {
        std::atomic<int> finished{0};
        EXPECT_THROW(lx::forRowBands(10, 1,
                                     [&](qsizetype first, qsizetype) {
                                         if ((first == 0) == inFirst)
                                             throw std::runtime_error("band failed");
                                         ++finished;
                                     }),
                     std::runtime_error);
        EXPECT_EQ(finished.load(), 1); // the other band still ran to its end
    }
    // The pool is still usable afterwards.
    std::atomic<int> rows{0};
    lx::forRowBands(10, 1, [&](qsizetype first, qsizetype end) { rows += int(end - first); });
    EXPECT_EQ(rows.load(), 10);
}

// A document whose layers meet every branch of the banded compositor: an
// opaque normal layer, normal at partial opacity and masked, a separable
// and an HSL mode, dissolve (alone and masked), a layer with a drop shadow
// between them, and one hanging over the edges. Rows of different layers
// start at different heights, so bands cut layers at odd rows.
std::unique_ptr<TlxImage> bandedDocument() {
    auto img = std::make_unique<TlxImage>();
    img->NewImage(true, lxRGB(250, 240, 230), 24, 203, 157);
    std::mt19937 gen(20261211);
    const struct {
        int w, h, left, top;
        uint8_t mode;
        double opacity;
        bool masked;
    } layers[] = {
        {150, 120, 10, 5, lx::BlendNormal, 1.0, false},
        {180, 140, -20, 30, lx::BlendDissolve, 0.55, false},
        {120, 90, 40, -15, lx::BlendNormal, 0.7, true},
        {203, 157, 0, 0, lx::BlendMultiply, 1.0, false},
        {100, 170, 90, -7, lx::BlendDissolve, 1.0, true},
        {80, 60, 60, 70, lx::BlendNormal, 1.0, false}, // gets a drop shadow
        {140, 100, 30, 50, lx::BlendColor, 0.8, false},
        {90, 90, 150, 100, lx::BlendDissolve, 0.3, false},
    };
    for (const auto& l : layers) {
        QImage bitmap(l.w, l.h, QImage::Format_BGR888);
        QImage alpha(l.w, l.h, QImage::Format_Grayscale8);
        for (int y = 0; y < l.h; ++y) {
            uint8_t* c = bitmap.scanLine(y);
            uint8_t* a = alpha.scanLine(y);
            for (int x = 0; x < 3 * l.w; ++x)
                c[x] = uint8_t(gen());
            for (int x = 0; x < l.w; ++x) // clear, opaque and partial pixels
                a[x] = uint8_t(gen() % 3 == 0 ? 0 : gen() % 2 ? 255 : gen());
        }
        img->AppendLayer(bitmap, alpha);
        TlxLayer& layer = img->Layers[size_t(img->LayersCount - 1)];
        layer.Left = l.left;
        layer.Top = l.top;
        layer.BlendMode = l.mode;
        layer.Opacity = l.opacity;
        if (l.masked) {
            layer.HasMask = true;
            layer.Mask = QImage(l.w, l.h, QImage::Format_BGR888);
            for (int y = 0; y < l.h; ++y)
                for (int x = 0; x < 3 * l.w; ++x)
                    layer.Mask.scanLine(y)[x] = uint8_t(gen());
        }
    }
    const TlxImage::ContourPointArray noPoints{};
    const TlxImage::ContourTableArray noTable{};
    EXPECT_TRUE(img->SetDropShadow(6, lx::BlendNormal, 60, 4, 3, 0, 5, lxRGB(0, 0, 40), false, 0,
                                   noPoints, noTable));
    return img;
}

// Three compositions in a row, as the display makes them: dissolve's numbers
// run on from one to the next, so each must match too.
std::vector<QImage> threeCompositions(int threads, bool perPixel) {
    RowBandSettings settings(threads, 1);
    lx::setPerPixelBlendReference(perPixel);
    auto img = bandedDocument();
    std::vector<QImage> shots;
    for (int k = 0; k < 3; ++k) {
        img->InvalidateComposeCache();
        EXPECT_TRUE(img->ReDraw());
        shots.push_back(img->ShowBmp.copy());
    }
    lx::setPerPixelBlendReference(false);
    return shots;
}

TEST(RowBandsTest, BandedCompositionEqualsTheOneThreadAndPerPixelForms) {
    const std::vector<QImage> reference = threeCompositions(1, true);
    for (const int threads : {1, 2, 3, 5}) {
        const std::vector<QImage> banded = threeCompositions(threads, false);
        for (size_t k = 0; k < reference.size(); ++k)
            EXPECT_TRUE(banded[k] == reference[k])
                << threads << " threads, composition " << k << " differs";
    }
    // The dissolve layers really did draw different pixels each time.
    EXPECT_FALSE(reference[0] == reference[1]);
}

// The effect masks: made from the alpha with its margins, thresholded,
// inverted and blurred, by bands of rows; fills of new pictures too.
TEST(RowBandsTest, MasksAndFillsAreTheSameOnAnyNumberOfThreads) {
    std::mt19937 gen(77);
    QImage alpha(97, 61, QImage::Format_Grayscale8);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            alpha.scanLine(y)[x] = uint8_t((x - 48) * (x - 48) + (y - 30) * (y - 30) < 700 ? 255
                                           : gen() % 4 == 0                                ? gen()
                                                                                           : 0);
    const auto build = [&] {
        std::vector<QImage> made = {lx::buildOuterMask(alpha, 3, 9),
                                    lx::buildInnerMask(alpha, 2, 6),
                                    lx::buildStrokeMask(alpha, 4, 2),
                                    lx::filledPicture(33, 17, QImage::Format_Grayscale8, 7)};
        QImage colour = lx::newPicture(35, 19, QImage::Format_BGR888);
        lx::fillBgrPicture(colour, lxRGB(10, 20, 30));
        made.push_back(colour);
        return made;
    };
    std::vector<QImage> one;
    {
        RowBandSettings settings(1, 0);
        one = build();
    }
    // Worked by hand: the fills hold their value, blue-green-red in order.
    EXPECT_EQ(greyAt(one[3], 32, 16), 7);
    EXPECT_EQ(bgrAt(one[4], 34, 18), (Bgr{30, 20, 10}));
    for (const int threads : {2, 3, 7}) {
        RowBandSettings settings(threads, 1);
        const std::vector<QImage> banded = build();
        for (size_t k = 0; k < one.size(); ++k)
            EXPECT_TRUE(banded[k] == one[k]) << "picture " << k << ", " << threads << " threads";
    }
}

} // namespace
