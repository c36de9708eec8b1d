// Zoom, coordinate conversion and the selection outline.

#include "core/pixel_view.h"
#include "lxImage.h"

#include <cmath>

bool TlxImage::ApplyZoom() {
    // Written so that a NaN zoom is mended too.
    if (!(ZoomValue >= 0.005)) ZoomValue = 0.005;
    if (AutoSize)
        ResizeControl(RoundEven(ImageWidth * ZoomValue), RoundEven(ImageHeight * ZoomValue));
    return true;
}

namespace {

// The integer part (towards zero) of a conversion result; results beyond the
// integer range give its nearest end, and a zoom of 0 or NaN gives 0.
int integerPart(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return 2147483647;
    if (value <= -2147483648.0) return -2147483647 - 1;
    return int(std::trunc(value));
}

} // namespace

int TlxImage::ScreenToImage(int Value) const {
    if (ZoomValue == 1) return Value;
    return integerPart(Value / ZoomValue + 0.5);
}

int TlxImage::ImageToScreen(int Value) const {
    if (ZoomValue == 1) return Value;
    return integerPart(Value * ZoomValue + 0.5);
}

namespace {

// Nearest-pixel copy of an 8-bit picture at a new size.
QImage stretchNearest(const QImage& source, int width, int height) {
    QImage result = CreateGrayBitmap(width, height);
    if (result.isNull()) return result;
    const ConstPixelView src = constViewOf(source);
    const PixelView dst = viewOf(result);
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[size_t(x)] = int(int64_t(x) * src.Width / width);
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src.row(int(int64_t(y) * src.Height / height));
        uint8_t* d = dst.row(y);
        for (int x = 0; x < width; ++x)
            d[x] = s[columns[size_t(x)]];
    }
    return result;
}

} // namespace

bool TlxImage::BuildSelectionOutline() {
    if (!HasSelection) return false;
    OutlineCount = 0;
    OutlinePoints.clear();
    if (SelBitmap.isNull() || SelBitmap.format() != QImage::Format_Grayscale8) {
        HasSelection = false;
        return true;
    }
    try {
        return buildOutlinePoints();
    } catch (...) {
        // Out of memory for the points: no outline, but the selection stays.
        OutlinePoints.clear();
        OutlineCount = 0;
        return false;
    }
}

bool TlxImage::buildOutlinePoints() {
    QImage scaled;
    if (ZoomValue != 1) {
        const int width = RoundEven(SelBitmap.width() * ZoomValue);
        const int height = RoundEven(SelBitmap.height() * ZoomValue);
        scaled = stretchNearest(SelBitmap, width, height);
        // A zoomed copy too large to allocate says nothing about the
        // selection: keep it and report the failure.
        if (scaled.isNull() && width > 0 && height > 0) return false;
    }
    const QImage& source = ZoomValue != 1 ? scaled : SelBitmap;
    const ConstPixelView s = constViewOf(source);

    bool nonEmpty = false;
    auto add = [&](int x, int y) { OutlinePoints.push_back({x, y}); };
    for (int r = 0; r + 1 < s.Height; ++r) {
        const uint8_t* row0 = s.row(r);
        const uint8_t* row1 = s.row(r + 1);
        for (int c = 0; c + 1 < s.Width; ++c) {
            const uint8_t p = row0[c], rr = row0[c + 1], q = row1[c], t = row1[c + 1];
            if (p != 0 || t != 0) nonEmpty = true;
            const bool ps = p >= 128, rs = rr >= 128, qs = q >= 128, ts = t >= 128;
            const bool uniform = (p == rr && p == q) || (ps && rs && qs && ts);
            if (uniform) {
                // Inside a uniform window only the bitmap's own border is an edge.
                if (r == 0 && ps)
                    add(c, r);
                else if (r + 2 == s.Height && qs)
                    add(c, r + 1);
                else if (c == 0 && ps)
                    add(c, r);
                else if (c + 2 == s.Width && rs)
                    add(c + 1, r);
            } else {
                if (ps)
                    add(c, r);
                else if (qs)
                    add(c, r + 1);
                else if (rs)
                    add(c + 1, r);
            }
        }
    }
    OutlineCount = int(OutlinePoints.size());
    if (OutlineCount == 0 && !nonEmpty) HasSelection = false;
    return true;
}

bool TlxImage::OutlineDashIsWhite(int k, uint8_t Phase) const {
    const TlxPoint& p = OutlinePoints[size_t(k)];
    // The neighbouring list entry tells whether this point is a step along a row.
    const int n = k == 0 ? 1 : k - 1;
    const bool horizontal = n < OutlinePointsInUse() && p.X == OutlinePoints[size_t(n)].X + 1 &&
                            p.Y == OutlinePoints[size_t(n)].Y;
    const int bits = horizontal ? (Phase + p.X) / 4 + p.Y / 4 : p.X / 4 + (Phase + p.Y) / 4;
    return (bits & 1) != 0;
}

TlxPoint TlxImage::OutlineOrigin() const {
    if (ZoomValue == 1) return {SelLeft, SelTop};
    return {RoundEven(SelLeft * ZoomValue), RoundEven(SelTop * ZoomValue)};
}

void TlxImage::AdvanceAntsPhase() {
    AntsPhase = AntsPhase >= 15 ? 0 : uint8_t(AntsPhase + 1);
}
