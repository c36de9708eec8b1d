// gen_effect_icons FOLDER: draws the icons of the text-effect list. Each
// icon is a sample of one built-in text effect as the engine itself draws
// it: a bold letter pair on a square document, styled with the effect's own
// style file and composed; the 64 x 64 picture is the icon for screens of
// two device pixels per unit, and its reduction by area averaging to
// 32 x 32 the plain icon. The letters themselves are drawn smoothed at four
// times their size by the engine. Writes
// FOLDER/<20000 + row>.png and FOLDER/<20000 + row>@2x.png for rows 1 .. 12.
// Exits non-zero when any icon can not be made, so the build stops.

#include "effect_icon_table.h"

#include "lxImage.h"
#include "lxTextStyle.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

namespace fx = velmo::effect_icons;

// The sample is drawn on a document of this side, halved for the plain icon
// and kept at its size for the dense one, so both show the same picture.
// The effects' sizes are fixed in pixels (shadows offset by 2, strokes of 3,
// glows of 5 to 10): on a larger sample reduced further they would shrink
// to hairlines beside the letters, and the light drop shadow would vanish.
constexpr int SampleSide = 64;

// A mid grey ground: white glows, white strokes and black hollow outlines
// all stand out from it, and it is neither of the effects' own colours.
constexpr TColor Ground = lxRGB(150, 150, 150);
// Blue letters, darker than the ground: where an effect keeps the letters'
// own colour, anything near white or golden around them is glow or stroke,
// and the drop shadow (a neutral dark grey) differs from them in hue.
constexpr TColor Letters = lxRGB(40, 90, 200);
// Two letters with round and straight strokes; at this size the bold face
// leaves counters wide enough for hollow effects to read.
constexpr char SampleText[] = "Ab";
constexpr int SamplePoints = 28;
constexpr char SampleFont[] = "DejaVu Sans";

void fail(int Row, const char* What) {
    std::fprintf(stderr, "gen_effect_icons: row %d: %s\n", Row, What);
}

// The smallest rectangle holding every covered pixel of an 8-bit picture.
QRect inkBox(const QImage& Coverage) {
    QRect box;
    for (int y = 0; y < Coverage.height(); ++y) {
        const uchar* line = Coverage.constScanLine(y);
        int first = -1, last = -1;
        for (int x = 0; x < Coverage.width(); ++x)
            if (line[x] != 0) {
                if (first < 0) first = x;
                last = x;
            }
        if (first >= 0) box |= QRect(first, y, last - first + 1, 1);
    }
    return box;
}

// Area-averaging reduction of a 24-bit picture to Side x Side (the source
// is square): every target pixel is the mean of the source area it covers,
// partly covered source pixels counted by the share they lie inside.
QImage reduce(const QImage& Source, int Side) {
    const int n = Source.width();
    const double step = double(n) / Side;
    // Weights of source columns (and rows; the picture is square) per target
    // pixel.
    struct Tap {
        int Index;
        double Weight;
    };
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(Side));
    for (int t = 0; t < Side; ++t) {
        const double a = t * step, b = (t + 1) * step;
        for (int s = int(a); s < n && s < b; ++s) {
            const double w = std::min<double>(s + 1, b) - std::max<double>(s, a);
            if (w > 0) taps[size_t(t)].push_back({s, w / step});
        }
    }
    // Columns first, into a Side x n picture of doubles, then rows.
    std::vector<double> wide(size_t(Side) * size_t(n) * 3, 0.0);
    for (int y = 0; y < n; ++y) {
        const uchar* line = Source.constScanLine(y);
        for (int t = 0; t < Side; ++t) {
            double* out = &wide[(size_t(y) * Side + t) * 3];
            for (const Tap& tap : taps[size_t(t)])
                for (int c = 0; c < 3; ++c) out[c] += tap.Weight * line[tap.Index * 3 + c];
        }
    }
    QImage icon(Side, Side, QImage::Format_RGB32);
    if (icon.isNull()) return {};
    for (int ty = 0; ty < Side; ++ty) {
        auto* out = reinterpret_cast<QRgb*>(icon.scanLine(ty));
        for (int tx = 0; tx < Side; ++tx) {
            double sum[3] = {0, 0, 0};
            for (const Tap& tap : taps[size_t(ty)])
                for (int c = 0; c < 3; ++c)
                    sum[c] += tap.Weight * wide[(size_t(tap.Index) * Side + tx) * 3 + c];
            // Source bytes are blue, green, red.
            const auto level = [](double v) { return std::clamp(int(v + 0.5), 0, 255); };
            out[tx] = qRgb(level(sum[2]), level(sum[1]), level(sum[0]));
        }
    }
    return icon;
}

