// Writes the thirteen built-in text effects as layer style files "100" ..
// "112" into the folder given on the command line, from the settings table
// presets.txt (its head describes the syntax).
//
// A style file is a 14-byte header (length byte 10, "LayerStyle", one spare
// byte, the 16-bit version) followed by the layer's blending options and one
// switch byte plus settings record per effect. Version 259 stores the records
// whole; versions 256..258 store the shadow, glow, bevel and stroke records
// without their contour block and stop earlier: 256 after the colour overlay
// (our files add the gloss switch and block there, as the reader skips them),
// 257 after the pattern overlay, 258 with the stroke gradient before it.
//
// The records are the engine's own structs, filled field by field and written
// byte for byte, so the file layout follows the offsets pinned in
// lxLayerStyle.h. Any fault in the table ends the program with a message and
// exit code 1 before a single file is written.
//
// Usage: gen_preset_styles <presets.txt> <outdir>

#include "lxLayerStyle.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "records are written byte for byte and the files are little-endian");

namespace {

constexpr int FirstPreset = 100;
constexpr int LastPreset = 112;

struct TableError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- the settings table ----

struct Setting {
    std::string Value;
    int Line = 0;
    bool Used = false;
};

struct Block {
    std::string Title;
    int Line = 0;
    std::map<std::string, Setting> Settings;
};

std::string trim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    const size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

[[noreturn]] void fail(const std::string& where, int line, const std::string& what) {
    std::ostringstream msg;
    msg << where << ':' << line << ": " << what;
    throw TableError(msg.str());
}

struct Table {
    std::string FileName;
    Block Defaults;
    std::map<int, Block> Presets;
};

Table readTable(const std::string& fileName) {
    std::ifstream in(fileName);
    if (!in) throw TableError(fileName + ": cannot be read");

    Table table;
    table.FileName = fileName;
    Block* block = nullptr;
    Setting* open = nullptr; // the setting a continuation line extends
    bool haveDefaults = false;
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        const std::string text = trim(raw);
        if (text.empty()) {
            open = nullptr;
            continue;
        }
        if (text[0] == '#') continue;

        if (raw[0] == ' ' || raw[0] == '\t') {
            if (!open) fail(fileName, line, "indented line continues no setting");
            open->Value += ' ';
            open->Value += text;
            continue;
        }
        open = nullptr;

        if (text.front() == '[') {
            if (text.back() != ']') fail(fileName, line, "unclosed section header");
            const std::string title = trim(std::string_view(text).substr(1, text.size() - 2));
            if (title == "defaults") {
                if (haveDefaults) fail(fileName, line, "second [defaults] block");
                haveDefaults = true;
                block = &table.Defaults;
            } else if (title.rfind("preset ", 0) == 0) {
                const std::string idText = trim(std::string_view(title).substr(7));
                int id = 0;
                const auto [end, ec] =
                    std::from_chars(idText.data(), idText.data() + idText.size(), id);
                if (ec != std::errc() || end != idText.data() + idText.size() || id < FirstPreset ||
                    id > LastPreset)
                    fail(fileName, line, "preset id must be 100..112: " + idText);
                if (table.Presets.count(id)) fail(fileName, line, "preset " + idText + " twice");
                block = &table.Presets[id];
            } else {
                fail(fileName, line, "unknown section [" + title + "]");
            }
            block->Title = title;
            block->Line = line;
            continue;
        }

        if (!block) fail(fileName, line, "setting outside a block");
        const size_t eq = text.find('=');
        if (eq == std::string::npos) fail(fileName, line, "expected key = value");
        const std::string key = trim(std::string_view(text).substr(0, eq));
        if (key.empty()) fail(fileName, line, "empty key");
        auto [it, added] = block->Settings.try_emplace(key);
        if (!added) fail(fileName, line, "key '" + key + "' set twice in [" + block->Title + "]");
        it->second.Value = trim(std::string_view(text).substr(eq + 1));
        it->second.Line = line;
        open = &it->second;
    }
    if (!haveDefaults) fail(fileName, line, "no [defaults] block");
    for (int id = FirstPreset; id <= LastPreset; ++id)
        if (!table.Presets.count(id))
            fail(fileName, line, "preset " + std::to_string(id) + " missing");
    return table;
}

