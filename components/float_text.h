#pragma once

// Numbers shown to the user as plain text, the way the program has always
// written them: positions in centimetres, inches or millimetres in the guide
// dialogs and in the main window's caption.

#include <QString>

// The shortest text that shows Value to 15 significant digits: trailing
// zeros and a bare decimal point are dropped ("9.4996", "100", "0.3" for
// 0.1 + 0.2). The point is always ".". A value whose integer part would need
// more than 15 digits, or that is smaller than 0.0001, is written as mantissa
// and exponent ("1E15", "1.5E-5"); NaN and the infinities as "NAN", "INF" and
// "-INF".
QString FloatToStr(double Value);
