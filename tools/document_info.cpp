#include "document_info.h"

#include "codepage.h"

#include <QJsonArray>

namespace cli {

QString colourName(TColor Color) {
    const int red = int(Color & 0xFF);
    const int green = int((Color >> 8) & 0xFF);
    const int blue = int((Color >> 16) & 0xFF);
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'));
}

QJsonArray effectNames(const TlxLayerStyle& Style) {
    const struct {
        bool on;
        const char* name;
    } effects[] = {
        {Style.DropShadowOn, "dropShadow"},
        {Style.InnerShadowOn, "innerShadow"},
        {Style.OuterGlowOn, "outerGlow"},
        {Style.InnerGlowOn, "innerGlow"},
        {Style.BevelOn, "bevel"},
        {Style.ColorOverlayOn, "colorOverlay"},
        {Style.GradientOverlayOn, "gradientOverlay"},
        {Style.PatternOverlayOn, "patternOverlay"},
        {Style.StrokeOn, "stroke"},
        {Style.StrokeGradientOn, "strokeGradient"},
    };
    QJsonArray names;
    for (const auto& effect : effects) {
        if (effect.on) names.append(QLatin1String(effect.name));
    }
    return names;
}

QJsonObject documentInfo(const TlxImage& Document, uint16_t Version) {
    QJsonArray layers;
    const int count = std::clamp(Document.LayersCount, 0, TlxImage::MaxLayers);
    for (int i = 0; i < count; ++i) {
        const TlxLayer& layer = Document.Layers[size_t(i)];
        QJsonObject entry;
        entry[QLatin1String("name")] = lx::fromGbk(layer.Name);
        entry[QLatin1String("isText")] = layer.IsText;
        entry[QLatin1String("left")] = layer.Left;
        entry[QLatin1String("top")] = layer.Top;
        entry[QLatin1String("width")] = layer.Bitmap.width();
        entry[QLatin1String("height")] = layer.Bitmap.height();
        entry[QLatin1String("opacity")] = layer.Opacity;
        entry[QLatin1String("blendMode")] = layer.BlendMode;
        entry[QLatin1String("visible")] = layer.Visible;
        entry[QLatin1String("hasMask")] = layer.HasMask;
        entry[QLatin1String("state")] = layer.State;
        entry[QLatin1String("effects")] = effectNames(layer.Style);
        layers.append(entry);
    }
    QJsonObject info;
    info[QLatin1String("version")] = Version;
    info[QLatin1String("width")] = Document.ImageWidth;
    info[QLatin1String("height")] = Document.ImageHeight;
    info[QLatin1String("backgroundMode")] = Document.BackgroundMode;
    info[QLatin1String("backColor")] = colourName(Document.BackColor);
    info[QLatin1String("currentLayer")] = Document.CurrLayerID;
    info[QLatin1String("layers")] = layers;
    return info;
}

} // namespace cli
