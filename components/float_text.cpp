#include "float_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int SignificantDigits = 15;

} // namespace

QString FloatToStr(double Value) {
    if (std::isnan(Value)) return QStringLiteral("NAN");
    if (std::isinf(Value)) return Value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (Value == 0) return QStringLiteral("0");

    // "%.14e" rounds to 15 significant digits once, correctly; the digits
    // and the decimal exponent are then laid out by hand.
    char scientific[40];
    std::snprintf(scientific, sizeof scientific, "%.*e", SignificantDigits - 1, std::fabs(Value));
    const char* e = std::strchr(scientific, 'e');
    const int exponent = std::atoi(e + 1);
    QByteArray digits;
    for (const char* c = scientific; c != e; ++c)
        if (*c != '.') digits += *c;
    while (digits.size() > 1 && digits.endsWith('0')) digits.chop(1);

    QByteArray text = Value < 0 ? QByteArray("-") : QByteArray();
    // Digits before the decimal point: exponent + 1.
    const int whole = exponent + 1;
    if (whole > SignificantDigits || whole < -3) {
        text += digits.left(1);
        if (digits.size() > 1) text += '.' + digits.mid(1);
        text += 'E' + QByteArray::number(exponent);
    } else if (whole > 0) {
        if (digits.size() <= whole) {
            text += digits + QByteArray(whole - digits.size(), '0');
        } else {
            text += digits.left(whole) + '.' + digits.mid(whole);
        }
    } else {
        text += "0." + QByteArray(-whole, '0') + digits;
    }
    return QString::fromLatin1(text);
}
