// Pattern scaling: the engine's linear resampler run on 32-bit and 8-bit
// pictures.
//
// The arithmetic lives in one place, the engine's linear kernels, which take
// the four bytes of a 32-bit pixel as four channels alike. What this unit
// adds is the frame around them: which kernel a pair of sizes gets, the
// plain stretch for targets one pixel wide or high, and the picture formats.

#include "lxImageZoom.h"

#include "lxResample.h"
#include "lxTypes.h"

#include <cstring>
#include <vector>

namespace {

// A source whose bytes are blue, green, red, alpha in memory, as it is;
// any other one converted to that layout. Null when it has no pixels.
QImage bgraSource(const QImage& Src) {
    if (Src.isNull()) return QImage();
    if (Src.format() == QImage::Format_ARGB32 || Src.format() == QImage::Format_RGB32) return Src;
    return Src.convertToFormat(QImage::Format_ARGB32);
}

// An 8-bit source read byte for byte (grey levels, palette indices or alpha
// values alike); a picture of another depth becomes grey levels first.
QImage byteSource(const QImage& Src) {
    if (Src.isNull()) return QImage();
    if (Src.depth() == 8) return Src;
    return Src.convertToFormat(QImage::Format_Grayscale8);
}

// The target picture, cleared so that a routine failing part-way leaves no
// uninitialised memory behind. Null when the size is refused or the memory
// is not there.
QImage newTarget(int Width, int Height, QImage::Format Format) {
    if (!lx::pictureSizeAllowed(Width, Height)) return QImage();
    QImage image(Width, Height, Format);
    if (!image.isNull()) image.fill(0);
    return image;
}

// Targets one pixel wide or high: every target pixel is the source pixel
// under its centre, (2x + 1) * W div (2w) across and likewise down, as the
// engine's nearest stretch picks it. Whole 32-bit pixels are copied, so
// alpha travels with its colour untouched.
void stretchPixels32(const QImage& src, QImage& dst) {
    const int W = src.width(), H = src.height(), w = dst.width(), h = dst.height();
    std::vector<qsizetype> column(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        column[size_t(x)] = 4 * qsizetype((2 * int64_t(x) + 1) * W / (2 * int64_t(w)));
    for (int y = 0; y < h; ++y) {
        const uchar* s = src.constScanLine(int((2 * int64_t(y) + 1) * H / (2 * int64_t(h))));
        uchar* d = dst.scanLine(y);
        for (int x = 0; x < w; ++x)
            std::memcpy(d + 4 * qsizetype(x), s + column[size_t(x)], 4);
    }
}

} // namespace

bool ZoomBitmap32(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    try {
        // Taken before Dst changes: Src and Dst may be the same picture.
        const QImage src = bgraSource(Src);
        Dst = newTarget(NewWidth, NewHeight, QImage::Format_ARGB32);
        if (Dst.isNull() || src.isNull()) return false;
        const int W = src.width();
        const int H = src.height();
        if (NewWidth <= 1 || NewHeight <= 1) {
            stretchPixels32(src, Dst);
            return true;
        }
        if (NewWidth == W && NewHeight == H) {
            // The area average over windows of exactly one source pixel
            // (weights 1 and three 0s) gives every byte back unchanged.
            for (int y = 0; y < H; ++y)
                std::memcpy(Dst.scanLine(y), src.constScanLine(y), size_t(W) * 4);
            return true;
        }
        if (NewWidth > W || NewHeight > H) {
            return lx::enlargePictureLinear(src, Dst, 4);
        }
        return ShrinkBitmap32(src, Dst, NewWidth, NewHeight);
    } catch (...) {
        return false;
    }
}

bool ShrinkBitmap32(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    try {
        const QImage src = bgraSource(Src);
        if (Dst.format() != QImage::Format_ARGB32 || Dst.width() != NewWidth ||
            Dst.height() != NewHeight) {
            Dst = newTarget(NewWidth, NewHeight, QImage::Format_ARGB32);
            if (Dst.isNull()) return false;
        }
        if (src.isNull()) return false;
        // The engine reads indices past the last column and row as the last
        // one, which is the padding of a working copy with two spare columns
        // and rows, without making the copy.
        return lx::shrinkPictureLinear(src, Dst, 4);
    } catch (...) {
        return false;
    }
}

bool ZoomBitmap8(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    try {
        const QImage src = byteSource(Src);
        const bool thin = NewWidth <= 1 || NewHeight <= 1;
        if (!thin && !src.isNull() && NewWidth == src.width() && NewHeight == src.height()) {
            // Bilinear sampling at the same size lands on every source pixel
            // exactly (fractions 0), so the copy is the result; it keeps the
            // source's format and palette.
            Dst = src.copy();
            return !Dst.isNull();
        }
        // A new 8-bit picture: grey levels, index k showing level k.
        Dst = newTarget(NewWidth, NewHeight, QImage::Format_Grayscale8);
        if (Dst.isNull() || src.isNull()) return false;
        return thin ? lx::stretchPictureNearest(src, Dst, 1) : lx::samplePictureLinear(src, Dst, 1);
    } catch (...) {
        return false;
    }
}
