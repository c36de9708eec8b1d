// File lists and Windows-style initialisation files.
//
// The ini files ("Colors.ini" and its kin) come from earlier versions of the
// program and from users' editors, so they are read as bytes in the program's
// code page (GBK) and treated as hostile: any length, any bytes, broken
// headers. The reader streams the file in blocks and looks at no more than
// the first 64 KiB of a line, so neither a huge file nor a huge line costs
// more than a block of memory; the writer rewrites the file through a
// temporary copy, byte ranges at a time, keeping every line it does not
// change exactly as it was.

#include "lxreadwrite.h"

#include "codepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <optional>

void ListFiles(const QString& Pattern, int Attributes, QStringList& List) {
    List.clear();
    // The folder is everything before the last separator; without one the
    // mask applies to the current folder.
    const qsizetype slash = Pattern.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : Pattern.left(slash + 1);
    const QString mask = Pattern.mid(slash + 1);
    if (mask.isEmpty()) return;
    // Only regular files (and links to them): folders never, and neither
    // sockets, pipes nor devices, which this platform has in place of
    // "system" files and which a caller opening each name must not meet.
    // Read-only files are files like the others. Masks match without regard
    // to case, as they do where the preset files were first named.
    QDir::Filters filters = QDir::Files;
    if (Attributes & faHidden) filters |= QDir::Hidden;
    const QDir dir(folder, mask, QDir::Name | QDir::IgnoreCase, filters);
    List = dir.entryList();
}

namespace {

constexpr qint64 kBlockBytes = 64 * 1024;
// The most of one line that is looked at; the rest of a longer line is
// skipped (but kept by the writer).
constexpr qsizetype kLineHeadBytes = 64 * 1024;
// Values are read into a buffer of 256 characters, the last one the end
// mark.
constexpr qsizetype kValueBytes = 255;

struct Line {
    qint64 start = 0;      // offset of the first byte
    qint64 contentEnd = 0; // offset just past the text, before "\r\n" or "\n"
    qint64 end = 0;        // offset just past the line break
    bool hasBreak = false;
    bool crlf = false; // the break is "\r\n"
    QByteArray head;   // the text, at most kLineHeadBytes of it
};

// The lines of a file, read a block at a time.
class LineReader {
public:
    explicit LineReader(QIODevice& in) : in_(in) {}

    bool next(Line& line) {
        if (at_ == buffer_.size() && !fill()) return false;
        line = Line{};
        line.start = bufferStart_ + at_;
        char last = 0;
        for (;;) {
            const qsizetype lf = buffer_.indexOf('\n', at_);
            const qsizetype stop = lf < 0 ? buffer_.size() : lf;
            if (stop > at_) {
                const qsizetype room = kLineHeadBytes - line.head.size();
                if (room > 0)
                    line.head.append(buffer_.constData() + at_, std::min(room, stop - at_));
                last = buffer_.at(stop - 1);
            }
            if (lf >= 0) {
                at_ = lf + 1;
                line.hasBreak = true;
                break;
            }
            at_ = buffer_.size();
            if (!fill()) break;
        }
        line.end = bufferStart_ + at_;
        line.crlf = line.hasBreak && last == '\r';
        line.contentEnd = line.end - (line.hasBreak ? 1 : 0) - (line.crlf ? 1 : 0);
        if (line.crlf && line.head.size() == line.contentEnd - line.start + 1) line.head.chop(1);
        return true;
    }

private:
    bool fill() {
        bufferStart_ += buffer_.size();
        buffer_ = in_.read(kBlockBytes);
        at_ = 0;
        return !buffer_.isEmpty();
    }

    QIODevice& in_;
    QByteArray buffer_;
    qint64 bufferStart_ = 0;
    qsizetype at_ = 0;
};

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

// What one line of an ini file says.
struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    QByteArrayView name;  // section or key name
    QByteArrayView value; // a key's value
};

