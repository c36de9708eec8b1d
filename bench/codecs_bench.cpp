// Loading large photos through the picture import: a 6000 x 4000 JPEG and
// PNG through LoadPictureFile, a Targa of the same size through the decoding
// library, and the same JPEG through a plain QImage load for comparison.

#include "picture_codecs.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;

// Gradients with some noise, so the encoders do not get a flat picture.
QImage photoLike() {
    QImage picture(Width, Height, QImage::Format_RGB32);
    uint32_t state = 12345;
    for (int y = 0; y < Height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28) - 8;
            row[x] = qRgb(std::clamp(x * 255 / Width + noise, 0, 255),
                          std::clamp(y * 255 / Height + noise, 0, 255),
                          std::clamp((x + y) * 255 / (Width + Height) - noise, 0, 255));
        }
    }
    return picture;
}

// The files are written once for the whole run.
struct TFiles {
    QTemporaryDir Folder;
    QString Jpeg = Folder.filePath(QStringLiteral("photo.jpg"));
    QString Png = Folder.filePath(QStringLiteral("photo.png"));
    QString Targa = Folder.filePath(QStringLiteral("photo.tga"));
    TFiles() {
        const QImage picture = photoLike();
        picture.save(Jpeg, "JPG", 90);
        picture.save(Png, "PNG");
        writeTarga(picture, Targa);
    }
    // An uncompressed 24-bit Targa, top row first, without the version 2
    // footer: Qt's reader refuses it and the decoding library reads it.
    static void writeTarga(const QImage& picture, const QString& path) {
        QByteArray bytes(18, '\0');
        bytes[2] = 2;
        bytes[12] = char(Width & 0xFF);
        bytes[13] = char(Width >> 8);
        bytes[14] = char(Height & 0xFF);
        bytes[15] = char(Height >> 8);
        bytes[16] = 24;
        bytes[17] = 0x20;
        const QImage rows = picture.convertToFormat(QImage::Format_BGR888);
        for (int y = 0; y < Height; ++y)
            bytes.append(reinterpret_cast<const char*>(rows.constScanLine(y)),
                         qsizetype(Width) * 3);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    }
};

const TFiles& files() {
    static const TFiles Files;
    return Files;
}

void load(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        const velmo::codecs::TPictureLoad picture = velmo::codecs::LoadPictureFile(path);
        if (!picture.ok()) {
            state.SkipWithError(picture.Error.toStdString().c_str());
            break;
        }
        benchmark::DoNotOptimize(picture.Picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

void BM_LoadPictureFileJpeg(benchmark::State& state) {
    load(state, files().Jpeg);
}
void BM_LoadPictureFilePng(benchmark::State& state) {
    load(state, files().Png);
}
void BM_LoadPictureFileTarga(benchmark::State& state) {
    load(state, files().Targa);
}

void BM_QImageJpeg(benchmark::State& state) {
    for (auto _ : state) {
        const QImage picture(files().Jpeg);
        if (picture.isNull()) {
            state.SkipWithError("QImage could not read the JPEG");
            break;
        }
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

BENCHMARK(BM_LoadPictureFileJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QImageJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPictureFilePng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadPictureFileTarga)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
