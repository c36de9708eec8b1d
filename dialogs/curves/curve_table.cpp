#include "curve_table.h"

#include "program_strings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kNameOffset = 1;
constexpr int kVersionOffset = 4;
constexpr int kCountOffset = 6;
constexpr int kPointsOffset = 10;
constexpr int kTableOffset = 818;
constexpr uint16_t kVersion = 256;
static_assert(kPointsOffset + TCurvePreset::MaxPoints * 8 == kTableOffset);
static_assert(kTableOffset + 256 == TCurvePreset::FileSize);

int clampLevel(int V) {
    return std::clamp(V, 0, 255);
}

void putInt32(char* At, int32_t V) {
    const auto u = uint32_t(V);
    for (int k = 0; k < 4; ++k)
        At[k] = char((u >> (8 * k)) & 0xFF);
}

int32_t getInt32(const char* At) {
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k)
        u |= uint32_t(uint8_t(At[k])) << (8 * k);
    return int32_t(u);
}

} // namespace

CurveTable IdentityCurveTable() {
    CurveTable t{};
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = uint8_t(i);
    return t;
}

std::vector<TlxPoint> StraightCurvePolyline(const TlxContourPoint& First,
                                            const TlxContourPoint& Last) {
    std::vector<TlxPoint> line(256);
    const int x0 = First.X, y0 = First.Y, x1 = Last.X, y1 = Last.Y;
    for (int i = 0; i < 256; ++i) {
        int y;
        if (i <= x0)
            y = y0;
        else if (i < x1)
            y = RoundEven(double(i - x0) / double(x1 - x0) * double(y1 - y0) + y0);
        else
            y = y1;
        line[size_t(i)] = {i, y};
    }
    return line;
}

CurveTable BuildCurveTable(const std::vector<TlxContourPoint>& Points,
                           const std::vector<TlxPoint>& Polyline) {
    CurveTable t = IdentityCurveTable();
    if (Points.size() < 2) return t;
    const TlxContourPoint& first = Points.front();
    const TlxContourPoint& last = Points.back();
    const std::vector<TlxPoint> straight =
        Points.size() == 2 ? StraightCurvePolyline(first, last) : std::vector<TlxPoint>{};
    const std::vector<TlxPoint>& line = Points.size() == 2 ? straight : Polyline;

    auto set = [&t](qint64 i, int Y) {
        if (i >= 0 && i <= 255) t[size_t(i)] = uint8_t(255 - clampLevel(Y));
    };
    for (qint64 i = 0; i <= std::min<qint64>(first.X, 255); ++i)
        set(i, first.Y);
    for (qint64 i = std::max<qint64>(last.X, 0); i <= 255; ++i)
        set(i, last.Y);
    for (size_t k = 1; k < line.size(); ++k) {
        const TlxPoint a = line[k - 1];
        const TlxPoint b = line[k];
        if (a.X == b.X) {
            // Halves toward zero, as integer division does.
            set(a.X, int((qint64(a.Y) + b.Y) / 2));
            continue;
        }
        // Only the levels of the square; a segment reaching beyond it is cut.
        const qint64 from = std::max<qint64>(a.X, 0);
        const qint64 to = std::min<qint64>(b.X, 255);
        for (qint64 i = from; i <= to; ++i)
            set(i, RoundEven(double(i - a.X) / double(qint64(b.X) - a.X) * (double(b.Y) - a.Y) +
                             a.Y));
    }
    for (const TlxContourPoint& p : Points)
        set(p.X, p.Y);
    return t;
}

bool CurvePointsUsable(const std::vector<TlxContourPoint>& Points) {
    if (Points.size() < 2) return false;
    for (size_t k = 0; k < Points.size(); ++k) {
        const TlxContourPoint& p = Points[k];
        if (p.X < 0 || p.X > 255 || p.Y < 0 || p.Y > 255) return false;
        if (k > 0 && p.X <= Points[k - 1].X) return false;
    }
    return true;
}

