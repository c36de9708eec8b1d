// The gradient definitions file, read and written in one pass each.
//
// The file may have been written by an earlier version of the program, by
// the user's own editor or by anyone with access to the data folder, so it
// is read like any other outside file: its size is bounded, only the keys
// that can matter are kept, and every number is clamped before use. The
// lines follow the rules of the program's other initialisation files: "[x]"
// opens a section, "name=value" is a key, anything else is kept but means
// nothing, names match without regard to case, and the first key of a name
// in any section of a name is the one that counts.

#include "gradient_definitions.h"

#include "lxreadwrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <queue>

QString GradientFileName() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty()) return {};
    return QDir(folder).filePath(QStringLiteral("Colors.ini"));
}

namespace {

// Values are read into a buffer of 256 characters, the last one the end
// mark.
constexpr qsizetype kValueBytes = 255;
// The resource the default definitions are written from.
constexpr int kDefaultResource = 1001;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Names match without regard to case. The names looked for are plain
// ASCII, so folding single bytes is enough: a name holding a byte of a
// two-byte character never equals one of them.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// An integer literal as ReadIniInt converts it, from at most the 255
// characters a value holds.
int parseIntLiteral(QByteArrayView text) {
    return IniIntLiteral(text.first(std::min(text.size(), kValueBytes)));
}

// The number a name spells after its prefix when it is written the way the
// program writes numbers (decimal, no sign, no leading zero) and lies in
// 1 .. Most; nothing otherwise.
std::optional<int> numberAfter(QByteArrayView name, QByteArrayView prefix, int Most) {
    if (name.size() <= prefix.size() || !sameName(name.first(prefix.size()), prefix))
        return std::nullopt;
    const QByteArrayView digits = name.sliced(prefix.size());
    if (digits.size() > 9 || digits.front() == '0') return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > Most) return std::nullopt;
    return value;
}

// One line of the file: where it lies and what it says.
struct Line {
    qsizetype start = 0;      // offset of its first byte
    qsizetype contentEnd = 0; // offset just past its text, before "\r\n" or "\n"
    qsizetype end = 0;        // offset just past its line break
    enum Kind { Other, Section, Key } kind = Other;
    QByteArrayView name;  // section or key name
    QByteArrayView value; // a key's value
};

