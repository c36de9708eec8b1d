// Text layers: drawing a text description into a coverage picture.
//
// The layout rules are written in terms of a few measurements of the text in
// its font; here is how each maps onto Qt:
// - font size in points: a pixel size of points * 96 / 72, the screen
//   resolution the documents were laid out at, whatever this screen has;
// - the width of a text: QFontMetrics::horizontalAdvance with kerning off, so
//   that the width of a text is the sum of the widths of its characters;
// - the height of a text or line: QFontMetrics::height (ascent + descent);
// - extra character spacing: QFont's absolute letter spacing, which adds the
//   same pixels after every character, in measuring and drawing alike;
// - a turned font drawn at (X, Y): the painter is moved to (X, Y) and turned,
//   and the text is drawn with the top of its line at the turned origin, so
//   (X, Y) is the top-left corner of the text cell.
// Text is bytes in the document code page; it is split into characters on
// those bytes as each arrangement says, and only converted to Unicode for
// drawing and measuring.

#include "codepage.h"
#include "core/picture_convert.h"
#include "core/picture_memory.h"
#include "kernels/resample.h"
#include "lxImage.h"
#include "text/text_layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

constexpr char kTextLayerPrefix[] = "\xce\xc4\xb1\xbe\xb2\xe3 "; // "文本层 " in GBK
constexpr char kSongTi[] = "\xcb\xce\xcc\xe5";                   // "宋体" in GBK
constexpr double kPi = 3.14159265358979323846;
// Pixel size limit of a font; beyond it a text would not fit any picture.
constexpr int kMaxFontPixels = 6000;
// Longest text name: longer texts keep the numbered name.
constexpr size_t kTextNameBytes = 16;

// Fonts of Windows documents and the installed families that look like them.
struct FontSubstitute {
    const char* name; // UTF-8
    std::initializer_list<const char*> families;
};
const FontSubstitute kSubstitutes[] = {
    {"宋体", {"AR PL UMing CN", "AR PL UMing TW", "AR PL UMing HK", "Noto Serif CJK SC"}},
    {"新宋体", {"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC"}},
    {"SimSun", {"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC"}},
    {"NSimSun", {"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC"}},
    {"仿宋", {"AR PL UMing CN", "Noto Serif CJK SC"}},
    {"仿宋_GB2312", {"AR PL UMing CN", "Noto Serif CJK SC"}},
    {"楷体", {"AR PL UKai CN", "AR PL UMing CN"}},
    {"楷体_GB2312", {"AR PL UKai CN", "AR PL UMing CN"}},
    {"细明体", {"AR PL UMing TW", "AR PL UMing CN"}},
    {"新细明体", {"AR PL UMing TW", "AR PL UMing CN"}},
    {"細明體", {"AR PL UMing TW", "AR PL UMing HK", "AR PL UMing CN"}},
    {"新細明體", {"AR PL UMing TW", "AR PL UMing HK", "AR PL UMing CN"}},
    {"MingLiU", {"AR PL UMing TW", "AR PL UMing CN"}},
    {"PMingLiU", {"AR PL UMing TW", "AR PL UMing CN"}},
    {"黑体", {"WenQuanYi Zen Hei", "Noto Sans CJK SC"}},
    {"SimHei", {"WenQuanYi Zen Hei", "Noto Sans CJK SC"}},
    {"微软雅黑", {"WenQuanYi Zen Hei", "Noto Sans CJK SC"}},
    {"Microsoft YaHei", {"WenQuanYi Zen Hei", "Noto Sans CJK SC"}},
    {"幼圆", {"WenQuanYi Zen Hei"}},
    {"MS Sans Serif", {"DejaVu Sans", "Liberation Sans"}},
    {"Microsoft Sans Serif", {"DejaVu Sans", "Liberation Sans"}},
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Tahoma", {"DejaVu Sans"}},
    {"Verdana", {"DejaVu Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
};

// Registers the substitutes with Qt once, so that every QFont naming a
// Windows font (the user interface's included) finds its stand-in.
void registerSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const FontSubstitute& s : kSubstitutes) {
            QStringList families;
            for (const char* f : s.families)
                families << QString::fromUtf8(f);
            QFont::insertSubstitutions(QString::fromUtf8(s.name), families);
        }
    });
}