// "[name]" (text after "]" ignored) opens a section; "name=value" is a key;
// everything else (blank lines, ";" comments, junk, a "[" without "]") is
// neither and belongs to the section it stands in.
Parsed parseLine(QByteArrayView head) {
    // A file saved as UTF-8 by some editors starts with a byte-order mark.
    if (head.startsWith("\xEF\xBB\xBF")) head = head.sliced(3);
    const QByteArrayView text = trimmed(head);
    Parsed parsed;
    if (text.isEmpty() || text.front() == ';') return parsed;
    if (text.front() == '[') {
        const qsizetype close = text.indexOf(']');
        if (close < 0) return parsed;
        parsed.kind = Parsed::Section;
        parsed.name = trimmed(text.sliced(1, close - 1));
        return parsed;
    }
    const qsizetype eq = text.indexOf('=');
    if (eq < 0) return parsed;
    parsed.kind = Parsed::Key;
    parsed.name = trimmed(text.first(eq));
    QByteArrayView value = trimmed(text.sliced(eq + 1));
    // A value in a pair of quotes is the text inside them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    parsed.value = value;
    return parsed;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Names match without regard to case. In GBK a byte of 0x81 or above starts
// a two-byte character whose second byte may look like an ASCII letter, so
// such characters are compared byte for byte and only single-byte letters
// are folded.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (uint8_t(a[i]) >= 0x81) {
            if (a[i] != b[i]) return false;
            if (++i < a.size() && a[i] != b[i]) return false;
        } else if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The integer literal rules: blanks, a sign, then decimal digits or
// hexadecimal ones after "$", "x" or "0x" (either case), up to the first
// character that does not fit. Too many digits wrap around in 32 bits, as
// the arithmetic of a 32-bit integer does ("$FFFFFFFF" is -1, "4294967297"
// is 1).
int parseIntLiteral(QByteArrayView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t base = 10;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    uint32_t value = 0;
    for (; i < n; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0 || uint32_t(digit) >= base) break;
        value = value * base + uint32_t(digit);
    }
    return int(negative ? 0u - value : value);
}

// Only regular files are read: a pipe or device under the name would hang
// or never end.
bool openForReading(QFile& file) {
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

// Copies bytes [from, to) of in to out.
bool copyRange(QFile& in, QIODevice& out, qint64 from, qint64 to) {
    if (from >= to) return true;
    if (!in.seek(from)) return false;
    for (qint64 left = to - from; left > 0;) {
        const QByteArray block = in.read(std::min(left, kBlockBytes));
        if (block.isEmpty() || out.write(block) != block.size()) return false;
        left -= block.size();
    }
    return true;
}

// Where a file holds Key of Section, found in one pass.
struct KeyPlace {
    std::optional<Line> key;        // the first line of the key in a section of that name
    std::optional<Line> sectionEnd; // the last non-blank line of the first such section
    bool crlf = true;               // the file's line breaks (a new file gets "\r\n")
    bool endsWithBreak = true;      // the last line ends with a break (or there is none)
    qint64 size = 0;
};

KeyPlace findKey(QFile& file, QByteArrayView section, QByteArrayView key) {
    KeyPlace place;
    LineReader reader(file);
    Line line;
    bool breakSeen = false;
    bool inSection = false;
    int sectionsSeen = 0;
    while (reader.next(line)) {
        if (line.hasBreak && !breakSeen) {
            breakSeen = true;
            place.crlf = line.crlf;
        }
        place.endsWithBreak = line.hasBreak;
        const Parsed parsed = parseLine(line.head);
        if (parsed.kind == Parsed::Section) {
            inSection = sameName(parsed.name, section);
            if (inSection) ++sectionsSeen;
        }
        if (!inSection) continue;
        if (sectionsSeen == 1 && !trimmed(line.head).isEmpty()) place.sectionEnd = line;
        if (parsed.kind == Parsed::Key && sameName(parsed.name, key)) {
            place.key = line;
            break;
        }
    }
    // The rest of the file after the key is copied without being looked at.
    // A file that could not be read to its end fails to copy, and then
    // nothing is written.
    place.size = file.size();
    return place;
}

} // namespace

