#include "text_description.h"

#include "blend_modes.h"
#include "codepage.h"

#include <algorithm>

namespace textdesc {

namespace {

constexpr int kMemoCharacters = 2000;

} // namespace

uint32_t ColourRef(const QColor& C) {
    return uint32_t(C.red()) | uint32_t(C.green()) << 8 | uint32_t(C.blue()) << 16;
}

QColor FromColourRef(uint32_t Value) {
    return QColor(int(Value & 0xFF), int(Value >> 8 & 0xFF), int(Value >> 16 & 0xFF));
}

std::optional<int> FontSizeFromText(const QString& Text) {
    bool ok = false;
    const int v = Text.trimmed().toInt(&ok);
    if (!ok || v < 1 || v > TForm7::LargestSize) return std::nullopt;
    return v;
}

std::string StoredText(const QString& Memo) {
    QString text = Memo.left(kMemoCharacters);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return lx::toGbk(text);
}

QString MemoText(std::string_view Stored) {
    QString text = lx::fromGbk(Stored);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::vector<std::string> SplitCharacters(std::string_view Bytes, unsigned LeadFrom, size_t Limit) {
    std::vector<std::string> chars;
    for (size_t i = 0; i < Bytes.size() && chars.size() < Limit;) {
        const size_t n = static_cast<unsigned char>(Bytes[i]) < LeadFrom ? 1 : 2;
        chars.emplace_back(Bytes.substr(i, n));
        i += n;
    }
    return chars;
}

std::vector<std::string> FreehandCharacters(std::string_view Bytes) {
    return SplitCharacters(Bytes, 128, TForm96Settings::MaxChars);
}

std::string PadCircleText(std::string_view Bytes) {
    int spaces = 0;
    if (Bytes.size() <= 8)
        spaces = 2;
    else if (Bytes.size() <= 15)
        spaces = 1;
    if (spaces == 0) return std::string(Bytes);
    std::string padded;
    for (const std::string& c : SplitCharacters(Bytes, 126, Bytes.size()))
        padded += c + std::string(size_t(spaces), ' ');
    return padded;
}

std::optional<TlxTextStyle> TextDescription(const TForm7Settings& S) {
    const std::optional<int> size = FontSizeFromText(S.SizeText);
    if (!size) return std::nullopt;
    TlxTextStyle style{};
    std::string text = StoredText(S.Text);
    if (S.Arrangement == lxTextFreehand) {
        // Only the placed characters are drawn; the rest would run into the
        // places kept after the text.
        std::string placed;
        for (const std::string& c : FreehandCharacters(text)) placed += c;
        text = placed;
    }
    SetText(style, text);
    SetFontName(style, lx::toGbk(S.FontName.left(TlxTextStyle::FontNameCapacity)));
    style.Color = ColourRef(S.Color);
    style.Size = *size;
    style.Bold = S.Bold;
    style.Italic = S.Italic;
    style.Underline = S.Underline;
    style.StrikeOut = S.StrikeOut;
    style.Param = S.Angle;
    style.Arrangement = int16_t(std::clamp(S.Arrangement, 0, 6));
    style.Smoothing = uint8_t(std::clamp(S.Smoothing, 0, 3));
    style.Reverse = 0;
    switch (S.Arrangement) {
    case lxTextArc:
        style.Param = S.CircleSettings;
        style.Reverse = S.CircleFlip;
        break;
    case lxTextStandard:
    case lxTextVertical:
        style.Param = int32_t(uint32_t(S.LineSpacing & 0xFFFF) << 16 |
                              uint32_t(S.LetterSpacing & 0xFFFF));
        break;
    case lxTextFreehand:
        for (int i = 0; i < std::clamp(S.FreehandCount, 0, TForm96Settings::MaxChars); ++i)
            SetFreehandPlace(style, i,
                             {S.FreehandPoints[size_t(i)].x(), S.FreehandPoints[size_t(i)].y(),
                              S.FreehandAngles[size_t(i)]});
        break;
    default:
        break;
    }
    return style;
}

TForm7Settings SettingsFromDescription(const TlxTextStyle& Style) {
    TForm7Settings s;
    const std::string text = TextOf(Style);
    s.Text = MemoText(text);
    s.FontName = lx::fromGbk(FontNameOf(Style));
    s.SizeText = QString::number(Style.Size);
    s.Color = FromColourRef(Style.Color);
    s.Bold = Style.Bold != 0;
    s.Italic = Style.Italic != 0;
    s.Underline = Style.Underline != 0;
    s.StrikeOut = Style.StrikeOut != 0;
    s.Angle = std::clamp(Style.Param, -360, 360);
    s.Arrangement = std::clamp(int(Style.Arrangement), 0, 6);
    s.Smoothing = std::clamp(int(Style.Smoothing), 0, 3);
    s.CircleFlip = Style.Reverse != 0;
    s.CircleSettings = Style.Param;
    if (s.Arrangement == lxTextStandard || s.Arrangement == lxTextVertical) {
        s.LetterSpacing = CharSpacing(Style);
        s.LineSpacing = LineSpacing(Style);
    }
    if (s.Arrangement == lxTextFreehand) {
        s.FreehandCount = int(FreehandCharacters(text).size());
        for (int i = 0; i < s.FreehandCount; ++i) {
            const TlxFreehandPlace place = FreehandPlace(Style, i);
            s.FreehandPoints[size_t(i)] = QPoint(place.X, place.Y);
            s.FreehandAngles[size_t(i)] = place.Angle;
        }
    }
    return s;
}

} // namespace textdesc
