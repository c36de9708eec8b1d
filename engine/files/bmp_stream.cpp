// Windows bitmap files in memory.
//
// Layout written (all little-endian):
//   0  file header, 14 bytes: "BM", file size, two reserved zero words,
//      offset of the pixel rows;
//   14 info header, 40 bytes: header size 40, width, positive height (rows
//      stored bottom-up), planes 1, bit count, compression 0 (plain RGB),
//      size of the pixel rows, resolution 0 x 0, colours used 0, colours
//      important 0;
//   54 for 8 bits per pixel the 256-entry grey palette, entry i being the
//      bytes i, i, i, 0 (blue, green, red, reserved);
//   then the rows, bottom row first, each padded with zero bytes to a
//   multiple of four bytes: (width * bits + 31) / 32 * 4 bytes a row.

#include "files/bmp_stream.h"

#include "core/picture_convert.h"
#include "files/byte_io.h"
#include "lxImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "core/cpu_features.h"

namespace {
// The two reasons that do not mean a damaged file.
constexpr char kTooLarge[] = "bitmap too large";
constexpr char kNoMemory[] = "not enough memory for the bitmap";
} // namespace

namespace lx {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the pixel rows are copied as they lie in memory");

constexpr qint64 FileHeaderSize = 14;
constexpr qint64 InfoHeaderSize = 40;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t CompressionRgb = 0;
constexpr uint32_t CompressionBitFields = 3;
// The file size and the pixel offset are 32-bit fields; other readers take
// them as signed, so nothing past 2^31 - 1 bytes is written.
constexpr qint64 MaxFileSize = INT32_MAX;

// Bytes of one stored row: the bits of the row rounded up to whole 32-bit
// words. 64-bit so that a hostile width times 32 bits cannot overflow.
qint64 rowBytes(qint64 Width, int Bits) {
    return (Width * Bits + 31) / 32 * 4;
}

// ---- writing ----

// A file being written: both headers and the palette are filled in by
// start(), the rows by the caller through row().
struct FileWriter {
    QByteArray File;
    qsizetype Stride = 0;
    qsizetype Offset = 0;
    int Height = 0;

    // False, with nothing allocated, when the file would pass the 32-bit
    // size limit.
    bool start(int Width, int Rows, int Bits) {
        const qint64 stride = rowBytes(Width, Bits);
        const qint64 offset = FileHeaderSize + InfoHeaderSize + (Bits == 8 ? 256 * 4 : 0);
        const qint64 pixelBytes = stride * Rows;
        const qint64 fileSize = offset + pixelBytes;
        if (fileSize > MaxFileSize) return false;

        File = QByteArray(qsizetype(fileSize), Qt::Uninitialized);
        uint8_t* d = reinterpret_cast<uint8_t*>(File.data());
        std::memset(d, 0, size_t(offset));
        d[0] = 'B';
        d[1] = 'M';
        putU32(d, 2, uint32_t(fileSize));
        putU32(d, 10, uint32_t(offset));
        uint8_t* info = d + FileHeaderSize;
        putU32(info, 0, uint32_t(InfoHeaderSize));
        putU32(info, 4, uint32_t(Width));
        putU32(info, 8, uint32_t(Rows));
        putU16(info, 12, 1);
        putU16(info, 14, uint16_t(Bits));
        putU32(info, 20, uint32_t(pixelBytes));
        // Compression, resolution, colours used and colours important stay
        // 0; with 0 colours used an 8-bit file carries all 256 entries.
        if (Bits == 8) {
            uint8_t* palette = info + InfoHeaderSize;
            for (int i = 0; i < 256; ++i) {
                palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = uint8_t(i);
                palette[4 * i + 3] = 0;
            }
        }
        Stride = qsizetype(stride);
        Offset = qsizetype(offset);
        Height = Rows;
        return true;
    }

