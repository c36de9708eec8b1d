// Tone curves: loading the curve plug-in, running a layer's colours through
// 256-entry tables (over the whole layer or weighted by the selection), and
// the histogram of the selected part of a picture.

#include "core/picture_convert.h"
#include "core/pixel_view.h"
#include "lxImage.h"
#include "program_folders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <cstddef>
#include <cstring>

// The plug-in writes pairs of 32-bit integers; the engine reads them as points.
static_assert(sizeof(TlxPoint) == 8 && offsetof(TlxPoint, X) == 0 && offsetof(TlxPoint, Y) == 4);

namespace {

// MB_OK (0) | MB_ICONERROR (0x10): one OK button and the error icon.
constexpr uint32_t kErrorBox = 0x10;

bool hasSelection(const TlxImage& Doc) {
    return Doc.HasSelection && !Doc.SelBitmap.isNull() && Doc.SelBitmap.depth() == 8;
}

// The columns (or rows) [first, end) of a layer that lie over the selection:
// layer pixel i sits over selection pixel i + offset, where offset is the
// layer's position minus the selection's, and that must lie in 0 .. selSize-1.
struct Span {
    int first = 0;
    int end = 0;
};

Span overlap(qint64 offset, int layerSize, int selSize) {
    const qint64 first = std::clamp<qint64>(-offset, 0, layerSize);
    const qint64 end = std::clamp<qint64>(qint64(selSize) - offset, first, layerSize);
    return {int(first), int(end)};
}

// The three tables in the byte order of a 24-bit pixel.
struct BgrTables {
    const uint8_t* b;
    const uint8_t* g;
    const uint8_t* r;
};

void applyTables(ConstPixelView src, PixelView dst, BgrTables t) {
    for (int y = 0; y < dst.Height; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int x = 0; x < dst.Width; ++x, s += 3, d += 3) {
            d[0] = t.b[s[0]];
            d[1] = t.g[s[1]];
            d[2] = t.r[s[2]];
        }
    }
}

// One channel under a partial selection value s (1..254):
//   N(curved × s / 255 + (1 − s / 255) × channel),
// evaluated left to right in double; keep is (1 − s / 255), the same for the
// three channels of a pixel. The first term is at most 255 × s / 255 and the
// second at most 255 × (1 − s / 255), so the sum lies in 0 .. 255 give or take
// a few units in the last place, and the rounded result fits a byte.
inline uint8_t weighted(uint8_t curved, int s, double keep, uint8_t channel) {
    return uint8_t(RoundEven(double(curved) * s / 255.0 + keep * channel));
}

// Layer pixels over selection values s > 0 take the curved colour weighted by
// s; the rest keep their own colour. At s = 255 the weighting is exactly the
// curved value (curved × 255 / 255 is exact and 1 − 255 / 255 is 0), so those
// pixels, usually the bulk of a selection, skip the arithmetic.
inline void weightPixel(const uint8_t* sp, uint8_t* dp, int v, BgrTables t) {
    if (v == 0) return;
    if (v == 255) {
        dp[0] = t.b[sp[0]];
        dp[1] = t.g[sp[1]];
        dp[2] = t.r[sp[2]];
        return;
    }
    const double keep = 1.0 - v / 255.0;
    dp[0] = weighted(t.b[sp[0]], v, keep, dp[0]);
    dp[1] = weighted(t.g[sp[1]], v, keep, dp[1]);
    dp[2] = weighted(t.r[sp[2]], v, keep, dp[2]);
}

// Eight selection bytes read at once: 0 when all are unselected, all ones
// when all are fully selected.
inline uint64_t selectionWord(const uint8_t* m) {
    uint64_t w;
    std::memcpy(&w, m, sizeof w);
    return w;
}
constexpr uint64_t kAllSelected = ~uint64_t(0);

