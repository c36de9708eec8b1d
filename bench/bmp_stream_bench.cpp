// Bitmap stream speed on a 1142 x 1142 layer picture at 32 bits (colour with
// coverage in the fourth byte), the kind saved for every layer: writing it,
// reading it back, and splitting the read picture into colour and coverage
// as the loader does. Bytes processed are the file's bytes, so the rate
// reads as MB/s of bitmap stream.

#include "files/bmp_stream.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int kSize = 1142;

// Hashed bytes, so that no row repeats another.
QImage hashed(QImage::Format format, int bytesPerPixel, uint32_t salt) {
    QImage image(kSize, kSize, format);
    for (int y = 0; y < kSize; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int i = 0; i < kSize * bytesPerPixel; ++i) {
            uint32_t h = uint32_t(i) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ salt;
            h ^= h >> 15;
            row[i] = uint8_t(h);
        }
    }
    return image;
}

void BM_Encode32(benchmark::State& state) {
    const QImage colour = hashed(QImage::Format_BGR888, 3, 1);
    const QImage coverage = hashed(QImage::Format_Grayscale8, 1, 2);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray file = lx::encodeBmp32(colour, coverage);
        bytes = file.size();
        benchmark::DoNotOptimize(file.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_Encode32)->Unit(benchmark::kMillisecond);

void BM_Decode32(benchmark::State& state) {
    const QByteArray file = lx::encodeBmp32(hashed(QImage::Format_BGR888, 3, 1),
                                            hashed(QImage::Format_Grayscale8, 1, 2));
    const auto* data = reinterpret_cast<const uint8_t*>(file.constData());
    for (auto _ : state) {
        lx::DecodedBmp bmp;
        QString error;
        const bool ok = lx::decodeBmp(data, size_t(file.size()), bmp, error);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(bmp.Pixels.constBits());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_Decode32)->Unit(benchmark::kMillisecond);

void BM_Decode32AndSplit(benchmark::State& state) {
    const QByteArray file = lx::encodeBmp32(hashed(QImage::Format_BGR888, 3, 1),
                                            hashed(QImage::Format_Grayscale8, 1, 2));
    const auto* data = reinterpret_cast<const uint8_t*>(file.constData());
    for (auto _ : state) {
        lx::DecodedBmp bmp;
        QString error;
        lx::decodeBmp(data, size_t(file.size()), bmp, error);
        const QImage colour = lx::decodedToBgr(bmp);
        const QImage coverage = lx::decodedFourthByte(bmp);
        benchmark::DoNotOptimize(colour.constBits());
        benchmark::DoNotOptimize(coverage.constBits());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_Decode32AndSplit)->Unit(benchmark::kMillisecond);

} // namespace