// One preset's view of the table: its own settings first, the defaults
// behind them. Every value read is marked, so that a misspelt key is caught.
class Preset {
public:
    Preset(Table& table, int id) : table_(table), own_(table.Presets.at(id)) {}

    // Whether the preset itself names a key that starts with Prefix.
    bool namesAny(const std::string& prefix) const {
        auto it = own_.Settings.lower_bound(prefix);
        return it != own_.Settings.end() && it->first.compare(0, prefix.size(), prefix) == 0;
    }

    bool has(const std::string& key) const {
        return own_.Settings.count(key) || table_.Defaults.Settings.count(key);
    }

    // The text of a key; missing keys are faults.
    const std::string& text(const std::string& key) {
        Setting* s = find(key);
        if (!s) fail(table_.FileName, own_.Line, "[" + own_.Title + "] has no '" + key + "'");
        s->Used = true;
        return s->Value;
    }

    // A fault of a key, reported at the line that set it (the block's head
    // when nothing did).
    [[noreturn]] void bad(const std::string& key, const std::string& what) const {
        const Setting* s = find(key);
        fail(table_.FileName, s ? s->Line : own_.Line, "[" + own_.Title + "] " + key + ": " + what);
    }

    long long integer(const std::string& key, long long lo, long long hi) {
        return parseInteger(key, text(key), lo, hi);
    }
    uint8_t byte(const std::string& key, int lo, int hi) { return uint8_t(integer(key, lo, hi)); }
    uint8_t mode(const std::string& key) { return byte(key, 0, 32); }
    uint8_t percent(const std::string& key) { return byte(key, 0, 100); }
    int32_t pixels(const std::string& key) { return int32_t(integer(key, 0, 200)); }

    double real(const std::string& key, double lo, double hi) {
        const std::string& v = text(key);
        double d = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        if (ec != std::errc() || end != v.data() + v.size()) bad(key, "not a number: " + v);
        if (!(d >= lo && d <= hi)) bad(key, "out of range: " + v);
        return d;
    }

    // "on" or "off".
    bool flag(const std::string& key) {
        const std::string& v = text(key);
        if (v == "on") return true;
        if (v == "off") return false;
        bad(key, "expected on or off, got '" + v + "'");
    }

    // One of the given words; the result is its position in the list.
    uint8_t word(const std::string& key, std::initializer_list<std::string_view> words) {
        const std::string& v = text(key);
        uint8_t i = 0;
        for (std::string_view w : words) {
            if (v == w) return i;
            ++i;
        }
        bad(key, "unknown value '" + v + "'");
    }

    // RRGGBB, red first, as the engine's 0x00BBGGRR colour value.
    uint32_t color(const std::string& key) {
        const std::string& v = text(key);
        uint32_t rgb = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), rgb, 16);
        if (v.size() != 6 || ec != std::errc() || end != v.data() + v.size())
            bad(key, "colour must be six hex digits RRGGBB: " + v);
        const uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
        return r | g << 8 | b << 16;
    }

    // "x, y"
    std::pair<int32_t, int32_t> offset(const std::string& key) {
        const std::string v = text(key);
        const size_t comma = v.find(',');
        if (comma == std::string::npos) bad(key, "expected x, y");
        const long long x = parseInteger(key, trim(v.substr(0, comma)), -30000, 30000);
        const long long y = parseInteger(key, trim(v.substr(comma + 1)), -30000, 30000);
        return {int32_t(x), int32_t(y)};
    }

    // Whitespace-separated integers, for tables.
    std::vector<long long> integers(const std::string& key, long long lo, long long hi) {
        std::istringstream in(text(key));
        std::vector<long long> out;
        std::string item;
        while (in >> item)
            out.push_back(parseInteger(key, item, lo, hi));
        return out;
    }

    // Names the first key of the preset that nothing read (a misspelt one).
    void checkAllUsed() const {
        for (const auto& [key, s] : own_.Settings)
            if (!s.Used)
                fail(table_.FileName, s.Line, "[" + own_.Title + "] unknown key '" + key + "'");
    }

