// Code page conversions through the C library's iconv.

#include "codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace lx {
namespace {

// One conversion descriptor for one call; iconv descriptors carry state and
// must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of input; where a sequence cannot be converted, skip()
    // tells how many input bytes to pass over and `replacement` is written.
    template <typename Skip>
    std::string run(std::string_view input, std::string_view replacement, Skip skip) {
        std::string out;
        if (!valid()) return out;
        std::vector<char> buffer(4 * input.size() + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        while (inLeft > 0) {
            char* o = buffer.data();
            size_t oLeft = buffer.size();
            const size_t r = iconv(cd_, &in, &inLeft, &o, &oLeft);
            out.append(buffer.data(), size_t(o - buffer.data()));
            if (r != size_t(-1)) break;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (cut short at the end): replace and go on.
            const size_t n = std::min(inLeft, skip(std::string_view(in, inLeft)));
            out.append(replacement);
            in += n;
            inLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

// Length of the UTF-8 character at the start of s (1 for a stray byte).
size_t utf8Length(std::string_view s) {
    const auto b = uint8_t(s[0]);
    const size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return std::min(n, s.size());
}

// A bad double-byte sequence: pass over its lead byte only, so a following
// good character is not lost.
size_t oneByte(std::string_view) {
    return 1;
}

QString toUnicode(const char* codePage, std::string_view bytes) {
    Converter converter("UTF-8", codePage);
    return QString::fromUtf8(converter.run(bytes, "\xEF\xBF\xBD", oneByte));
}

} // namespace

QString fromGbk(std::string_view Bytes) {
    return toUnicode("CP936", Bytes);
}

QString fromBig5(std::string_view Bytes) {
    return toUnicode("BIG5", Bytes);
}

std::string toGbk(const QString& Text) {
    const QByteArray utf8 = Text.toUtf8();
    Converter converter("CP936", "UTF-8");
    return converter.run(std::string_view(utf8.constData(), size_t(utf8.size())), "?", utf8Length);
}

size_t gbkPrefixLength(std::string_view Bytes, size_t Limit) {
    const size_t end = std::min(Bytes.size(), Limit);
    size_t i = 0;
    while (i < end) {
        const size_t n = uint8_t(Bytes[i]) >= 0x81 ? 2 : 1;
        if (i + n > end) break;
        i += n;
    }
    return i;
}

} // namespace lx
