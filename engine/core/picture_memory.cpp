#include "core/picture_memory.h"

#include "core/row_bands.h"

#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace lx {
namespace {

// Large pages are 2 MiB here; a picture of a few of them gains little.
constexpr qsizetype kLargePage = qsizetype(2) << 20;
constexpr qsizetype kLargePicture = 8 * kLargePage;

void askForLargePages(uchar* data, qsizetype size) {
#ifdef __linux__
    if (size < kLargePicture) return;
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + kLargePage - 1) & ~uintptr_t(kLargePage - 1);
    const uintptr_t last = (start + uintptr_t(size)) & ~uintptr_t(kLargePage - 1);
    // Advice only: where the system cannot follow it nothing changes.
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

} // namespace

QImage newPicture(int Width, int Height, QImage::Format Format) {
    QImage picture;
    try {
        picture = QImage(Width, Height, Format);
    } catch (const std::bad_alloc&) {
        return QImage();
    }
    if (!picture.isNull()) askForLargePages(picture.bits(), picture.sizeInBytes());
    return picture;
}

void fillPictureBytes(QImage& Picture, uint8_t Value) {
    if (Picture.isNull()) return;
    uchar* const bits = Picture.bits();
    const qsizetype stride = Picture.bytesPerLine();
    forRowBands(Picture.height(), stride, [&](qsizetype first, qsizetype end) {
        std::memset(bits + first * stride, Value, size_t((end - first) * stride));
    });
}

void fillBgrPicture(QImage& Picture, uint32_t Colour) {
    if (Picture.isNull() || Picture.format() != QImage::Format_BGR888) return;
    const qsizetype stride = Picture.bytesPerLine();
    const int width = Picture.width();
    uchar* const bits = Picture.bits();
    const uint8_t pixel[3] = {uint8_t(Colour >> 16), uint8_t(Colour >> 8), uint8_t(Colour)};
    forRowBands(Picture.height(), stride, [&](qsizetype first, qsizetype end) {
        uchar* const row0 = bits + first * stride;
        for (int x = 0; x < width; ++x)
            std::memcpy(row0 + 3 * x, pixel, 3);
        std::memset(row0 + 3 * qsizetype(width), 0, size_t(stride - 3 * qsizetype(width)));
        for (qsizetype y = first + 1; y < end; ++y)
            std::memcpy(bits + y * stride, row0, size_t(stride));
    });
}

QImage filledPicture(int Width, int Height, QImage::Format Format, uint8_t Value) {
    QImage picture = newPicture(Width, Height, Format);
    fillPictureBytes(picture, Value);
    return picture;
}

} // namespace lx