private:
    Setting* find(const std::string& key) {
        return const_cast<Setting*>(std::as_const(*this).find(key));
    }
    const Setting* find(const std::string& key) const {
        auto own = own_.Settings.find(key);
        if (own != own_.Settings.end()) return &own->second;
        auto def = table_.Defaults.Settings.find(key);
        if (def != table_.Defaults.Settings.end()) return &def->second;
        return nullptr;
    }

    long long parseInteger(const std::string& key, const std::string& v, long long lo,
                           long long hi) const {
        long long n = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
        if (v.empty() || ec != std::errc() || end != v.data() + v.size())
            bad(key, "not an integer: '" + v + "'");
        if (n < lo || n > hi)
            bad(key, v + " outside " + std::to_string(lo) + ".." + std::to_string(hi));
        return n;
    }

    Table& table_;
    Block& own_;
};

// ---- records ----

TlxContour contour(Preset& p, const std::string& effect) {
    TlxContour c{};
    const std::string use = effect + ".use_contour";
    const std::string points = effect + ".contour_points";
    const std::string table = effect + ".contour_table";
    if (p.has(use)) c.UseContour = p.byte(use, 0, 1);

    if (p.has(points)) {
        // "(x,y) (x,y) ...": take the numbers in order, in pairs.
        std::string v = p.text(points);
        for (char& ch : v)
            if (ch == '(' || ch == ')' || ch == ',') ch = ' ';
        std::istringstream in(v);
        std::vector<long long> xy;
        long long n = 0;
        while (in >> n)
            xy.push_back(n);
        if (!in.eof()) p.bad(points, "points must be (x,y) pairs of integers");
        if (xy.size() % 2 != 0) p.bad(points, "odd number of coordinates");
        if (xy.size() / 2 > TlxContour::MaxPoints) p.bad(points, "more than 51 points");
        for (size_t i = 0; i < xy.size(); ++i)
            if (xy[i] < 0 || xy[i] > 255) p.bad(points, "coordinates must lie in 0..255");
        c.PointCount = int32_t(xy.size() / 2);
        for (int32_t i = 0; i < c.PointCount; ++i)
            c.Points[i] = {int32_t(xy[size_t(2 * i)]), int32_t(xy[size_t(2 * i + 1)])};
    }

    if (p.has(table)) {
        const std::vector<long long> bytes = p.integers(table, 0, 255);
        if (bytes.size() != 256)
            p.bad(table, "needs 256 entries, has " + std::to_string(bytes.size()));
        for (size_t i = 0; i < 256; ++i)
            c.Table[i] = uint8_t(bytes[i]);
        // Entry 256 is never read and stays 0.
    }
    if (c.UseContour && !p.has(table)) p.bad(use, "contour switched on without a table");
    return c;
}

// Drop shadow and inner shadow: stored offsets are relative to the mask,
// which is larger than the layer by 2M on each side (M = max(size, spread)),
// so a user offset d is stored as d - 2M.
TlxShadowStyle shadow(Preset& p, const std::string& e) {
    TlxShadowStyle s{};
    s.BlendMode = p.mode(e + ".mode");
    s.Color = p.color(e + ".color");
    s.Opacity = p.percent(e + ".opacity");
    s.Size = p.pixels(e + ".size");
    s.Spread = p.pixels(e + ".spread");
    const int32_t m = EffectMargin(s.Size, s.Spread);
    const auto [x, y] = p.offset(e + ".offset");
    s.DrawX = x - 2 * m;
    s.DrawY = y - 2 * m;
    s.Contour = contour(p, e);
    return s;
}

