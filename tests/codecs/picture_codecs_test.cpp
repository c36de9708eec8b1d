// Pictures written with the decoding library (or byte by byte where no
// writer exists) are read back through LoadPictureFile and held against the
// formula that made them.

#include "eps_reader.h"
#include "magick_reader.h"
#include "picture_codecs.h"

#include <Magick++.h>

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

using velmo::codecs::LoadPictureFile;
using velmo::codecs::PictureFormatGroups;
using velmo::codecs::PictureOpenFilter;
using velmo::codecs::TPictureLoad;

namespace {

enum class Kind { Colour, ColourAlpha, Grey, BlackWhite, Smooth };

// Odd sides, so that a row stride or a swapped side shows.
constexpr int W = 7;
constexpr int H = 5;

QRgb expectedPixel(Kind kind, int x, int y) {
    switch (kind) {
    case Kind::Colour:
        return qRgb((x * 50) % 256, (y * 60) % 256, ((x + y) * 30) % 256);
    case Kind::ColourAlpha:
        return qRgba((x * 50) % 256, (y * 60) % 256, ((x + y) * 30) % 256,
                     std::min(255, 64 + 64 * ((x + y) % 4)));
    case Kind::Grey: {
        const int v = (x * 50 + y * 20) % 256;
        return qRgb(v, v, v);
    }
    case Kind::BlackWhite:
        return (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    case Kind::Smooth:
        return qRgb(x * 8, y * 8, 128);
    }
    return 0;
}

QImage sourcePicture(Kind kind, int w, int h) {
    QImage picture(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, expectedPixel(kind, x, y));
    return picture;
}

Magick::Image magickPicture(Kind kind, int w, int h) {
    const QImage source = sourcePicture(kind, w, h);
    Magick::Image image(size_t(w), size_t(h), "BGRA", Magick::CharPixel, source.constBits());
    if (kind != Kind::ColourAlpha) image.matte(false);
    if (kind == Kind::Grey) image.type(Magick::GrayscaleType);
    if (kind == Kind::BlackWhite) image.type(Magick::BilevelType);
    return image;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class PictureCodecs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Magick::InitializeMagick(nullptr); }
    QString path(const QString& name) const { return folder.filePath(name); }
    QTemporaryDir folder;
};

// Largest difference of one channel between the loaded picture and the
// formula, beyond what premultiplied storage must lose: a colour kept as
// c * a / 255 in a byte comes back within 255 / (2a) + 1/2 of itself, so 2
// at the smallest alpha here (64), 0 where the pixel is opaque.
int largestDifference(const QImage& picture, Kind kind) {
    int worst = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb want = expectedPixel(kind, x, y);
            const int alpha = qAlpha(want);
            const int premultiplyLoss = alpha == 255 ? 0 : (255 + alpha) / (2 * alpha);
            const int colour = std::max({std::abs(qRed(row[x]) - qRed(want)),
                                         std::abs(qGreen(row[x]) - qGreen(want)),
                                         std::abs(qBlue(row[x]) - qBlue(want))});
            worst = std::max(
                {worst, std::max(0, colour - premultiplyLoss), std::abs(qAlpha(row[x]) - alpha)});
        }
    }
    return worst;
}

struct TWrittenCase {
    const char* Extension;
    const char* MagickFormat;
    Kind Picture;
    int Tolerance;
};

void PrintTo(const TWrittenCase& c, std::ostream* os) {
    *os << c.Extension << " as " << c.MagickFormat;
}

class WrittenPicture : public PictureCodecs, public ::testing::WithParamInterface<TWrittenCase> {};

// Targa files without the version 2 footer, the way many programs still
// write them: Qt refuses those, so they exercise the fallback.
void stripTargaFooter(const QString& file) {
    QByteArray bytes = readAll(file);
    if (bytes.endsWith(QByteArray("TRUEVISION-XFILE.\0", 18))) {
        const quint32 extension = qFromLittleEndian<quint32>(bytes.constData() + bytes.size() - 26);
        bytes.truncate(extension ? qsizetype(extension) : bytes.size() - 26);
        writeAll(file, bytes);
    }
}