// The installed family a font name draws with; empty when there is none.
QString installedFamily(const QString& name) {
    registerSubstitutes();
    if (name.isEmpty()) return {};
    if (QFontDatabase::hasFamily(name)) return name;
    for (const QString& family : QFont::substitutes(name))
        if (QFontDatabase::hasFamily(family)) return family;
    return {};
}

bool isBlankOrControl(char c) {
    return uint8_t(c) <= 0x20;
}

std::string trimmed(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && isBlankOrControl(text[a]))
        ++a;
    while (b > a && isBlankOrControl(text[b - 1]))
        --b;
    return text.substr(a, b - a);
}

// ---- measuring and drawing ----

class TextCanvas {
public:
    TextCanvas(QImage& target, const QFont& font, int grey)
        : painter_(&target), font_(font), metrics_(font) {
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        painter_.setFont(font_);
        painter_.setPen(QColor(grey, grey, grey));
        painter_.setBrush(Qt::NoBrush);
    }

    int width(const std::string& bytes) const {
        return metrics_.horizontalAdvance(lx::fromGbk(bytes));
    }
    int height() const { return metrics_.height(); }
    const QFont& font() const { return font_; }

    // Draws with the top-left corner of the text cell at (x, y), turned
    // clockwise by `degrees` about that corner.
    void draw(double x, double y, const std::string& bytes, double degrees = 0) {
        painter_.save();
        painter_.translate(x, y);
        if (degrees != 0) painter_.rotate(degrees);
        painter_.drawText(QPointF(0, metrics_.ascent()), lx::fromGbk(bytes));
        painter_.restore();
    }

    QPainter& painter() { return painter_; }

private:
    QPainter painter_;
    QFont font_;
    QFontMetrics metrics_;
};

// Measures with the font alone, before the target exists.
class TextMeasure {
public:
    explicit TextMeasure(const QFont& font) : metrics_(font) {}
    int width(const std::string& bytes) const {
        return metrics_.horizontalAdvance(lx::fromGbk(bytes));
    }
    int height() const { return metrics_.height(); }

private:
    QFontMetrics metrics_;
};

int greyOf(TColor color) {
    const int r = int(color & 255), g = int(color >> 8 & 255), b = int(color >> 16 & 255);
    return lxLuminance(r, g, b);
}

// Where a drawing only measures, the size its target would get is kept
// here and the drawing stops before anything is allocated.
thread_local QSize* measuredSize = nullptr;

// A new 8-bit target cleared to 0; false when the size is not possible, and
// always false when only measuring.
bool resizeTarget(QImage& target, qint64 width, qint64 height) {
    if (!TlxImage::PictureSizeAllowed(width, height)) return false;
    if (measuredSize != nullptr) {
        *measuredSize = QSize(int(width), int(height));
        return false;
    }
    QImage image = lx::filledPicture(int(width), int(height), QImage::Format_Grayscale8, 0);
    if (image.isNull()) return false;
    target = std::move(image);
    return true;
}

} // namespace

bool TlxImage::FontDrawable(const std::string& Name) {
    return !installedFamily(lx::fromGbk(Name)).isEmpty();
}

std::string TlxImage::ResolveFontName(const std::string& Name) {
    const QString name = lx::fromGbk(Name);
    if (!installedFamily(name).isEmpty()) return Name;
    if (!installedFamily(QString::fromUtf8("宋体")).isEmpty()) return kSongTi;
    if (!installedFamily(QStringLiteral("MS Sans Serif")).isEmpty()) return "MS Sans Serif";
    const QStringList families = QFontDatabase::families();
    return families.isEmpty() ? std::string() : lx::toGbk(families.first());
}