// Glows have no offset: the mask's corner is always at -2M.
TlxGlowStyle glow(Preset& p, const std::string& e) {
    TlxGlowStyle g{};
    g.BlendMode = p.mode(e + ".mode");
    g.Color = p.color(e + ".color");
    g.Opacity = p.percent(e + ".opacity");
    g.Size = p.pixels(e + ".size");
    g.Spread = p.pixels(e + ".spread");
    const int32_t m = EffectMargin(g.Size, g.Spread);
    g.DrawX = -2 * m;
    g.DrawY = -2 * m;
    g.Contour = contour(p, e);
    return g;
}

// The bevel draws one mask twice: the highlight at the user offset and the
// shadow mirrored through the layer, each relative to the mask's corner -2M.
TlxBevelStyle bevel(Preset& p) {
    TlxBevelStyle b{};
    b.BevelKind = p.word("bevel.kind", {"inner", "outer"});
    b.Size = p.pixels("bevel.size");
    b.Spread = p.pixels("bevel.spread");
    b.HighlightMode = p.mode("bevel.highlight_mode");
    b.HighlightColor = p.color("bevel.highlight_color");
    b.HighlightOpacity = p.percent("bevel.highlight_opacity");
    b.ShadowMode = p.mode("bevel.shadow_mode");
    b.ShadowColor = p.color("bevel.shadow_color");
    b.ShadowOpacity = p.percent("bevel.shadow_opacity");
    const int32_t m = EffectMargin(b.Size, b.Spread);
    const auto [x, y] = p.offset("bevel.offset");
    b.HighlightDrawX = x - 2 * m;
    b.HighlightDrawY = y - 2 * m;
    b.ShadowDrawX = -x - 2 * m;
    b.ShadowDrawY = -y - 2 * m;
    b.Contour = contour(p, "bevel");
    return b;
}

// The stroke grows the shape by its size and blurs it by its softness, so
// its mask reaches M = size + softness beyond the layer.
TlxStrokeStyle stroke(Preset& p) {
    TlxStrokeStyle s{};
    s.BlendMode = p.mode("stroke.mode");
    s.Color = p.color("stroke.color");
    s.Opacity = p.percent("stroke.opacity");
    s.Size = p.pixels("stroke.size");
    s.Softness = p.pixels("stroke.softness");
    s.Position = p.word("stroke.position", {"outside", "inside", "centre"});
    const int32_t m = s.Size + s.Softness;
    s.DrawX = -2 * m;
    s.DrawY = -2 * m;
    s.Contour = contour(p, "stroke");
    return s;
}

TlxColorOverlayStyle colorOverlay(Preset& p) {
    TlxColorOverlayStyle c{};
    c.BlendMode = p.mode("color_overlay.mode");
    c.Color = p.color("color_overlay.color");
    c.Opacity = p.percent("color_overlay.opacity");
    return c;
}

// "none" or "RRGGBB:length, ..."
void stops(Preset& p, const std::string& key, TlxGradientStyle& g) {
    const std::string v = p.text(key);
    if (v == "none") return;
    size_t from = 0;
    while (from <= v.size()) {
        const size_t comma = std::min(v.find(',', from), v.size());
        const std::string item = trim(std::string_view(v).substr(from, comma - from));
        from = comma + 1;
        const size_t colon = item.find(':');
        if (colon != 6) p.bad(key, "stop must be RRGGBB:length, got '" + item + "'");
        if (g.StopCount == TlxGradientStyle::MaxStops) p.bad(key, "more than 51 stops");
        uint32_t rgb = 0;
        auto [cend, cec] = std::from_chars(item.data(), item.data() + 6, rgb, 16);
        double length = 0;
        auto [lend, lec] = std::from_chars(item.data() + 7, item.data() + item.size(), length);
        if (cec != std::errc() || cend != item.data() + 6 || lec != std::errc() ||
            lend != item.data() + item.size())
            p.bad(key, "stop must be RRGGBB:length, got '" + item + "'");
        if (!(length >= 0.0 && length <= 1.0)) p.bad(key, "stop length outside 0..1");
        TColorlistItem& s = g.Stops[g.StopCount++];
        s.Color = (rgb >> 16 & 0xFF) | (rgb >> 8 & 0xFF) << 8 | (rgb & 0xFF) << 16;
        s.Length = length;
    }
    if (g.StopCount == 0) p.bad(key, "no stops; write 'none' for an empty list");
}