// The composed sample of effect Row, SampleSide x SampleSide, 24-bit.
QImage sample(int Row) {
    auto doc = std::make_unique<TlxImage>();
    if (!doc->NewImage(true, Ground, 24, SampleSide, SampleSide)) {
        fail(Row, "cannot start the sample document");
        return {};
    }
    TlxTextStyle style{};
    SetText(style, SampleText);
    SetFontName(style, SampleFont);
    style.Color = Letters;
    style.Size = SamplePoints;
    style.Bold = 1;
    style.Arrangement = 0;
    style.Smoothing = 3;
    if (!doc->AddTextLayer(0, 0, style) || doc->LayersCount != 2) {
        fail(Row, "cannot add the sample text");
        return {};
    }
    const int layer = doc->LayersCount - 1;
    TlxLayer& text = doc->Layers[size_t(layer)];
    const QRect ink = inkBox(text.Alpha);
    if (ink.isEmpty()) {
        fail(Row, "the sample text drew nothing");
        return {};
    }
    // The letters' ink, not their line box, sits in the middle.
    text.Left = (SampleSide - ink.width()) / 2 - ink.left();
    text.Top = (SampleSide - ink.height()) / 2 - ink.top();
    const QByteArray effect = TlxImage::PresetTextEffect(Row);
    if (effect.isEmpty()) {
        fail(Row, "no such built-in effect");
        return {};
    }
    // Loading the style sets up and builds every effect it switches on.
    if (!doc->LoadLayerStyleFromData(layer, effect) || !doc->LastFileError.isNone()) {
        fail(Row, qPrintable(doc->LastFileError.message()));
        return {};
    }
    if (!doc->ReDraw()) {
        fail(Row, "cannot compose the sample");
        return {};
    }
    if (doc->ShowBmp.size() != QSize(SampleSide, SampleSide) ||
        doc->ShowBmp.format() != QImage::Format_BGR888) {
        fail(Row, "the composed sample is not the document's picture");
        return {};
    }
    return doc->ShowBmp.copy();
}

bool writeIcon(const QImage& Icon, const QString& Path, int Row) {
    if (Icon.isNull() || !Icon.save(Path, "PNG")) {
        fail(Row, qPrintable(QStringLiteral("cannot write %1").arg(Path)));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Text is drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: gen_effect_icons FOLDER\n");
        return 2;
    }
    const QDir dir(args.at(1));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "gen_effect_icons: cannot make %s\n", qPrintable(args.at(1)));
        return 1;
    }
    bool ok = true;
    for (int row = fx::FirstRow; row <= fx::LastRow; ++row) {
        const QImage picture = sample(row);
        if (picture.isNull()) {
            ok = false;
            continue;
        }
        const QString id = QString::number(fx::IdBase + row);
        ok = writeIcon(reduce(picture, fx::IconSize), dir.filePath(id + QStringLiteral(".png")),
                       row) &&
             ok;
        ok = writeIcon(reduce(picture, fx::IconSize * fx::HighScale),
                       dir.filePath(id + QStringLiteral("@2x.png")), row) &&
             ok;
    }
    return ok ? 0 : 1;
}