    // The stored row of picture row y: the bottom row is stored first.
    uint8_t* row(int y) {
        return reinterpret_cast<uint8_t*>(File.data()) + Offset +
               qsizetype(Height - 1 - y) * Stride;
    }

    // Rows of RowBytes bytes each, copied as they are, padding zeroed.
    void copyRows(const QImage& Picture, qsizetype RowBytes) {
        for (int y = 0; y < Height; ++y) {
            uint8_t* out = row(y);
            std::memcpy(out, Picture.constScanLine(y), size_t(RowBytes));
            std::memset(out + RowBytes, 0, size_t(Stride - RowBytes));
        }
    }
};

// Blue, green, red of one row and the coverage of the same row into
// blue, green, red, coverage quadruples.
void interleaveRowPlain(const uint8_t* Bgr, const uint8_t* Coverage, uint8_t* Out, int Width) {
    for (int x = 0; x < Width; ++x, Bgr += 3, Out += 4) {
        Out[0] = Bgr[0];
        Out[1] = Bgr[1];
        Out[2] = Bgr[2];
        Out[3] = Coverage[x];
    }
}

#ifdef LX_HAVE_X86
// Four pixels a step: one shuffle spreads twelve colour bytes into four
// quadruples with a zero in each fourth byte, a second puts the four
// coverage bytes there. Each step loads sixteen colour bytes, so it runs
// only while those lie inside the row (3x + 16 <= 3 * Width); the rest goes
// the plain way.
__attribute__((target("ssse3"))) void
interleaveRowSsse3(const uint8_t* Bgr, const uint8_t* Coverage, uint8_t* Out, int Width) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i toFourth =
        _mm_setr_epi8(-1, -1, -1, 0, -1, -1, -1, 1, -1, -1, -1, 2, -1, -1, -1, 3);
    int x = 0;
    for (; 3 * qsizetype(x) + 16 <= 3 * qsizetype(Width); x += 4) {
        const __m128i colour =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(Bgr + 3 * qsizetype(x)));
        uint32_t four;
        std::memcpy(&four, Coverage + x, 4);
        const __m128i cover = _mm_cvtsi32_si128(int(four));
        const __m128i quads =
            _mm_or_si128(_mm_shuffle_epi8(colour, spread), _mm_shuffle_epi8(cover, toFourth));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + 4 * qsizetype(x)), quads);
    }
    interleaveRowPlain(Bgr + 3 * qsizetype(x), Coverage + x, Out + 4 * qsizetype(x), Width - x);
}
#endif

using InterleaveRow = void (*)(const uint8_t*, const uint8_t*, uint8_t*, int);

InterleaveRow interleaveKernel() {
#ifdef LX_HAVE_X86
    if (lx::cpuHasSsse3()) return interleaveRowSsse3;
#endif
    return interleaveRowPlain;
}

// ---- reading ----

// One colour channel of a bit-field pixel: its mask, where the mask starts
// and how many bits it has, and (for up to 16 bits) a table taking every
// channel value to 8 bits.
struct Channel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
    std::vector<uint8_t> Table;

    // A channel of n bits holds 0 .. 2^n - 1; its 8-bit value is
    // v * 255 / (2^n - 1) rounded to nearest, that is
    // floor((510 v + (2^n - 1)) / (2 (2^n - 1))). The quotient is never
    // exactly a half: that would need 510 v, an even number, to equal
    // 2^n - 1 times an odd number, which is odd. 64-bit: 510 v for a 32-bit v.
    static uint8_t expand(uint32_t Value, int Bits) {
        const uint64_t top = (uint64_t(1) << Bits) - 1;
        return uint8_t((uint64_t(Value) * 510 + top) / (2 * top));
    }

    void build() {
        if (Mask == 0) return;
        Shift = std::countr_zero(Mask);
        Bits = std::popcount(Mask);
        if (Bits <= 16) {
            Table.resize(size_t(1) << Bits);
            for (uint32_t v = 0; v < Table.size(); ++v)
                Table[v] = expand(v, Bits);
        }
    }

    // Absent channels read as Missing (0 for colour, 255 for alpha).
    uint8_t value(uint32_t Pixel, uint8_t Missing) const {
        if (Mask == 0) return Missing;
        const uint32_t v = (Pixel & Mask) >> Shift;
        return Bits <= 16 ? Table[v] : expand(v, Bits);
    }
};