// "[name]" (text after "]" ignored) opens a section; "name=value" is a key
// (blanks around both and one pair of quotes around the value removed).
void parseLine(QByteArrayView text, Line& line) {
    // A file saved as UTF-8 by some editors starts with a byte-order mark.
    if (text.startsWith("\xEF\xBB\xBF")) text = text.sliced(3);
    text = trimmed(text);
    if (text.isEmpty() || text.front() == ';') return;
    if (text.front() == '[') {
        const qsizetype close = text.indexOf(']');
        if (close < 0) return;
        line.kind = Line::Section;
        line.name = trimmed(text.sliced(1, close - 1));
        return;
    }
    const qsizetype eq = text.indexOf('=');
    if (eq < 0) return;
    line.kind = Line::Key;
    line.name = trimmed(text.first(eq));
    QByteArrayView value = trimmed(text.sliced(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    line.value = value;
}

// Calls Visit(line) for each line of Bytes in order.
template <class F> void forEachLine(QByteArrayView Bytes, F&& Visit) {
    qsizetype at = 0;
    while (at < Bytes.size()) {
        Line line;
        line.start = at;
        const qsizetype lf = Bytes.indexOf('\n', at);
        line.end = lf < 0 ? Bytes.size() : lf + 1;
        line.contentEnd = lf < 0 ? Bytes.size() : lf;
        if (line.contentEnd > line.start && Bytes[line.contentEnd - 1] == '\r') --line.contentEnd;
        parseLine(Bytes.sliced(line.start, line.contentEnd - line.start), line);
        Visit(line);
        at = line.end;
    }
}

// The keys of one numbered section that the program reads; each holds the
// first value of its name, 0 when missing.
struct RawDefinition {
    int Count = 0;
    std::array<int, MaxGradientStops> Colors{};
    std::array<int, MaxGradientStops> Lengths{};
    // Which keys were met: Count, then Colors, then Lengths.
    std::bitset<1 + 2 * MaxGradientStops> Seen;
};

// What the file says, and where the writer must change it.
struct RawFile {
    bool Readable = false;
    QByteArray Bytes;
    int Count = 0; // "Count" of "Application"
    std::map<int, RawDefinition> Definitions;
    // For the writer.
    bool CountSeen = false;
    Line CountLine;                          // the line of that "Count"
    std::optional<Line> ApplicationHeader;   // the first "[Application]"
    std::map<int, qsizetype> SectionStarts;  // the first header of each numbered section
    QByteArray Eol = "\r\n";                 // the file's line break (a new file gets "\r\n")
};

void collect(RawFile& File) {
    bool breakSeen = false;
    bool inApplication = false;
    RawDefinition* definition = nullptr;
    const QByteArrayView bytes(File.Bytes);
    forEachLine(bytes, [&](const Line& line) {
        if (!breakSeen && line.end > line.contentEnd) {
            breakSeen = true;
            File.Eol = line.end - line.contentEnd == 2 ? "\r\n" : "\n";
        }
        if (line.kind == Line::Section) {
            inApplication = sameName(line.name, "Application");
            definition = nullptr;
            if (inApplication && !File.ApplicationHeader) File.ApplicationHeader = line;
            if (const auto d = numberAfter(line.name, "", MaxGradientDefinitions)) {
                definition = &File.Definitions[*d];
                File.SectionStarts.try_emplace(*d, line.start);
            }
            return;
        }
        if (line.kind != Line::Key) return;
        if (inApplication) {
            if (!File.CountSeen && sameName(line.name, "Count")) {
                File.CountSeen = true;
                File.Count = parseIntLiteral(line.value);
                File.CountLine = line;
            }
            return;
        }
        if (definition == nullptr) return;
        RawDefinition& raw = *definition;
        if (sameName(line.name, "Count")) {
            if (!raw.Seen[0]) raw.Count = parseIntLiteral(line.value);
            raw.Seen[0] = true;
        } else if (const auto k = numberAfter(line.name, "Color", MaxGradientStops)) {
            if (!raw.Seen[size_t(*k)]) raw.Colors[size_t(*k - 1)] = parseIntLiteral(line.value);
            raw.Seen[size_t(*k)] = true;
        } else if (const auto k = numberAfter(line.name, "Length", MaxGradientStops)) {
            const size_t bit = size_t(MaxGradientStops + *k);
            if (!raw.Seen[bit]) raw.Lengths[size_t(*k - 1)] = parseIntLiteral(line.value);
            raw.Seen[bit] = true;
        }
    });
}

// Only a regular file is read (a pipe or device under the name would hang
// or never end), and at most GradientFileReadLimit bytes of it.
RawFile readFile(const QString& FileName) {
    RawFile file;
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.isFile()) return file;
    QFile in(FileName);
    if (!in.open(QIODevice::ReadOnly)) return file;
    file.Bytes = in.read(GradientFileReadLimit);
    if (in.error() != QFileDevice::NoError) return file;
    file.Readable = true;
    collect(file);
    return file;
}

int stopCount(const TColorlistSrcd& Stops) {
    return int(std::min<qsizetype>(std::max(Stops.Count, 0), qsizetype(Stops.Stops.size())));
}

// A stop's Length as the file holds it: times 10000, rounded to the
// nearest integer with halves to even; 0 for a value that is not a number.
int lengthValue(double Length) {
    const double v = Length * 10000.0;
    if (!std::isfinite(v)) return 0;
    const double limit = double(std::numeric_limits<int>::max());
    return int(std::nearbyint(std::clamp(v, -limit, limit)));
}

} // namespace

bool EnsureGradientFile(const QString& FileName) {
    try {
        if (FileName.isEmpty()) return false;
        const QFileInfo info(FileName);
        // A link, even one pointing nowhere, is not written through.
        if (info.isSymLink()) return false;
        if (info.exists()) return info.isFile() && info.isReadable();
        if (!QDir().mkpath(info.absolutePath())) return false;
        if (!OutResToFile(QStringLiteral("CUSTOM"), kDefaultResource, FileName)) return false;
        const QFileInfo written(FileName);
        return !written.isSymLink() && written.isFile();
    } catch (...) {
        return false;
    }
}