QFont TlxImage::TextFont(const TlxTextStyle& Style) {
    const QString family = installedFamily(lx::fromGbk(ResolveFontName(FontNameOf(Style))));
    QFont font;
    if (!family.isEmpty()) font.setFamily(family);
    // Sizes are points at 96 pixels per inch, as the documents were laid out.
    const double points = std::abs(double(Style.Size));
    font.setPixelSize(std::clamp(RoundEven(points * 96.0 / 72.0), 1, kMaxFontPixels));
    font.setBold(Style.Bold != 0);
    font.setItalic(Style.Italic != 0);
    font.setUnderline(Style.Underline != 0);
    font.setStrikeOut(Style.StrikeOut != 0);
    font.setKerning(false);
    font.setStyleStrategy(
        QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return font;
}

void TlxImage::DrawTurnedText(QPainter& Canvas, const std::string& Text, int Y, int X,
                              double Angle) {
    // The angle counts counter-clockwise in tenths of a degree once rounded.
    const double tenths = RoundEven(Angle * 10.0);
    Canvas.save();
    Canvas.translate(X, Y);
    Canvas.rotate(-tenths / 10.0);
    Canvas.drawText(QPointF(0, QFontMetrics(Canvas.font()).ascent()), lx::fromGbk(Text));
    Canvas.restore();
}

bool TlxImage::DrawTextOnCircle(QPainter& Canvas, const std::string& Text, int CenterX,
                                bool Reverse, int StartAngle, int Radius, int CenterY) {
    try {
        const QFontMetrics metrics(Canvas.font());
        const lx::TextWidth width = [&metrics](const std::string& s) {
            return double(metrics.horizontalAdvance(lx::fromGbk(s)));
        };
        for (const lx::TextPlacement& p :
             lx::circlePlacements(width, Text, CenterX, Reverse, StartAngle, Radius, CenterY))
            DrawTurnedText(Canvas, p.Char, p.Y, p.X, p.Angle);
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::RenderTextBitmap(const std::string& Text, const TlxTextStyle& Style,
                                QImage& Target) {
    try {
        TlxTextStyle style = Style;
        std::string text = Text;
        QFont font = TextFont(style);
        const int grey = greyOf(style.Color);
        int arrangement = style.Arrangement;

        if (arrangement == lxTextVertical) {
            text = lx::transposeVertical(text);
            arrangement = lxTextStandard;
        }

        switch (arrangement) {
        case lxTextStandard: {
            const int ce = CharSpacing(style), le = LineSpacing(style);
            font.setLetterSpacing(QFont::AbsoluteSpacing, ce);
            const TextMeasure m(font);
            std::vector<std::string> lines = lx::splitLines(text);
            for (std::string& l : lines)
                if (l.empty()) l.assign(1, ' ');
            qint64 width = 0, height = 0;
            std::vector<int> heights;
            for (const std::string& l : lines) {
                qint64 f = m.width(l);
                const int e = m.height();
                if (style.Italic) f += m.width("A") / 3;
                if (ce != 0) {
                    const std::string first = l.substr(0, uint8_t(l[0]) < 121 ? 1 : 2);
                    const int w1 = m.width(first);
                    if (w1 > 0) f += qint64(ce) * (f / w1 - 1);
                }
                width = std::max(width, f);
                height += e + le;
                heights.push_back(e);
            }
            if (le < 0) height += -le;
            if (ce < 0) width += -ce;
            // Spacing can pull the lines onto each other; keep a picture.
            width = std::max<qint64>(width, 1);
            height = std::max<qint64>(height, 1);
            if (!resizeTarget(Target, width, height)) return false;
            TextCanvas canvas(Target, font, grey);
            qint64 top = 0;
            for (size_t i = 0; i < lines.size(); ++i) {
                canvas.draw(0, double(top), lines[i]);
                top += heights[i] + le;
            }
            return true;
        }
        case lxTextTurnedLine: {
            const TextMeasure m(font);
            double w = m.width(text), h = m.height();
            const size_t crlf = text.find("\r\n");
            if (crlf != std::string::npos) w = m.width(text.substr(0, crlf));
            int a = style.Param % 360;
            if (a > 180) a -= 360;
            if (a < -180) a += 360;
            const lx::TurnedBox box = lx::turnedBox(w, h, a);
            if (!resizeTarget(Target, std::max(box.Width, 1), std::max(box.Height, 1)))
                return false;
            TextCanvas canvas(Target, font, grey);
            canvas.draw(box.X, box.Y, text, a);
            return true;
        }
        case lxTextTurnedChars: {
            const TextMeasure m(font);
            const int o = style.Param > 0 ? RoundEven(style.Size * 10.0 / 50.0) : 0;
            const double a = style.Param;
            const std::vector<std::string> lines = lx::splitLines(text);
            if (lines.size() == 1) {
                if (!resizeTarget(Target, std::max(m.width(text), 1), m.height())) return false;
            } else {
                qint64 widest = 0, height = m.height();
                for (const std::string& l : lines) {
                    widest = std::max<qint64>(widest, m.width(l));
                    height += m.height();
                }
                if (!resizeTarget(Target, m.width(" ") + widest, height)) return false;
            }
            TextCanvas canvas(Target, font, grey);
            double y = o;
            for (const std::string& l : lines) {
                double x = o;
                for (const std::string& c : lx::splitChars(l, 126)) {
                    canvas.draw(x, y, c, a);
                    x += m.width(c);
                }
                y += m.height();
            }
            return true;
        }
        case lxTextCircle: {
            const TextMeasure m(font);
            const int side = RoundEven(m.width(text) / kPi) + 1;
            if (!resizeTarget(Target, side, side)) return false;
            TextCanvas canvas(Target, font, grey);
            return DrawTextOnCircle(canvas.painter(), text, side / 2, false, -2, side / 2,
                                    side / 2);
        }
        case lxTextArc: {
            const TextMeasure m(font);
            int s = ArcStartAngle(style), r = ArcRadius(style);
            if (ArcChoosesCircle(style)) lx::arcDefaultCircle(m.width(text), r, s);
            if (!resizeTarget(Target, 2 * qint64(r), 2 * qint64(r))) return false;
            TextCanvas canvas(Target, font, grey);
            return DrawTextOnCircle(canvas.painter(), text, Target.width() / 2, style.Reverse != 0,
                                    s, Target.width() / 2, Target.height() / 2);
        }
        case lxTextFreehand: {
            int32_t cw = 0, ch = 0;
            FreehandCanvas(style, cw, ch);
            const int k = std::clamp(int(style.Smoothing), 0, 3) + 1;
            if (!resizeTarget(Target, qint64(cw) * k, qint64(ch) * k)) return false;
            TextCanvas canvas(Target, font, grey);
            std::vector<std::string> chars = lx::splitChars(text, 128);
            if (chars.size() > size_t(TlxTextStyle::FreehandChars))
                chars.resize(size_t(TlxTextStyle::FreehandChars));
            for (size_t i = 0; i < chars.size(); ++i) {
                const TlxFreehandPlace place = FreehandPlace(style, int(i));
                DrawTurnedText(canvas.painter(), chars[i], int(qint64(place.Y) * k),
                               int(qint64(place.X) * k), place.Angle);
            }
            return true;
        }
        case lxTextPlain: {
            const TextMeasure m(font);
            const int o = style.Italic ? RoundEven(style.Size * 10.0 / 50.0) : 0;
            const std::vector<std::string> lines = lx::splitLines(text);
            qint64 widest = 0, height = 0;
            for (const std::string& l : lines) {
                widest = std::max<qint64>(widest, m.width(l));
                height += m.height();
            }
            if (!resizeTarget(Target, widest + m.width("A") / 2, height + m.height() / 5))
                return false;
            TextCanvas canvas(Target, font, grey);
            double y = 0;
            for (const std::string& l : lines) {
                canvas.draw(o, y, l);
                y += m.height();
            }
            return true;
        }
        default:
            return true; // an unknown arrangement draws nothing
        }
    } catch (...) {
        return false;
    }
}

bool TlxImage::TextBitmapSize(const std::string& Text, const TlxTextStyle& Style, QSize& Size) {
    QSize measured;
    QSize* const outer = measuredSize;
    measuredSize = &measured;
    QImage unused;
    RenderTextBitmap(Text, Style, unused);
    measuredSize = outer;
    if (measured.isEmpty()) return false;
    Size = measured;
    return true;
}

namespace {

// The record a text layer is drawn from at smoothing factor K: white, the
// freehand canvas of the document, the font K times as large and an arc
// text's circle K times as wide.
TlxTextStyle scaledTextStyle(const TlxTextStyle& Style, const std::string& Text, int K) {
    TlxTextStyle scaled = Style;
    scaled.Smoothing = uint8_t(K - 1);
    if (scaled.Arrangement == lxTextArc) {
        int radius = ArcRadius(Style), start = ArcStartAngle(Style);
        // The circle chosen for a text that names none is chosen at the
        // text's real size, so smoothing does not change its shape.
        if (K > 1 && ArcChoosesCircle(Style))
            lx::arcDefaultCircle(
                QFontMetrics(TlxImage::TextFont(Style)).horizontalAdvance(lx::fromGbk(Text)),
                radius, start);
        start = (start % 360 + 360) % 360;
        SetArc(scaled, uint16_t(start), uint16_t(std::min(65535, radius * K)));
    }
    if (K > 1)
        scaled.Size = int32_t(std::clamp<qint64>(qint64(Style.Size) * K, INT32_MIN, INT32_MAX));
    return scaled;
}

bool drawsText(int16_t Arrangement) {
    switch (Arrangement) {
    case lxTextStandard:
    case lxTextTurnedLine:
    case lxTextTurnedChars:
    case lxTextCircle:
    case lxTextArc:
    case lxTextFreehand:
    case lxTextVertical:
    case lxTextPlain:
        return true;
    default:
        return false;
    }
}

// The working record of a text layer: drawn in white, a freehand text on
// the document's canvas.
TlxTextStyle workingTextStyle(const TlxTextStyle& Style, int ImageWidth, int ImageHeight) {
    TlxTextStyle style = Style;
    style.Color = lxRGB(255, 255, 255);
    if (style.Arrangement == lxTextFreehand) SetFreehandCanvas(style, ImageWidth, ImageHeight);
    return style;
}

// Whether the font can be made K times as large.
bool factorPossible(const TlxTextStyle& Style, int K) {
    return K == 1 || std::abs(double(Style.Size)) * K * 96.0 / 72.0 <= kMaxFontPixels;
}

// Drawing Text with Scaled, the record of smoothing factor K: measured,
// with the layer's size once reduced (at least one pixel each way).
bool planAt(TlxImage& Image, const std::string& Text, const TlxTextStyle& Scaled, int K,
            TlxImage::TextLayerPlan& Plan) {
    if (!Image.TextBitmapSize(Text, Scaled, Plan.Drawn)) return false;
    Plan.Factor = K;
    Plan.Layer =
        K > 1 ? QSize(std::max(Plan.Drawn.width() / K, 1), std::max(Plan.Drawn.height() / K, 1))
              : Plan.Drawn;
    return true;
}

} // namespace

qint64 TlxImage::TextLayerPlan::PeakBytes() const {
    const qint64 layer = qint64(Layer.width()) * Layer.height();
    return (Factor > 1 ? qint64(Drawn.width()) * Drawn.height() : 0) + 4 * layer;
}

qint64 TlxImage::TextLayerPlan::LayerBytes() const {
    return 4 * qint64(Layer.width()) * Layer.height();
}

bool TlxImage::PlanTextLayer(const TlxLayer& Layer, TextLayerPlan& Plan, qint64 MaxPeakBytes) {
    if (!drawsText(Layer.TextStyle.Arrangement)) return false;
    const TlxTextStyle style = workingTextStyle(Layer.TextStyle, ImageWidth, ImageHeight);
    const std::string text = TextOf(style);
    for (int k = std::clamp(int(style.Smoothing), 0, 3) + 1; k >= 1; --k) {
        if (!factorPossible(style, k)) continue;
        TextLayerPlan plan;
        if (!planAt(*this, text, scaledTextStyle(style, text, k), k, plan)) continue;
        if (MaxPeakBytes >= 0 && plan.PeakBytes() > MaxPeakBytes) continue;
        Plan = plan;
        return true;
    }
    return false;
}

bool TlxImage::renderTextInto(TlxLayer& Layer, qint64 MaxPeakBytes) {
    if (!drawsText(Layer.TextStyle.Arrangement))
        return true; // nothing to draw; the layer keeps its pixels
    const TlxTextStyle style = workingTextStyle(Layer.TextStyle, ImageWidth, ImageHeight);
    const std::string text = TextOf(style);
    // Smoothing draws at k times the size; where that would not fit in
    // memory (or in MaxPeakBytes), or the font cannot be made k times as
    // large, the largest factor that fits is used instead. Each factor is
    // measured before anything is drawn.
    for (int k = std::clamp(int(style.Smoothing), 0, 3) + 1; k >= 1; --k) {
        if (!factorPossible(style, k)) continue;
        const TlxTextStyle scaled = scaledTextStyle(style, text, k);
        if (MaxPeakBytes >= 0) {
            TextLayerPlan plan;
            if (!planAt(*this, text, scaled, k, plan) || plan.PeakBytes() > MaxPeakBytes) continue;
        }
        QImage alpha = Layer.Alpha.isNull() ? CreateGrayBitmap(10, 10) : Layer.Alpha;
        if (!RenderTextBitmap(text, scaled, alpha)) continue;
        if (k > 1) alpha = lx::reduceBlocks(alpha, k);
        if (alpha.isNull()) continue;
        QImage bitmap = lx::newPicture(alpha.width(), alpha.height(), QImage::Format_BGR888);
        if (bitmap.isNull()) return false;
        lx::fillBgrPicture(bitmap, ResolveColor(Layer.TextStyle.Color));
        if (style.Arrangement == lxTextFreehand)
            SetFreehandCanvas(Layer.TextStyle, ImageWidth, ImageHeight);
        Layer.Alpha = std::move(alpha);
        Layer.Bitmap = std::move(bitmap);
        return true;
    }
    return false;
}

bool TlxImage::RenderTextLayer(int Index) {
    if (!validIndex(Index) || !Layers[size_t(Index)].IsText) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        return renderTextInto(Layers[size_t(Index)]);
    } catch (...) {
        return false;
    }
}

bool TlxImage::RenderTextLayerWithin(int Index, qint64 MaxPeakBytes) {
    if (!validIndex(Index) || !Layers[size_t(Index)].IsText) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        return renderTextInto(Layers[size_t(Index)], std::max<qint64>(MaxPeakBytes, 0));
    } catch (...) {
        return false;
    }
}

bool TlxImage::AddTextLayer(int X, int Y, const TlxTextStyle& TextStyle) {
    if (LayersCount < 0 || LayersCount >= MaxLayers) return false;
    const lx::RedrawBlock block(CanReDraw);
    const int i = LayersCount;
    TlxLayer& layer = Layers[size_t(i)];
    try {
        ClearLayerContents(layer);
        InitNewLayer(layer);
        layer.IsText = true;
        layer.Left = X;
        layer.Top = Y;
        layer.TextStyle = TextStyle;
        // Both pictures get their real size from drawing.
        layer.Bitmap = QImage(10, 10, QImage::Format_BGR888);
        layer.Alpha = CreateGrayBitmap(10, 10);
        if (layer.Bitmap.isNull() || layer.Alpha.isNull()) {
            ClearLayerContents(layer);
            return false;
        }
        layer.Bitmap.fill(Qt::black);
        if (!renderTextInto(layer)) {
            ClearLayerContents(layer);
            return false;
        }
        layer.Name = NewLayerName(kTextLayerPrefix);
        const std::string text = TextOf(TextStyle);
        // A short text names its layer; an all-blank one keeps the number.
        if (text.size() <= kTextNameBytes && !trimmed(text).empty()) layer.Name = trimmed(text);
        LayersCount = i + 1;
        CurrLayerID = i;
        return true;
    } catch (...) {
        ClearLayerContents(layer);
        return false;
    }
}