// A mask is usable when its set bits form one run inside the pixel's bits.
bool maskUsable(uint32_t Mask, int PixelBits) {
    if (Mask == 0) return true;
    if (PixelBits < 32 && (Mask >> PixelBits) != 0) return false;
    const uint32_t run = Mask >> std::countr_zero(Mask);
    return (run & (run + 1)) == 0;
}

struct Layout {
    int Width = 0;
    int Height = 0; // rows, always positive
    bool TopDown = false;
    int Bits = 0;
    uint32_t Compression = CompressionRgb;
    uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    qint64 PaletteOffset = 0;
    qint64 PaletteCount = 0;
    int PaletteEntryBytes = 4;
    qint64 PixelOffset = 0;
    qint64 Stride = 0;
};

// Reads and checks everything but the pixels. Returns an empty string when
// the bitmap can be decoded, else the reason.
QString readLayout(const uint8_t* Data, size_t Size, Layout& L) {
    if (Size < 2 || Data[0] != 'B' || Data[1] != 'M') return QStringLiteral("not a bitmap file");
    if (Size < size_t(FileHeaderSize) + 4) return QStringLiteral("bitmap data truncated");
    const uint32_t offBits = getU32(Data, 10);
    const uint8_t* info = Data + FileHeaderSize;
    const uint32_t headerSize = getU32(info, 0);
    if (headerSize != CoreHeaderSize && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != 124)
        return QStringLiteral("unsupported bitmap header");
    const qint64 headerEnd = FileHeaderSize + qint64(headerSize);
    if (qint64(Size) < headerEnd) return QStringLiteral("bitmap data truncated");

    qint64 width = 0, height = 0;
    uint16_t planes = 0;
    uint32_t colourCount = 0;
    qint64 afterHeader = headerEnd;
    if (headerSize == CoreHeaderSize) {
        width = getU16(info, 4);
        height = getU16(info, 6);
        planes = getU16(info, 8);
        L.Bits = getU16(info, 10);
        L.Compression = CompressionRgb;
        L.PaletteEntryBytes = 3;
    } else {
        width = int32_t(getU32(info, 4));
        height = int32_t(getU32(info, 8));
        planes = getU16(info, 12);
        L.Bits = getU16(info, 14);
        L.Compression = getU32(info, 16);
        colourCount = getU32(info, 32);
        L.PaletteEntryBytes = 4;
    }

    // A negative height means rows stored top-down. The most negative 32-bit
    // value has no positive counterpart, so it is refused as a malformed
    // size rather than left to the picture limits.
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return QStringLiteral("invalid bitmap size");
    L.TopDown = height < 0;
    if (L.TopDown) height = -height;
    if (!TlxImage::PictureSizeAllowed(width, height)) return QLatin1String(kTooLarge);
    L.Width = int(width);
    L.Height = int(height);

    if (planes != 1) return QStringLiteral("invalid bitmap header");
    const int b = L.Bits;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        return QStringLiteral("unsupported bitmap depth");

    if (L.Compression == CompressionBitFields) {
        if (b != 16 && b != 32) return QStringLiteral("unsupported bitmap compression");
        if (headerSize >= 52) {
            for (int k = 0; k < 3; ++k)
                L.Masks[k] = getU32(info, 40 + 4 * k);
            if (headerSize >= 56) L.Masks[3] = getU32(info, 52);
        } else {
            // The 40-byte header is followed by the red, green and blue masks.
            if (qint64(Size) < headerEnd + 12) return QStringLiteral("bitmap data truncated");
            for (int k = 0; k < 3; ++k)
                L.Masks[k] = getU32(Data, size_t(headerEnd) + 4 * size_t(k));
            afterHeader = headerEnd + 12;
        }
        for (uint32_t m : L.Masks)
            if (!maskUsable(m, b)) return QStringLiteral("invalid bitmap colour masks");
    } else if (L.Compression != CompressionRgb) {
        return QStringLiteral("unsupported bitmap compression");
    } else if (b == 16) {
        // Plain 16-bit pixels are 5 bits each of red, green and blue.
        L.Masks[0] = 0x7C00;
        L.Masks[1] = 0x03E0;
        L.Masks[2] = 0x001F;
    }

    if (b <= 8) {
        L.PaletteCount = colourCount == 0 ? (qint64(1) << b) : qint64(colourCount);
        if (L.PaletteCount > 256) return QStringLiteral("bitmap palette too large");
        L.PaletteOffset = afterHeader;
        if (L.PaletteOffset + L.PaletteCount * L.PaletteEntryBytes > qint64(Size))
            return QStringLiteral("bitmap data truncated");
    }

    L.PixelOffset = offBits;
    if (L.PixelOffset < headerEnd) return QStringLiteral("invalid bitmap data offset");
    L.Stride = rowBytes(width, b);
    // At most 30000 * 32 bits a row and 400 million pixels: the product
    // stays far below 2^63.
    if (L.PixelOffset + L.Stride * height > qint64(Size))
        return QStringLiteral("bitmap data truncated");
    return QString();
}