TGradientList LoadGradientDefinitions(const QString& FileName) {
    try {
        const RawFile file = readFile(FileName);
        TGradientList list;
        const int n = std::clamp(file.Count, 0, MaxGradientDefinitions);
        list.reserve(size_t(n));
        const RawDefinition missing;
        for (int d = 1; d <= n; ++d) {
            const auto found = file.Definitions.find(d);
            const RawDefinition& raw = found == file.Definitions.end() ? missing : found->second;
            TColorlistSrcd definition;
            definition.Count = std::clamp(raw.Count, 2, MaxGradientStops);
            definition.Stops.resize(size_t(definition.Count));
            int total = 0;
            for (int k = 0; k < definition.Count; ++k) {
                TColorlistItem& stop = definition.Stops[size_t(k)];
                stop.Color = uint32_t(raw.Colors[size_t(k)]);
                stop.Reserved = 0;
                int length = std::clamp(raw.Lengths[size_t(k)], 0, 10000);
                // The segments end at the right edge at the latest; the
                // last stop's length is no segment.
                if (k < definition.Count - 1) {
                    length = std::min(length, 10000 - total);
                    total += length;
                }
                stop.Length = length / 10000.0;
            }
            list.push_back(std::move(definition));
        }
        return list;
    } catch (...) {
        return {};
    }
}

int FindGradientDefinition(const QString& FileName, const TColorlistSrcd& Stops) {
    try {
        const int n = stopCount(Stops);
        if (n < 1 || n > MaxGradientStops) return 0;
        const RawFile file = readFile(FileName);
        const int definitions = std::clamp(file.Count, 0, MaxGradientDefinitions);
        for (int t = 1; t <= definitions; ++t) {
            const auto found = file.Definitions.find(t);
            if (found == file.Definitions.end()) continue;
            const RawDefinition& raw = found->second;
            if (raw.Count != n) continue;
            bool same = true;
            for (int k = 0; k < n && same; ++k) {
                const TColorlistItem& stop = Stops.Stops[size_t(k)];
                same = uint32_t(raw.Colors[size_t(k)]) == stop.Color &&
                       (k == n - 1 || raw.Lengths[size_t(k)] == lengthValue(stop.Length));
            }
            if (same) return t;
        }
        return 0;
    } catch (...) {
        return 0;
    }
}

bool AppendGradientDefinition(const QString& FileName, const TColorlistSrcd& Stops) {
    try {
        const int n = stopCount(Stops);
        if (FileName.isEmpty() || n < 2 || n > MaxGradientStops) return false;
        const QFileInfo info(FileName);
        if (info.isSymLink()) return false;
        RawFile file;
        if (info.exists()) {
            if (!info.isFile() || info.size() > GradientFileReadLimit) return false;
            file = readFile(FileName);
            if (!file.Readable || file.Bytes.size() != info.size()) return false;
        }
        const int count = std::max(file.Count, 0);
        if (count >= MaxGradientDefinitions) return false;
        const int section = count + 1;
        const QByteArray& eol = file.Eol;

        QByteArray block = '[' + QByteArray::number(section) + ']' + eol;
        block += "Count=" + QByteArray::number(n) + eol;
        for (int k = 0; k < n; ++k) {
            const TColorlistItem& stop = Stops.Stops[size_t(k)];
            const QByteArray key = QByteArray::number(k + 1);
            // The colour in decimal, as a signed 32-bit integer is written.
            block += "Color" + key + '=' + QByteArray::number(int32_t(stop.Color)) + eol;
            block += "Length" + key + '=' +
                     QByteArray::number(k == n - 1 ? 0 : lengthValue(stop.Length)) + eol;
        }
        const QByteArray countLine = "Count=" + QByteArray::number(section);

        // The changes as byte ranges of the old file replaced by new text,
        // applied in the order of their offsets.
        struct Edit {
            qsizetype from, to;
            QByteArray text;
        };
        std::vector<Edit> edits;
        const QByteArray& old = file.Bytes;
        const bool endsWithBreak = old.isEmpty() || old.endsWith('\n');
        const QByteArray tailBreak = endsWithBreak ? QByteArray() : eol;
        if (file.CountSeen) {
            edits.push_back({file.CountLine.start, file.CountLine.contentEnd, countLine});
        } else if (file.ApplicationHeader) {
            const Line& header = *file.ApplicationHeader;
            const bool headerBreak = header.end > header.contentEnd;
            edits.push_back({header.end, header.end, (headerBreak ? "" : eol) + countLine + eol});
        }
        const auto sameSection = file.SectionStarts.find(section);
        if (sameSection != file.SectionStarts.end()) {
            // An old section of that number stays below the new one.
            edits.push_back({sameSection->second, sameSection->second, block + eol});
        } else {
            edits.push_back(
                {old.size(), old.size(), tailBreak + (old.isEmpty() ? "" : eol) + block});
        }
        if (!file.CountSeen && !file.ApplicationHeader) {
            const bool appended = sameSection == file.SectionStarts.end();
            edits.push_back({old.size(), old.size(),
                             (appended ? QByteArray() : tailBreak) + eol + "[Application]" +
                                 eol + countLine + eol});
        }
        std::stable_sort(edits.begin(), edits.end(),
                         [](const Edit& a, const Edit& b) { return a.from < b.from; });

        QByteArray bytes;
        bytes.reserve(old.size() + block.size() + 64);
        qsizetype at = 0;
        for (const Edit& edit : edits) {
            bytes.append(old.constData() + at, edit.from - at);
            bytes += edit.text;
            at = edit.to;
        }
        bytes.append(old.constData() + at, old.size() - at);

        // The new file is complete before it takes the old one's place,
        // and taking the place replaces whatever is there rather than
        // writing through it.
        QSaveFile out(FileName);
        if (!out.open(QIODevice::WriteOnly)) return false;
        if (out.write(bytes) != bytes.size()) {
            out.cancelWriting();
            return false;
        }
        return out.commit();
    } catch (...) {
        return false;
    }
}