QByteArray EncodeCurvePreset(const TCurvePreset& Preset) {
    if (!CurvePointsUsable(Preset.Points) || int(Preset.Points.size()) > TCurvePreset::MaxPoints)
        return {};
    QByteArray bytes(TCurvePreset::FileSize, '\0');
    char* d = bytes.data();
    d[0] = 3;
    std::memcpy(d + kNameOffset, "CVE", 3);
    d[kVersionOffset] = char(kVersion & 0xFF);
    d[kVersionOffset + 1] = char(kVersion >> 8);
    putInt32(d + kCountOffset, int32_t(Preset.Points.size()));
    for (size_t k = 0; k < Preset.Points.size(); ++k) {
        putInt32(d + kPointsOffset + 8 * k, Preset.Points[k].X);
        putInt32(d + kPointsOffset + 8 * k + 4, Preset.Points[k].Y);
    }
    std::memcpy(d + kTableOffset, Preset.Table.data(), 256);
    return bytes;
}

TCurvePresetFault DecodeCurvePreset(const QByteArray& Bytes, TCurvePreset& Preset) {
    if (Bytes.size() != TCurvePreset::FileSize) return TCurvePresetFault::NotThisKind;
    const char* s = Bytes.constData();
    const int version = uint8_t(s[kVersionOffset]) | (uint8_t(s[kVersionOffset + 1]) << 8);
    if (s[0] != 3 || std::memcmp(s + kNameOffset, "CVE", 3) != 0 || version != kVersion)
        return TCurvePresetFault::NotThisKind;
    const int32_t count = getInt32(s + kCountOffset);
    if (count < 2 || count > TCurvePreset::MaxPoints) return TCurvePresetFault::BadPoints;
    std::vector<TlxContourPoint> points(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        points[size_t(k)] = {getInt32(s + kPointsOffset + 8 * k),
                             getInt32(s + kPointsOffset + 8 * k + 4)};
    if (!CurvePointsUsable(points)) return TCurvePresetFault::BadPoints;
    Preset.Points = std::move(points);
    std::memcpy(Preset.Table.data(), s + kTableOffset, 256);
    return TCurvePresetFault::None;
}

bool ReadCurvePreset(const QString& FileName, const QString& Name, TCurvePreset& Preset,
                     QString* Error) {
    auto fail = [&](int Id) {
        if (Error) *Error = ProgramText(Id).arg(Name);
        return false;
    };
    QFile file(FileName);
    if (!QFileInfo(FileName).isFile() || !file.open(QIODevice::ReadOnly))
        return fail(PsCurvePresetUnreadable);
    // One byte more than a preset tells a longer file from a preset without
    // reading a large file whole.
    const QByteArray bytes = file.read(TCurvePreset::FileSize + 1);
    if (file.error() != QFileDevice::NoError) return fail(PsCurvePresetUnreadable);
    switch (DecodeCurvePreset(bytes, Preset)) {
    case TCurvePresetFault::None:
        return true;
    case TCurvePresetFault::NotThisKind:
        return fail(PsCurvePresetNotThisKind);
    case TCurvePresetFault::BadPoints:
        break;
    }
    return fail(PsCurvePresetBadPoints);
}

bool WriteCurvePreset(const QString& FileName, const QString& Name, const TCurvePreset& Preset,
                      QString* Error) {
    auto fail = [&](const QString& Text) {
        if (Error) *Error = Text;
        return false;
    };
    const QByteArray bytes = EncodeCurvePreset(Preset);
    if (bytes.isEmpty()) return fail(ProgramText(PsCurvePresetBadPoints).arg(Name));
    // The save file would write to the link's target; a link is refused
    // instead, whatever it points at.
    if (QFileInfo(FileName).isSymLink()) return fail(ProgramText(PsCurvePresetIsLink).arg(Name));
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(ProgramText(PsCurvePresetNotSaved).arg(Name, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(ProgramText(PsCurvePresetNotSaved).arg(Name, file.errorString()));
    return true;
}