TEST_P(WrittenPicture, ReadsBackThePixelsWritten) {
    const TWrittenCase& c = GetParam();
    const bool smooth = c.Picture == Kind::Smooth;
    const int w = smooth ? 32 : W;
    const int h = smooth ? 24 : H;
    const QString file = path(QStringLiteral("picture.") + QLatin1StringView(c.Extension));
    {
        Magick::Image image = magickPicture(c.Picture, w, h);
        image.magick(c.MagickFormat);
        if (QLatin1StringView(c.MagickFormat) == QLatin1StringView("WEBP"))
            image.defineValue("webp", "lossless", "true");
        if (c.Tolerance) image.quality(95);
        const bool runLength = QLatin1StringView(c.Extension) == QLatin1StringView("rle");
        if (runLength) {
            image.type(Magick::PaletteType);
            image.compressType(Magick::RLECompression);
        }
        image.write(file.toStdString());
    }
    if (QLatin1StringView(c.MagickFormat) == QLatin1StringView("TGA")) {
        stripTargaFooter(file);
        ASSERT_FALSE(readAll(file).contains("TRUEVISION-XFILE"));
    }
    if (QLatin1StringView(c.Extension) == QLatin1StringView("rle")) {
        // Compression 1: 8-bit run lengths.
        ASSERT_EQ(qFromLittleEndian<quint32>(readAll(file).constData() + 30), 1u);
    }
    if (QLatin1StringView(c.MagickFormat) == QLatin1StringView("DIB")) {
        // A packed bitmap: the information header comes first.
        ASSERT_EQ(qFromLittleEndian<quint32>(readAll(file).constData()), 40u);
    }

    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    EXPECT_TRUE(load.Error.isEmpty());
    EXPECT_EQ(load.Picture.size(), QSize(w, h));
    EXPECT_EQ(load.Picture.format(),
              c.Picture == Kind::ColourAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    EXPECT_LE(largestDifference(load.Picture, c.Picture), c.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, WrittenPicture,
                         ::testing::Values(TWrittenCase{"bmp", "BMP3", Kind::Colour, 0},
                                           TWrittenCase{"dib", "DIB", Kind::Colour, 0},
                                           TWrittenCase{"rle", "BMP3", Kind::Colour, 0},
                                           TWrittenCase{"ico", "ICO", Kind::ColourAlpha, 0},
                                           TWrittenCase{"gif", "GIF", Kind::Colour, 0},
                                           TWrittenCase{"png", "PNG", Kind::ColourAlpha, 0},
                                           TWrittenCase{"tif", "TIFF", Kind::ColourAlpha, 0},
                                           TWrittenCase{"tga", "TGA", Kind::ColourAlpha, 0},
                                           TWrittenCase{"vst", "TGA", Kind::Colour, 0},
                                           TWrittenCase{"pcx", "PCX", Kind::Colour, 0},
                                           TWrittenCase{"scr", "PCX", Kind::Colour, 0},
                                           TWrittenCase{"ppm", "PPM", Kind::Colour, 0},
                                           TWrittenCase{"pgm", "PGM", Kind::Grey, 0},
                                           TWrittenCase{"pbm", "PBM", Kind::BlackWhite, 0},
                                           TWrittenCase{"sgi", "SGI", Kind::ColourAlpha, 0},
                                           TWrittenCase{"rgb", "SGI", Kind::Colour, 0},
                                           TWrittenCase{"bw", "SGI", Kind::Grey, 0},
                                           TWrittenCase{"psd", "PSD", Kind::Colour, 0},
                                           TWrittenCase{"webp", "WEBP", Kind::ColourAlpha, 0},
                                           TWrittenCase{"jpg", "JPEG", Kind::Smooth, 8},
                                           TWrittenCase{"heic", "HEIC", Kind::Smooth, 12},
                                           TWrittenCase{"avif", "AVIF", Kind::Smooth, 12}));

// A JPEG 8 x 4, left half red and right half blue, with an EXIF block saying
// "turn 90 degrees clockwise to view" (orientation 6).
QByteArray turnedJpeg() {
    QImage picture(8, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            picture.setPixel(x, y, x < 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    Magick::Image image(8, 4, "BGRA", Magick::CharPixel, picture.constBits());
    image.matte(false);
    image.magick("JPEG");
    image.quality(100);
    Magick::Blob blob;
    image.write(&blob);
    const QByteArray jpeg(static_cast<const char*>(blob.data()), qsizetype(blob.length()));
    // APP1: "Exif\0\0", a little-endian TIFF header, one IFD entry
    // (0x0112 orientation, SHORT, count 1, value 6), no next IFD.
    const QByteArray exif = QByteArray("\xFF\xE1\x00\x22"
                                       "Exif\0\0"
                                       "II\x2A\x00\x08\x00\x00\x00"
                                       "\x01\x00"
                                       "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"
                                       "\x00\x00\x00\x00",
                                       4 + 32);
    return jpeg.left(2) + exif + jpeg.mid(2);
}

void expectTurned(const QImage& picture) {
    ASSERT_EQ(picture.size(), QSize(4, 8));
    // Turned clockwise, the left half is now on top.
    for (const auto& [x, y, red] :
         {std::tuple{1, 1, true}, {2, 2, true}, {1, 6, false}, {2, 5, false}}) {
        const QRgb pixel = picture.pixel(x, y);
        EXPECT_GT(red ? qRed(pixel) : qBlue(pixel), 200) << x << "," << y;
        EXPECT_LT(red ? qBlue(pixel) : qRed(pixel), 60) << x << "," << y;
    }
}

TEST_F(PictureCodecs, JpegOrientationIsApplied) {
    const QString file = path(QStringLiteral("turned.jpg"));
    writeAll(file, turnedJpeg());
    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    EXPECT_EQ(load.Picture.format(), QImage::Format_RGB32);
    expectTurned(load.Picture);
}

TEST_F(PictureCodecs, DecodingLibraryAppliesOrientationToo) {
    const TPictureLoad load = velmo::codecs::detail::loadWithMagick(turnedJpeg(), nullptr);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    expectTurned(load.Picture);
}

TEST_F(PictureCodecs, IconKeepsItsLargestEntryWithAlpha) {
    // Two entries, 16 and 32 pixels, both 32-bit with alpha.
    const QString file = path(QStringLiteral("two.ico"));
    {
        std::vector<Magick::Image> entries{magickPicture(Kind::ColourAlpha, 16, 16),
                                           magickPicture(Kind::ColourAlpha, 32, 32)};
        Magick::writeImages(entries.begin(), entries.end(), "ICO:" + file.toStdString());
    }
    QImageReader probe(file);
    ASSERT_EQ(probe.imageCount(), 2);
    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    EXPECT_EQ(load.Picture.size(), QSize(32, 32));
    EXPECT_EQ(load.Picture.format(), QImage::Format_ARGB32);
    EXPECT_EQ(largestDifference(load.Picture, Kind::ColourAlpha), 0);
}

TEST_F(PictureCodecs, EpsIsRenderedAtOneHundredDotsPerInch) {
    // 72 x 36 points: red left square, blue right square, 100 x 50 pixels.
    const QString file = path(QStringLiteral("squares.eps"));
    writeAll(file, "%!PS-Adobe-3.0 EPSF-3.0\n"
                   "%%BoundingBox: 0 0 72 36\n"
                   "1 0 0 setrgbcolor 0 0 36 36 rectfill\n"
                   "0 0 1 setrgbcolor 36 0 36 36 rectfill\n"
                   "showpage\n");
    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    ASSERT_EQ(load.Picture.size(), QSize(100, 50));
    EXPECT_EQ(load.Picture.pixel(25, 25), qRgba(255, 0, 0, 255));
    EXPECT_EQ(load.Picture.pixel(75, 25), qRgba(0, 0, 255, 255));
}

// A placeable metafile of 100 x 50 units at 100 units per inch: a red
// rectangle over all of it, drawn with a null pen.
QByteArray redMetafile() {
    QByteArray records;
    const auto put16 = [](QByteArray& to, quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        to.append(b, 2);
    };
    const auto put32 = [](QByteArray& to, quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        to.append(b, 4);
    };
    const auto record = [&](quint16 function, std::initializer_list<quint16> words) {
        put32(records, quint32(3 + words.size()));
        put16(records, function);
        for (const quint16 w : words)
            put16(records, w);
    };
    record(0x020B, {0, 0});                 // window origin (y, x)
    record(0x020C, {50, 100});              // window extent (height, width)
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // solid brush, colour 0x000000FF = red
    record(0x02FA, {5, 0, 0, 0, 0});        // null pen
    record(0x012D, {0});                    // select the brush
    record(0x012D, {1});                    // select the pen
    record(0x041B, {50, 100, 0, 0});        // rectangle (bottom, right, top, left)
    record(0x0000, {});                     // end
    QByteArray header;
    put16(header, 1);
    put16(header, 9);
    put16(header, 0x0300);
    put32(header, quint32((18 + records.size()) / 2));
    put16(header, 2);
    put32(header, 8);
    put16(header, 0);
    QByteArray placeable;
    put32(placeable, 0x9AC6CDD7u);
    for (const quint16 w : {0, 0, 0, 100, 50, 100, 0, 0})
        put16(placeable, w);
    quint16 checksum = 0;
    for (int i = 0; i < placeable.size(); i += 2)
        checksum ^= qFromLittleEndian<quint16>(placeable.constData() + i);
    put16(placeable, checksum);
    return placeable + header + records;
}

TEST_F(PictureCodecs, MetafileIsDrawnAtOneHundredDotsPerInch) {
    const QString file = path(QStringLiteral("red.wmf"));
    writeAll(file, redMetafile());
    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    ASSERT_EQ(load.Picture.size(), QSize(100, 50));
    EXPECT_EQ(load.Picture.pixel(50, 25), qRgba(255, 0, 0, 255));
    EXPECT_EQ(load.Picture.pixel(10, 40), qRgba(255, 0, 0, 255));
}

TEST_F(PictureCodecs, HaloCutWithoutPaletteReadsItsIndicesAsGrey) {
    // 8 x 4, each line one run of 8 pixels of index 50 * y + 20, then the
    // end-of-line byte.
    QByteArray bytes("\x08\x00\x04\x00\x00\x00", 6);
    for (int y = 0; y < 4; ++y)
        bytes.append(QByteArray("\x03\x00", 2))
            .append(char(0x88))
            .append(char(50 * y + 20))
            .append('\0');
    const QString file = path(QStringLiteral("lines.cut"));
    writeAll(file, bytes);
    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    ASSERT_EQ(load.Picture.size(), QSize(8, 4));
    for (int y = 0; y < 4; ++y)
        for (int x : {0, 7}) {
            const int v = 50 * y + 20;
            EXPECT_EQ(load.Picture.pixel(x, y), qRgb(v, v, v)) << x << "," << y;
        }
}

TEST_F(PictureCodecs, PhotoCdGivesItsBaseResolution) {
    const QString file = path(QStringLiteral("roll.pcd"));
    {
        Magick::Image image = magickPicture(Kind::Smooth, 32, 24);
        image.write("PCD:" + file.toStdString());
    }
    const TPictureLoad load = LoadPictureFile(file);
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    EXPECT_EQ(load.Picture.size(), QSize(768, 512));
    EXPECT_EQ(load.Picture.format(), QImage::Format_RGB32);
}

TEST_F(PictureCodecs, DecodingLibraryReadsAPackedBitmapByItsName) {
    Magick::Image image = magickPicture(Kind::Colour, W, H);
    image.magick("DIB");
    Magick::Blob blob;
    image.write(&blob);
    const QByteArray packed(static_cast<const char*>(blob.data()), qsizetype(blob.length()));
    ASSERT_EQ(qFromLittleEndian<quint32>(packed.constData()), 40u);
    const TPictureLoad load = velmo::codecs::detail::loadWithMagick(packed, "DIB");
    ASSERT_TRUE(load.ok()) << load.Error.toStdString();
    EXPECT_EQ(load.Picture.size(), QSize(W, H));
    EXPECT_EQ(largestDifference(load.Picture, Kind::Colour), 0);
}

TEST_F(PictureCodecs, MissingFileIsNotFound) {
    const TPictureLoad load = LoadPictureFile(path(QStringLiteral("gone.png")));
    EXPECT_EQ(load.Why, TPictureLoad::NotFound);
    EXPECT_TRUE(load.Error.contains(QStringLiteral("gone.png"))) << load.Error.toStdString();
    EXPECT_TRUE(load.Picture.isNull());
}

QByteArray noise(int size, unsigned seed) {
    std::mt19937 random(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = char(random() & 0xFF);
    return bytes;
}

struct TBadCase {
    const char* Name;
    QByteArray Bytes;
    TPictureLoad::Failure Why;
};

void PrintTo(const TBadCase& c, std::ostream* os) {
    *os << c.Name;
}

class BadFile : public PictureCodecs, public ::testing::WithParamInterface<TBadCase> {};

TEST_P(BadFile, IsRefusedWithAReason) {
    const TBadCase& c = GetParam();
    const QString file = path(QLatin1StringView(c.Name));
    writeAll(file, c.Bytes);
    const TPictureLoad load = LoadPictureFile(file);
    EXPECT_EQ(load.Why, c.Why) << load.Error.toStdString();
    EXPECT_TRUE(load.Picture.isNull());
    EXPECT_TRUE(load.Error.startsWith(QLatin1StringView(c.Name))) << load.Error.toStdString();
}

// Known formats that fail to decode are damaged; content nothing recognises
// under a name nothing reads is unsupported.
INSTANTIATE_TEST_SUITE_P(
    Files, BadFile,
    ::testing::Values(
        TBadCase{"noise.xyz", noise(3000, 1), TPictureLoad::Unsupported},
        TBadCase{"noise.psp", noise(3000, 2), TPictureLoad::Unsupported},
        TBadCase{"noise.emf", noise(3000, 3), TPictureLoad::Unsupported},
        TBadCase{"letter.png", "Dear reader, this is not a picture.\n", TPictureLoad::Damaged},
        TBadCase{"letter.jpg", "Dear reader, this is not a picture.\n", TPictureLoad::Damaged},
        TBadCase{"empty.png", QByteArray(), TPictureLoad::Damaged},
        TBadCase{"broken.eps",
                 "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n"
                 "this is no procedure showpage\n",
                 TPictureLoad::Damaged}));

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(body), crc.data());
    return chunk + body + crc;
}

// A PNG header for Width x Height, 8-bit RGBA, and a little pixel data
// that could never fill it.
QByteArray pngHeader(quint32 width, quint32 height) {
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8;
    ihdr[9] = 6;
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", ihdr) +
           pngChunk("IDAT", QByteArray("\x78\x9C\x03\x00\x00\x00\x00\x01", 8)) +
           pngChunk("IEND", {});
}

QByteArray bmpHeader(qint32 width, qint32 height) {
    QByteArray bytes(54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    qToLittleEndian<quint32>(54 + 16, bytes.data() + 2);
    qToLittleEndian<quint32>(54, bytes.data() + 10);
    qToLittleEndian<quint32>(40, bytes.data() + 14);
    qToLittleEndian<qint32>(width, bytes.data() + 18);
    qToLittleEndian<qint32>(height, bytes.data() + 22);
    qToLittleEndian<quint16>(1, bytes.data() + 26);
    qToLittleEndian<quint16>(24, bytes.data() + 28);
    return bytes + QByteArray(16, '\0');
}

// Only the decoding library reads PCX: version 5, RLE, 8 bits, 3 planes,
// sides 0 .. 65534.
QByteArray pcxHeader() {
    QByteArray bytes(128, '\0');
    bytes[0] = 0x0A;
    bytes[1] = 5;
    bytes[2] = 1;
    bytes[3] = 8;
    qToLittleEndian<quint16>(65534, bytes.data() + 8);
    qToLittleEndian<quint16>(65534, bytes.data() + 10);
    bytes[65] = 3;
    qToLittleEndian<quint16>(65535, bytes.data() + 66);
    return bytes + QByteArray(64, '\0');
}

TEST_F(PictureCodecs, HugeHeadersAreRefusedBeforeDecoding) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"huge.png", pngHeader(100000, 100000)},
        {"wide.png", pngHeader(40000, 10)}, // few pixels, but wider than any layer
        {"huge.bmp", bmpHeader(100000, 100000)},
        {"huge.pcx", pcxHeader()},
        {"huge.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100000 100000\nshowpage\n"},
    };
    for (const auto& [name, bytes] : cases) {
        const QString file = path(QLatin1StringView(name));
        writeAll(file, bytes);
        const TPictureLoad load = LoadPictureFile(file);
        EXPECT_EQ(load.Why, TPictureLoad::TooLarge) << name << ": " << load.Error.toStdString();
        EXPECT_TRUE(load.Picture.isNull()) << name;
    }
}

TEST_F(PictureCodecs, PictureAtTheLimitIsNotRefusedForItsSize) {
    // 10000 x 10000 is MaxPixels exactly; the header passes, the data is
    // too short, so the refusal must be for damage, not size.
    static_assert(velmo::codecs::MaxPixels == 10000LL * 10000);
    const QString file = path(QStringLiteral("limit.png"));
    writeAll(file, pngHeader(10000, 10000));
    const TPictureLoad load = LoadPictureFile(file);
    EXPECT_NE(load.Why, TPictureLoad::TooLarge) << load.Error.toStdString();
}

TEST_F(PictureCodecs, TruncatedFilesDoNotCrash) {
    for (const char* format : {"PNG", "JPEG"}) {
        Magick::Image image = magickPicture(Kind::Smooth, 32, 24);
        image.magick(format);
        Magick::Blob blob;
        image.write(&blob);
        const QByteArray whole(static_cast<const char*>(blob.data()), qsizetype(blob.length()));
        for (const qsizetype keep : {qsizetype(20), whole.size() / 2, whole.size() - 10}) {
            const QString file =
                path(QStringLiteral("cut.") + QLatin1StringView(format).toString().toLower());
            writeAll(file, whole.left(keep));
            const TPictureLoad load = LoadPictureFile(file);
            if (load.ok()) {
                // A reader may give what it decoded; it is then whole-sized.
                EXPECT_EQ(load.Picture.size(), QSize(32, 24)) << format << " " << keep;
            } else {
                EXPECT_EQ(load.Why, TPictureLoad::Damaged) << format << " " << keep;
                EXPECT_FALSE(load.Error.isEmpty());
            }
        }
    }
}

TEST_F(PictureCodecs, ContentDecidesOverAWrongExtension) {
    // A PNG saved under a Targa name, and a Targa under a PNG name.
    const QString png = path(QStringLiteral("really_png.tga"));
    sourcePicture(Kind::ColourAlpha, W, H).save(png, "PNG");
    const QString tga = path(QStringLiteral("really_tga.pcx"));
    {
        Magick::Image image = magickPicture(Kind::Colour, W, H);
        image.write("TGA:" + tga.toStdString());
        stripTargaFooter(tga);
    }
    const TPictureLoad fromPng = LoadPictureFile(png);
    ASSERT_TRUE(fromPng.ok()) << fromPng.Error.toStdString();
    EXPECT_EQ(largestDifference(fromPng.Picture, Kind::ColourAlpha), 0);
    // No signature and the wrong name: nothing can tell it is a Targa file.
    const TPictureLoad fromTga = LoadPictureFile(tga);
    EXPECT_FALSE(fromTga.ok());
    EXPECT_FALSE(fromTga.Error.isEmpty());
}

// Every extension of the format list, in the order the dialog offers them.
TEST(PictureFormats, GroupsListEveryFormatOnce) {
    const std::vector<std::pair<const char*, QStringList>> required = {
        {"Windows Bitmap", {"bmp"}},
        {"Icon", {"ico"}},
        {"Windows Metafile", {"wmf", "emf"}},
        {"JPEG", {"jpg", "jpeg", "jpe", "jfif"}},
        {"GIF", {"gif"}},
        {"PNG", {"png"}},
        {"TIFF", {"tif", "tiff", "fax"}},
        {"EPS", {"eps"}},
        {"Targa", {"tga", "vst", "vda", "icb", "win"}},
        {"PCX", {"pcx", "pcc", "scr"}},
        {"Kodak Photo CD", {"pcd"}},
        {"Portable Pixmap", {"ppm", "pgm", "pbm"}},
        {"SGI", {"sgi", "rgba", "rgb", "bw"}},
        {"Wavefront RLA", {"rla", "rpf"}},
        {"Photoshop", {"psd", "pdd"}},
        {"Paint Shop Pro", {"psp"}},
        {"Autodesk", {"cel", "pic"}},
        {"Dr. Halo", {"cut"}},
        {"RLE Bitmap", {"rle", "dib"}},
    };
    const auto& groups = PictureFormatGroups();
    ASSERT_GE(groups.size(), required.size());
    for (size_t i = 0; i < required.size(); ++i) {
        EXPECT_EQ(groups[i].Name, QLatin1StringView(required[i].first));
        for (const QString& extension : required[i].second)
            EXPECT_TRUE(groups[i].Extensions.contains(extension))
                << required[i].first << " lacks " << extension.toStdString();
    }
    std::set<QString> seen;
    for (const auto& group : groups)
        for (const QString& extension : group.Extensions) {
            EXPECT_TRUE(seen.insert(extension).second) << extension.toStdString() << " twice";
            EXPECT_EQ(extension, extension.toLower());
            EXPECT_FALSE(extension.contains(QLatin1Char('.')));
        }
    for (const char* extra : {"webp", "heic", "avif"})
        EXPECT_TRUE(seen.count(QLatin1StringView(extra))) << extra;
}

TEST(PictureFormats, OpenFilterHasAllThenEachGroup) {
    const QString filter = PictureOpenFilter(QStringLiteral("All pictures"));
    const QStringList entries = filter.split(QStringLiteral(";;"));
    const auto& groups = PictureFormatGroups();
    ASSERT_EQ(entries.size(), qsizetype(groups.size()) + 1);
    EXPECT_TRUE(entries[0].startsWith(QStringLiteral("All pictures (*.bmp *.ico ")))
        << entries[0].toStdString();
    EXPECT_TRUE(entries[0].endsWith(QLatin1Char(')')));
    qsizetype total = 0;
    for (const auto& group : groups)
        total += group.Extensions.size();
    EXPECT_EQ(entries[0].count(QStringLiteral("*.")), total);
    EXPECT_TRUE(entries.contains(QStringLiteral("Targa (*.tga *.vst *.vda *.icb *.win)")));
    EXPECT_TRUE(entries.contains(QStringLiteral("JPEG (*.jpg *.jpeg *.jpe *.jfif)")));
    EXPECT_EQ(entries[1], QStringLiteral("Windows Bitmap (*.bmp)"));
}

} // namespace