void WriteIniInt(const QString& Section, const QString& Key, int Value, const QString& FileName) {
    try {
        const std::string section = lx::toGbk(Section);
        const std::string key = lx::toGbk(Key);
        // A folder, pipe or device under the name is left alone.
        const QFileInfo info(FileName);
        if (info.exists() && !info.isFile()) return;
        QFile in(FileName);
        KeyPlace place;
        if (openForReading(in)) place = findKey(in, section, key);
        const QByteArray eol = place.crlf ? "\r\n" : "\n";
        const QByteArray keyLine = QByteArray::fromStdString(key) + '=' + QByteArray::number(Value);

        QSaveFile out(FileName);
        if (!out.open(QIODevice::WriteOnly)) return;
        bool ok = true;
        if (place.key) {
            // The key's line is replaced; its line break stays.
            ok = copyRange(in, out, 0, place.key->start) && out.write(keyLine) >= 0 &&
                 copyRange(in, out, place.key->contentEnd, place.size);
        } else if (place.sectionEnd) {
            // After the section's last non-blank line, so that blank lines
            // before the next section stay where they are.
            const Line& last = *place.sectionEnd;
            ok = copyRange(in, out, 0, last.end) && (last.hasBreak || out.write(eol) >= 0) &&
                 out.write(keyLine + eol) >= 0 && copyRange(in, out, last.end, place.size);
        } else {
            ok = copyRange(in, out, 0, place.size) &&
                 (place.endsWithBreak || out.write(eol) >= 0) &&
                 out.write('[' + QByteArray::fromStdString(section) + ']' + eol + keyLine + eol) >=
                     0;
        }
        if (ok) out.commit();
    } catch (...) {
        // Failures are not reported: the file is left as it was.
    }
}

namespace {

// The value of the first Key in a section named Section, at most 255 bytes;
// nothing when the file, section or key is missing.
std::optional<QByteArray> readValue(const QString& Section, const QString& Key,
                                    const QString& FileName) {
    QFile file(FileName);
    if (!openForReading(file)) return std::nullopt;
    const std::string section = lx::toGbk(Section);
    const std::string key = lx::toGbk(Key);
    LineReader reader(file);
    Line line;
    bool inSection = false;
    while (reader.next(line)) {
        const Parsed parsed = parseLine(line.head);
        if (parsed.kind == Parsed::Section)
            inSection = sameName(parsed.name, section);
        else if (inSection && parsed.kind == Parsed::Key && sameName(parsed.name, key))
            return parsed.value.first(std::min(parsed.value.size(), kValueBytes)).toByteArray();
    }
    return std::nullopt;
}

} // namespace

int IniIntLiteral(QByteArrayView Text) {
    return parseIntLiteral(Text);
}

int ReadIniInt(const QString& Section, const QString& Key, int Default, const QString& FileName) {
    try {
        const std::optional<QByteArray> value = readValue(Section, Key, FileName);
        return value ? parseIntLiteral(*value) : Default;
    } catch (...) {
        return Default;
    }
}

QByteArray ReadIniString(const QString& Section, const QString& Key, const QByteArray& Default,
                         const QString& FileName) {
    try {
        return readValue(Section, Key, FileName).value_or(Default);
    } catch (...) {
        return Default;
    }
}

bool OutResToFile(const QString& ResType, int ResId, const QString& FileName) {
    QFile resource(QStringLiteral(":/%1/%2").arg(ResType.toLower()).arg(ResId));
    if (FileName.isEmpty() || !resource.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = resource.readAll();
    // An existing file's read-only attribute must not keep it from being
    // replaced.
    if (QFileInfo::exists(FileName))
        QFile::setPermissions(FileName, QFile::permissions(FileName) | QFileDevice::WriteOwner);
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