TlxGradientStyle gradient(Preset& p, const std::string& e, bool overlay) {
    TlxGradientStyle g{};
    // The stroke gradient takes its blend mode and opacity from the stroke;
    // its own two bytes stay 0.
    if (overlay) {
        g.BlendMode = p.mode(e + ".mode");
        g.Opacity = p.percent(e + ".opacity");
    }
    g.GradientKind = p.byte(e + ".kind", 0, 4);
    g.Angle = int32_t(p.integer(e + ".angle", 0, 360));
    g.Reverse = p.byte(e + ".reverse", 0, 1);
    stops(p, e + ".stops", g);
    return g;
}

TlxPatternStyle pattern(Preset& p) {
    TlxPatternStyle s{};
    s.BlendMode = p.mode("pattern_overlay.mode");
    s.Opacity = p.percent("pattern_overlay.opacity");
    return s;
}

// ---- the file ----

class Writer {
public:
    void u8(uint8_t v) { bytes_.push_back(char(v)); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void f64(double v) { raw(&v, sizeof v); }
    void raw(const void* data, size_t size) { bytes_.append(static_cast<const char*>(data), size); }
    template <typename T> void record(const T& r) { raw(&r, sizeof r); }
    // The first Count bytes of a record.
    template <typename T> void head(const T& r, size_t count) { raw(&r, count); }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// The short records of the older versions are the long ones without the
// contour block: the fields before it, then the words that follow it.
void shortShadow(Writer& w, const TlxShadowStyle& s) {
    w.head(s, offsetof(TlxShadowStyle, Contour));
    w.record(s.Reserved3);
}
void shortGlow(Writer& w, const TlxGlowStyle& g) {
    w.head(g, offsetof(TlxGlowStyle, Contour));
    w.record(g.Reserved3);
}
void shortBevel(Writer& w, const TlxBevelStyle& b) {
    w.head(b, offsetof(TlxBevelStyle, Contour));
    w.record(b.MaskStreamSize);
    w.record(b.Reserved4);
}
void shortStroke(Writer& w, const TlxStrokeStyle& s) {
    w.head(s, offsetof(TlxStrokeStyle, Contour));
    w.record(s.MaskStreamSize);
    w.record(s.Reserved);
}

std::string build(Preset& p) {
    const auto version = uint16_t(p.integer("version", 256, 259));
    const double opacity = p.real("opacity", 0.0, 1.0);
    const uint8_t ignore = p.byte("ignore_opacity", 0, 1);
    const uint8_t blendMode = p.mode("blend_mode");

    struct Flags {
        bool drop, inner, innerGlow, outerGlow, bevel, stroke, color, gloss, gradient,
            strokeGradient, pattern;
    } on{p.flag("drop_shadow"),     p.flag("inner_shadow"),   p.flag("inner_glow"),
         p.flag("outer_glow"),      p.flag("bevel"),          p.flag("stroke"),
         p.flag("color_overlay"),   p.flag("gloss"),          p.flag("gradient_overlay"),
         p.flag("stroke_gradient"), p.flag("pattern_overlay")};

    const TlxShadowStyle drop = shadow(p, "drop_shadow");
    const TlxShadowStyle inner = shadow(p, "inner_shadow");
    const TlxGlowStyle innerGlow = glow(p, "inner_glow");
    const TlxGlowStyle outerGlow = glow(p, "outer_glow");
    const TlxBevelStyle bev = bevel(p);
    const TlxStrokeStyle str = stroke(p);
    const TlxColorOverlayStyle color = colorOverlay(p);
    const TlxGradientStyle gradientOverlay = gradient(p, "gradient_overlay", true);
    const TlxGradientStyle strokeGradient = gradient(p, "stroke_gradient", false);
    const TlxPatternStyle pat = pattern(p);
    p.checkAllUsed();

    // What the version cannot hold must not be asked of it.
    if (on.pattern) p.bad("pattern_overlay", "presets carry no pattern tile");
    if (version < 257 && (on.gradient || p.namesAny("gradient_overlay.")))
        p.bad("gradient_overlay", "needs version 257 or later");
    if (version < 257 && p.namesAny("pattern_overlay."))
        p.bad("pattern_overlay", "needs version 257 or later");
    if (version < 258 && (on.strokeGradient || p.namesAny("stroke_gradient.")))
        p.bad("stroke_gradient", "needs version 258 or later");
    if (on.gradient && gradientOverlay.StopCount == 0)
        p.bad("gradient_overlay.stops", "the overlay is on but has no stops");
    if (on.strokeGradient && strokeGradient.StopCount == 0)
        p.bad("stroke_gradient.stops", "the stroke gradient is on but has no stops");
    if (version < 259)
        for (const char* e :
             {"drop_shadow", "inner_shadow", "inner_glow", "outer_glow", "bevel", "stroke"})
            for (const char* k : {".use_contour", ".contour_points", ".contour_table"})
                if (p.has(std::string(e) + k))
                    p.bad(std::string(e) + k, "versions before 259 store no contour");

    Writer w;
    w.u8(10);
    w.raw("LayerStyle", 10);
    w.u8(0);
    w.u16(version);

    w.f64(opacity);
    w.u8(blendMode);
    w.u8(ignore);

    // The six effects with a cached mask, in file order.
    w.u8(on.drop);
    if (version == 259) {
        w.record(drop);
        w.u8(on.inner);
        w.record(inner);
        w.u8(on.innerGlow);
        w.record(innerGlow);
        w.u8(on.outerGlow);
        w.record(outerGlow);
        w.u8(on.bevel);
        w.record(bev);
        w.u8(on.stroke);
        w.record(str);
    } else {
        shortShadow(w, drop);
        w.u8(on.inner);
        shortShadow(w, inner);
        w.u8(on.innerGlow);
        shortGlow(w, innerGlow);
        w.u8(on.outerGlow);
        shortGlow(w, outerGlow);
        w.u8(on.bevel);
        shortBevel(w, bev);
        w.u8(on.stroke);
        shortStroke(w, str);
    }
    w.u8(on.color);
    w.record(color);

    // The gloss block is never drawn; it is written empty.
    const uint8_t gloss[48]{};
    w.u8(on.gloss);
    w.record(gloss);
    if (version >= 257) {
        w.u8(on.gradient);
        w.record(gradientOverlay);
        if (version >= 258) {
            w.u8(on.strokeGradient);
            w.record(strokeGradient);
        }
        w.u8(on.pattern);
        w.record(pat);
    }
    return w.bytes();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_preset_styles <presets.txt> <outdir>\n");
        return 2;
    }
    try {
        Table table = readTable(argv[1]);
        std::map<int, std::string> files;
        for (int id = FirstPreset; id <= LastPreset; ++id) {
            Preset preset(table, id);
            files[id] = build(preset);
        }
        for (const auto& [key, s] : table.Defaults.Settings)
            if (!s.Used) fail(table.FileName, s.Line, "[defaults] unknown key '" + key + "'");

        const std::filesystem::path dir(argv[2]);
        std::filesystem::create_directories(dir);
        for (const auto& [id, bytes] : files) {
            const std::filesystem::path name = dir / std::to_string(id);
            std::ofstream out(name, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), std::streamsize(bytes.size()));
            out.close();
            if (!out) {
                std::fprintf(stderr, "gen_preset_styles: cannot write %s\n", name.c_str());
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_preset_styles: %s\n", e.what());
        return 1;
    }
    return 0;
}