// Selections are long runs of 0 and of 255 with partial values only along
// their edges, so the bytes are taken eight at a time: a run of 0 is
// skipped, a run of 255 is looked up without a test per pixel, and only
// mixed groups go pixel by pixel. Each pixel gets exactly what weightPixel
// gives it.
void applyTablesWeighted(ConstPixelView src, PixelView dst, ConstPixelView sel, Span xs, Span ys,
                         qint64 offsetX, qint64 offsetY, BgrTables t) {
    for (int y = ys.first; y < ys.end; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        const uint8_t* m = sel.row(int(y + offsetY)) + offsetX;
        int x = xs.first;
        for (; x + 8 <= xs.end; x += 8) {
            const uint64_t w = selectionWord(m + x);
            if (w == 0) continue;
            const uint8_t* sp = s + qsizetype(3) * x;
            uint8_t* dp = d + qsizetype(3) * x;
            if (w == kAllSelected) {
                for (int k = 0; k < 8; ++k, sp += 3, dp += 3) {
                    dp[0] = t.b[sp[0]];
                    dp[1] = t.g[sp[1]];
                    dp[2] = t.r[sp[2]];
                }
                continue;
            }
            for (int k = 0; k < 8; ++k, sp += 3, dp += 3)
                weightPixel(sp, dp, m[x + k], t);
        }
        for (; x < xs.end; ++x)
            weightPixel(s + qsizetype(3) * x, d + qsizetype(3) * x, m[x], t);
    }
}

// Counts the value of every picture pixel that lies over a non-zero selection
// byte; `value` reads one pixel's value from its first byte.
template <typename Value>
qint64 countSelected(ConstPixelView pic, int step, ConstPixelView sel, Span xs, Span ys,
                     qint64 offsetX, qint64 offsetY, Value value, std::array<int, 257>& Counts) {
    qint64 counted = 0;
    // Eight selection bytes at a time, as in applyTablesWeighted: runs of 0
    // are skipped, runs of 255 counted without a test per pixel.
    for (int y = ys.first; y < ys.end; ++y) {
        const uint8_t* p = pic.row(y);
        const uint8_t* m = sel.row(int(y + offsetY)) + offsetX;
        int x = xs.first;
        for (; x + 8 <= xs.end; x += 8) {
            const uint64_t w = selectionWord(m + x);
            if (w == 0) continue;
            const uint8_t* q = p + qsizetype(step) * x;
            if (w == kAllSelected) {
                for (int k = 0; k < 8; ++k, q += step)
                    ++Counts[size_t(1 + value(q))];
                counted += 8;
                continue;
            }
            for (int k = 0; k < 8; ++k, q += step) {
                if (m[x + k] == 0) continue;
                ++Counts[size_t(1 + value(q))];
                ++counted;
            }
        }
        for (; x < xs.end; ++x) {
            if (m[x] == 0) continue;
            ++Counts[size_t(1 + value(p + qsizetype(step) * x))];
            ++counted;
        }
    }
    return counted;
}

} // namespace

bool TlxImage::LoadCurvePlugin() {
    if (CurvePoints) return true;
    // Beside the program in the build tree, in the plug-in folder once installed.
    return LoadCurvePlugin(
        velmo::PluginFolderFor(QCoreApplication::applicationDirPath(),
                               velmo::CurvePluginFileName()));
}

bool TlxImage::LoadCurvePlugin(const QString& Folder) {
    const QString path = Folder + QLatin1Char('/') + velmo::CurvePluginFileName();
    auto fail = [this](const char* text) {
        if (OnCallMessageBox) OnCallMessageBox(this, QString::fromUtf8(text), kErrorBox);
        return false;
    };
    if (!QFileInfo(path).isFile())
        return fail("未找到“曲线插件”，请重新安装完整的《Quenlix图像处理系统》");
    // A QLibrary going out of scope leaves its library loaded, so the address
    // stays good for the document's whole life; loading the same file again
    // only takes another reference to it.
    QLibrary library(path);
    const auto entry = reinterpret_cast<GetCurvePointsFn>(library.resolve("GetCurvePoints"));
    if (!entry) return fail("调入“曲线插件”，出错！请重新安装完整的《Quenlix图像处理系统》");
    CurvePoints = entry;
    return true;
}

namespace {

// The layer's picture ready to be written and Source as a 24-bit picture of
// the same size; false when either is unusable.
bool prepareCurveTarget(TlxLayer& Layer, const QImage& Source, QImage& Src) {
    if (Layer.Bitmap.isNull() || Layer.Bitmap.format() != QImage::Format_BGR888) return false;
    if (Source.isNull() || Source.size() != Layer.Bitmap.size()) return false;
    Src = lx::toBgr(Source);
    if (Src.isNull()) return false;
    return Layer.Bitmap.bits() != nullptr; // detaches a shared picture now
}

} // namespace