TColorlistSrcd FitGradientStops(const TColorlistSrcd& Stops, int MaxStops) {
    const int n = stopCount(Stops);
    const int most = std::max(MaxStops, 2);
    TColorlistSrcd fitted;
    if (n <= most) {
        fitted.Stops.assign(Stops.Stops.begin(), Stops.Stops.begin() + n);
        fitted.Count = n;
        return fitted;
    }
    const auto lengthOf = [&](int k) {
        const double l = Stops.Stops[size_t(k)].Length;
        return std::isfinite(l) ? std::max(l, 0.0) : 0.0;
    };
    // Each stop's place along the width: the running total of the segments
    // before it; the last stop stands at the right edge, where the ramp
    // ends whatever the lengths say.
    std::vector<double> x(size_t(n), 0.0);
    for (int k = 1; k < n - 1; ++k)
        x[size_t(k)] = x[size_t(k - 1)] + lengthOf(k - 1);
    x[size_t(n - 1)] = std::max(1.0, x[size_t(n - 2)]);

    std::vector<int> prev(static_cast<size_t>(n)), next(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        prev[size_t(k)] = k - 1;
        next[size_t(k)] = k + 1;
    }
    const auto channel = [&](int k, int shift) {
        return double((Stops.Stops[size_t(k)].Color >> shift) & 0xFF);
    };
    // The area between the ramp through stop k and the straight ramp from
    // its left neighbour to its right one: both agree at the neighbours, so
    // the difference is a triangle over the span with the height it has at
    // stop k.
    const auto cost = [&](int k) {
        const int a = prev[size_t(k)];
        const int b = next[size_t(k)];
        const double span = x[size_t(b)] - x[size_t(a)];
        const double t = span > 0 ? (x[size_t(k)] - x[size_t(a)]) / span : 0.0;
        double height = 0;
        for (const int shift : {0, 8, 16}) {
            const double ca = channel(a, shift);
            const double cb = channel(b, shift);
            height += std::abs(channel(k, shift) - (ca + t * (cb - ca)));
        }
        return height * span / 2;
    };

    // The cheapest stop first, the leftmost among equals; an entry is
    // stale once its stop's neighbours changed.
    struct Candidate {
        double cost;
        int stop;
        unsigned version;
        bool operator>(const Candidate& o) const {
            return cost != o.cost ? cost > o.cost : stop > o.stop;
        }
    };
    std::vector<unsigned> version(size_t(n), 0);
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
    for (int k = 1; k < n - 1; ++k)
        queue.push({cost(k), k, 0});
    for (int left = n; left > most && !queue.empty();) {
        const Candidate c = queue.top();
        queue.pop();
        if (c.version != version[size_t(c.stop)]) continue;
        const int a = prev[size_t(c.stop)];
        const int b = next[size_t(c.stop)];
        next[size_t(a)] = b;
        prev[size_t(b)] = a;
        version[size_t(c.stop)] = ~0u;
        --left;
        for (const int k : {a, b}) {
            if (k == 0 || k == n - 1) continue;
            ++version[size_t(k)];
            queue.push({cost(k), k, version[size_t(k)]});
        }
    }

    for (int k = 0; k != n; k = next[size_t(k)]) {
        TColorlistItem stop = Stops.Stops[size_t(k)];
        const int b = k == n - 1 ? n : next[size_t(k)];
        // A segment left whole keeps its own length; a merged one spans
        // from this stop to the next one kept.
        if (b < n) stop.Length = b == k + 1 ? lengthOf(k) : x[size_t(b)] - x[size_t(k)];
        fitted.Stops.push_back(stop);
        if (k == n - 1) break;
    }
    fitted.Count = int(fitted.Stops.size());
    return fitted;
}