// Start of the stored row that shows as picture row y.
const uint8_t* sourceRow(const uint8_t* Data, const Layout& L, int y) {
    const int stored = L.TopDown ? y : L.Height - 1 - y;
    return Data + L.PixelOffset + qsizetype(stored) * L.Stride;
}

template <int Bytes>
void decodeBitFields(const uint8_t* Data, const Layout& L, const Channel (&C)[4], QImage& Out) {
    const int w = L.Width;
    for (int y = 0; y < L.Height; ++y) {
        const uint8_t* s = sourceRow(Data, L, y);
        uint8_t* d = Out.scanLine(y);
        for (int x = 0; x < w; ++x, s += Bytes) {
            if constexpr (Bytes == 2) {
                const uint32_t p = getU16(s, 0);
                d[3 * x] = C[2].value(p, 0);
                d[3 * x + 1] = C[1].value(p, 0);
                d[3 * x + 2] = C[0].value(p, 0);
            } else {
                const uint32_t p = getU32(s, 0);
                d[4 * x] = C[2].value(p, 0);
                d[4 * x + 1] = C[1].value(p, 0);
                d[4 * x + 2] = C[0].value(p, 0);
                d[4 * x + 3] = C[3].value(p, 255);
            }
        }
    }
}

void decodeIndexed(const uint8_t* Data, const Layout& L, QImage& Out) {
    const int w = L.Width;
    for (int y = 0; y < L.Height; ++y) {
        const uint8_t* s = sourceRow(Data, L, y);
        uint8_t* d = Out.scanLine(y);
        if (L.Bits == 8) {
            std::memcpy(d, s, size_t(w));
        } else if (L.Bits == 4) {
            // The first pixel of a byte is its high nibble.
            for (int x = 0; x < w; ++x)
                d[x] = uint8_t((s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
        } else {
            // The first pixel of a byte is its most significant bit.
            for (int x = 0; x < w; ++x)
                d[x] = uint8_t((s[x >> 3] >> (7 - (x & 7))) & 1);
        }
    }
}

bool decodeChecked(const uint8_t* Data, size_t Size, DecodedBmp& Out, QString& Error) {
    Layout L;
    Error = readLayout(Data, Size, L);
    if (!Error.isEmpty()) return false;

    DecodedBmp result;
    result.BitCount = L.Bits;
    if (L.Bits <= 8) {
        result.Palette.resize(size_t(L.PaletteCount));
        const uint8_t* p = Data + L.PaletteOffset;
        for (qint64 i = 0; i < L.PaletteCount; ++i, p += L.PaletteEntryBytes)
            result.Palette[size_t(i)] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    const QImage::Format format = L.Bits <= 8    ? QImage::Format_Grayscale8
                                  : L.Bits == 32 ? QImage::Format_ARGB32
                                                 : QImage::Format_BGR888;
    QImage pixels(L.Width, L.Height, format);
    if (pixels.isNull()) {
        Error = QLatin1String(kNoMemory);
        return false;
    }

    const bool plain32 = L.Bits == 32 && L.Compression == CompressionRgb;
    if (L.Bits <= 8) {
        decodeIndexed(Data, L, pixels);
    } else if (L.Bits == 24 || plain32) {
        // Stored rows are already blue, green, red (and the fourth byte).
        const size_t bytes = size_t(L.Width) * size_t(L.Bits / 8);
        for (int y = 0; y < L.Height; ++y)
            std::memcpy(pixels.scanLine(y), sourceRow(Data, L, y), bytes);
    } else {
        Channel channels[4];
        for (int k = 0; k < 4; ++k) {
            channels[k].Mask = L.Masks[k];
            channels[k].build();
        }
        if (L.Bits == 16)
            decodeBitFields<2>(Data, L, channels, pixels);
        else
            decodeBitFields<4>(Data, L, channels, pixels);
    }
    result.Pixels = std::move(pixels);
    Out = std::move(result);
    return true;
}

} // namespace

QByteArray encodeBmp32(const QImage& Colour, const QImage& Coverage) {
    if (Colour.isNull() || Coverage.isNull() || Colour.size() != Coverage.size())
        return QByteArray();
    FileWriter out;
    if (!out.start(Colour.width(), Colour.height(), 32)) return QByteArray();
    const QImage colour = toBgr(Colour);
    const QImage coverage = toGrey(Coverage);
    if (colour.isNull() || coverage.isNull()) return QByteArray();
    const InterleaveRow interleave = interleaveKernel();
    // 32-bit rows are whole words: no padding.
    for (int y = 0; y < out.Height; ++y)
        interleave(colour.constScanLine(y), coverage.constScanLine(y), out.row(y), colour.width());
    return out.File;
}

QByteArray encodeBmp24(const QImage& Picture) {
    if (Picture.isNull()) return QByteArray();
    FileWriter out;
    if (!out.start(Picture.width(), Picture.height(), 24)) return QByteArray();
    const QImage colour = toBgr(Picture);
    if (colour.isNull()) return QByteArray();
    out.copyRows(colour, 3 * qsizetype(colour.width()));
    return out.File;
}

QByteArray encodeBmp8(const QImage& Grey) {
    if (Grey.isNull()) return QByteArray();
    FileWriter out;
    if (!out.start(Grey.width(), Grey.height(), 8)) return QByteArray();
    const QImage grey = toGrey(Grey);
    if (grey.isNull()) return QByteArray();
    out.copyRows(grey, grey.width());
    return out.File;
}

QByteArray encodeBmpAsIs(const QImage& Picture) {
    if (Picture.isNull()) return QByteArray();
    if (!Picture.hasAlphaChannel()) return encodeBmp24(Picture);
    FileWriter out;
    if (!out.start(Picture.width(), Picture.height(), 32)) return QByteArray();
    // Format_ARGB32 lies in memory as blue, green, red, alpha with straight
    // alpha: the stored byte order already.
    const QImage argb = Picture.format() == QImage::Format_ARGB32
                            ? Picture
                            : Picture.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) return QByteArray();
    out.copyRows(argb, 4 * qsizetype(argb.width()));
    return out.File;
}

bool decodeBmp(const uint8_t* Data, size_t Size, DecodedBmp& Out, QString& Error) {
    if (Data == nullptr) Size = 0;
    try {
        return decodeChecked(Data, Size, Out, Error);
    } catch (const std::bad_alloc&) {
        Error = QLatin1String(kNoMemory);
        return false;
    }
}

QImage decodedToBgr(const DecodedBmp& Bmp) {
    const QImage& src = Bmp.Pixels;
    if (src.isNull()) return QImage();
    if (src.format() == QImage::Format_BGR888) return src;
    if (src.format() != QImage::Format_Grayscale8 && src.format() != QImage::Format_ARGB32)
        return QImage();
    QImage out(src.size(), QImage::Format_BGR888);
    if (out.isNull()) return QImage();
    const int w = src.width();
    if (src.format() == QImage::Format_Grayscale8) {
        // Every index a byte can hold, with those past the palette black, so
        // that the row loop needs no bounds check.
        uint32_t colours[256] = {};
        const size_t n = std::min<size_t>(Bmp.Palette.size(), 256);
        std::copy_n(Bmp.Palette.begin(), n, colours);
        for (int y = 0; y < src.height(); ++y) {
            const uint8_t* s = src.constScanLine(y);
            uint8_t* d = out.scanLine(y);
            for (int x = 0; x < w; ++x, d += 3) {
                const uint32_t c = colours[s[x]];
                d[0] = uint8_t(c);
                d[1] = uint8_t(c >> 8);
                d[2] = uint8_t(c >> 16);
            }
        }
    } else {
        for (int y = 0; y < src.height(); ++y) {
            const uint8_t* s = src.constScanLine(y);
            uint8_t* d = out.scanLine(y);
            for (int x = 0; x < w; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }
    return out;
}

QImage decodedFourthByte(const DecodedBmp& Bmp) {
    const QImage& src = Bmp.Pixels;
    if (src.isNull()) return QImage();
    QImage out(src.size(), QImage::Format_Grayscale8);
    if (out.isNull()) return QImage();
    if (src.format() != QImage::Format_ARGB32) {
        out.fill(255);
        return out;
    }
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.constScanLine(y) + 3;
        uint8_t* d = out.scanLine(y);
        for (int x = 0; x < w; ++x, s += 4)
            d[x] = *s;
    }
    return out;
}

QImage decodedLevels(const DecodedBmp& Bmp) {
    const QImage& src = Bmp.Pixels;
    if (src.isNull()) return QImage();
    if (src.format() == QImage::Format_Grayscale8) return src;
    const int step = src.format() == QImage::Format_ARGB32 ? 4 : 3;
    if (step == 3 && src.format() != QImage::Format_BGR888) return QImage();
    QImage out(src.size(), QImage::Format_Grayscale8);
    if (out.isNull()) return QImage();
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* s = src.constScanLine(y);
        uint8_t* d = out.scanLine(y);
        for (int x = 0; x < w; ++x, s += step)
            d[x] = *s;
    }
    return out;
}

TlxFileErrorCode bitmapFailureCode(const QString& Reason) {
    if (Reason == QLatin1String(kTooLarge)) return TlxFileErrorCode::TooLarge;
    if (Reason == QLatin1String(kNoMemory)) return TlxFileErrorCode::OutOfMemory;
    return TlxFileErrorCode::Damaged;
}

QImage decodeBmpPicture(const QByteArray& Data, QString* Error) {
    try {
        DecodedBmp bmp;
        QString reason;
        if (!decodeBmp(reinterpret_cast<const uint8_t*>(Data.constData()), size_t(Data.size()), bmp,
                       reason)) {
            if (Error) *Error = reason;
            return QImage();
        }
        if (bmp.Pixels.format() == QImage::Format_ARGB32) return bmp.Pixels;
        return decodedToBgr(bmp);
    } catch (const std::bad_alloc&) {
        if (Error) *Error = QStringLiteral("out of memory");
        return QImage();
    }
}

} // namespace lx