bool TlxImage::ApplyCurve(int Layer, const QImage& Source, const CurveTable& Table) {
    return ApplyCurvesRGB(Layer, Source, Table, Table, Table);
}

bool TlxImage::ApplyCurveInSelection(int Layer, const QImage& Source, const CurveTable& Table) {
    return ApplyCurvesRGBInSelection(Layer, Source, Table, Table, Table);
}

bool TlxImage::ApplyCurvesRGB(int Layer, const QImage& Source, const CurveTable& TableR,
                              const CurveTable& TableG, const CurveTable& TableB) {
    if (!validIndex(Layer)) return false;
    try {
        TlxLayer& layer = Layers[size_t(Layer)];
        QImage src;
        if (!prepareCurveTarget(layer, Source, src)) return false;
        applyTables(constViewOf(src), viewOf(layer.Bitmap),
                    {TableB.data(), TableG.data(), TableR.data()});
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::ApplyCurvesRGBInSelection(int Layer, const QImage& Source, const CurveTable& TableR,
                                         const CurveTable& TableG, const CurveTable& TableB) {
    if (!validIndex(Layer) || !hasSelection(*this)) return false;
    try {
        TlxLayer& layer = Layers[size_t(Layer)];
        QImage src;
        if (!prepareCurveTarget(layer, Source, src)) return false;
        // Layer pixel (x, y) lies over selection pixel
        // (Left + x − SelLeft, Top + y − SelTop).
        const qint64 offsetX = qint64(layer.Left) - SelLeft;
        const qint64 offsetY = qint64(layer.Top) - SelTop;
        const PixelView dst = viewOf(layer.Bitmap);
        const ConstPixelView sel = constViewOf(SelBitmap);
        const Span xs = overlap(offsetX, dst.Width, sel.Width);
        const Span ys = overlap(offsetY, dst.Height, sel.Height);
        applyTablesWeighted(constViewOf(src), dst, sel, xs, ys, offsetX, offsetY,
                            {TableB.data(), TableG.data(), TableR.data()});
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::GetSelectionHistogram(const QImage& Bitmap, uint8_t Channel,
                                     std::array<int, 257>& Counts) {
    if (!hasSelection(*this)) return GetHistogram(Bitmap, Channel, Counts);
    // With a selection the current layer places the picture over it. A picture
    // of a format read here neither as 8-bit levels nor as colour, or a
    // channel it does not have, gives false and no counts.
    Counts.fill(0);
    if (!validIndex(CurrLayerID)) return false;
    if (Bitmap.isNull()) return true;

    // Byte positions of blue, green, red and the fourth byte in a pixel.
    int b = 0, g = 1, r = 2, a = 3;
    switch (Bitmap.format()) {
    case QImage::Format_BGR888:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    case QImage::Format_RGB888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        std::swap(b, r);
        break;
    default:
        if (Bitmap.depth() != 8) return false;
    }
    const int step = Bitmap.depth() / 8;
    if (Channel > 4 || (Channel == 4 && step == 3)) return false;

    const TlxLayer& layer = Layers[size_t(CurrLayerID)];
    const qint64 offsetX = qint64(layer.Left) - SelLeft;
    const qint64 offsetY = qint64(layer.Top) - SelTop;
    const ConstPixelView pic = constViewOf(Bitmap);
    const ConstPixelView sel = constViewOf(SelBitmap);
    const Span xs = overlap(offsetX, pic.Width, sel.Width);
    const Span ys = overlap(offsetY, pic.Height, sel.Height);
    auto count = [&](auto value) {
        return countSelected(pic, step, sel, xs, ys, offsetX, offsetY, value, Counts);
    };
    qint64 counted = 0;
    if (step == 1) {
        counted = count([](const uint8_t* p) { return p[0]; });
    } else if (Channel == 0) {
        counted = count([b, g, r](const uint8_t* p) { return lxLuminance(p[r], p[g], p[b]); });
    } else {
        const int at = Channel == 1 ? r : Channel == 2 ? g : Channel == 3 ? b : a;
        counted = count([at](const uint8_t* p) { return p[at]; });
    }
    Counts[0] = int(std::min<qint64>(counted, INT32_MAX));
    return true;
}
