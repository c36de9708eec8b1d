// The string table is kept as three text files embedded as Qt resources (see
// resources/strings/README.md): "k<TAB>text" per line. They are read once, on
// the first call, into the byte form each block hands out and the Unicode
// form the widgets show; after that every call is a lookup.

#include "lang_strings.h"

#include "codepage.h"

#include <QFile>

#include <array>
#include <string_view>

int LangBase = LangEnglish;

namespace langstrings_detail {

// Undoes the escapes of the Traditional block: "%" and two hexadecimal
// digits become the byte they spell and the scan goes on after them; every
// other character is copied, a "%" too when two hexadecimal digits do not
// follow it. Not static so that the tests can reach it.
QByteArray decodeEscapes(QByteArrayView Text) {
    const auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    QByteArray out;
    out.reserve(Text.size());
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        // i + 2 < n: both digits lie inside the text.
        if (Text[i] == '%' && i + 2 < n) {
            const int high = hex(Text[i + 1]);
            const int low = hex(Text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.append(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.append(Text[i]);
    }
    return out;
}

} // namespace langstrings_detail

namespace {

enum Block { Simplified, Traditional, English, BlockCount };

constexpr std::array<int, BlockCount> BlockBase{LangSimplified, LangTraditional, LangEnglish};
constexpr std::array<const char*, BlockCount> BlockFile{
    ":/strings/simplified.txt", ":/strings/traditional.txt", ":/strings/english.txt"};

struct Table {
    std::array<std::array<QByteArray, LangStringCount>, BlockCount> bytes;
    std::array<std::array<QString, LangStringCount>, BlockCount> texts;
};

std::string_view view(const QByteArray& Bytes) {
    return {Bytes.constData(), size_t(Bytes.size())};
}

// The bytes a block hands out for the text of one line of its file.
QByteArray storedBytes(Block B, QByteArrayView Text) {
    switch (B) {
    case Simplified: {
        const std::string gbk = lx::toGbk(QString::fromUtf8(Text));
        return QByteArray(gbk.data(), qsizetype(gbk.size()));
    }
    case Traditional:
        return langstrings_detail::decodeEscapes(Text);
    default:
        return Text.toByteArray();
    }
}

// Unicode is made from the bytes handed out, not from the file's text, so
// that a character the code page cannot hold shows up in both the same way.
QString unicodeText(Block B, const QByteArray& Bytes) {
    switch (B) {
    case Simplified:
        return lx::fromGbk(view(Bytes));
    case Traditional:
        return lx::fromBig5(view(Bytes));
    default:
        return QString::fromUtf8(Bytes);
    }
}

// A line that does not start with a number 1..274 and a tab is passed over;
// its string then stays empty, which the table test catches.
void readBlock(Block B, Table& T) {
    QFile file(QString::fromLatin1(BlockFile[B]));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray all = file.readAll();
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0) end = all.size();
        QByteArrayView line(all.constData() + start, end - start);
        start = end + 1;
        if (line.endsWith('\r')) line.chop(1);

        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0) continue;
        bool ok = false;
        const int k = line.first(tab).toByteArray().toInt(&ok);
        if (!ok || k < 1 || k > LangStringCount) continue;
        QByteArray& bytes = T.bytes[B][size_t(k - 1)];
        bytes = storedBytes(B, line.sliced(tab + 1));
        T.texts[B][size_t(k - 1)] = unicodeText(B, bytes);
    }
}

// Built on first use; a function-local static is initialised exactly once
// even when several threads ask at the same time.
const Table& table() {
    static const Table t = [] {
        Table result;
        for (int b = 0; b < BlockCount; ++b)
            readBlock(Block(b), result);
        return result;
    }();
    return t;
}

// The block and index (0..273) of string Id, or false outside the table.
bool locate(int Id, Block& B, size_t& Index) {
    for (int b = 0; b < BlockCount; ++b) {
        const int k = Id - BlockBase[size_t(b)];
        if (k >= 1 && k <= LangStringCount) {
            B = Block(b);
            Index = size_t(k - 1);
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray LoadLangStr(int Id) {
    Block b;
    size_t index;
    if (!locate(Id, b, index)) return {};
    return table().bytes[b][index];
}

QString LangString(int Id) {
    Block b;
    size_t index;
    if (!locate(Id, b, index)) return {};
    return table().texts[b][index];
}

QString LangText(int k) {
    // Without this check a k beyond the table would reach into the next
    // block (LangBase 100 + k 901 is a Traditional id).
    if (k < 1 || k > LangStringCount) return {};
    return LangString(LangBase + k);
}

int LanguageForLocale(const QLocale& Locale) {
    if (Locale.language() != QLocale::Chinese) return LangEnglish;
    switch (Locale.territory()) {
    case QLocale::Taiwan:
    case QLocale::HongKong:
        return LangTraditional;
    case QLocale::China:
    case QLocale::Singapore:
        return LangSimplified;
    default:
        return LangEnglish;
    }
}
