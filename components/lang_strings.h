#pragma once

// The program's string table: three blocks of 274 strings, ids 101..374
// Simplified Chinese (GBK), 1001..1274 Traditional Chinese (stored as ASCII
// with "%XX" byte escapes, decoding to Big5) and 2001..2274 English. String
// LangBase + k has the same meaning in every block.

#include <QByteArray>
#include <QLocale>
#include <QString>

constexpr int LangSimplified = 100;
constexpr int LangTraditional = 1000;
constexpr int LangEnglish = 2000;
constexpr int LangStringCount = 274;

// Base of the current language's ids.
extern int LangBase;

// The bytes of string Id: GBK for the Simplified block, the decoded Big5
// bytes for the Traditional block ("%" and two hexadecimal digits become one
// byte, every other character is copied), UTF-8 for the English block.
// Empty for an id outside the table.
QByteArray LoadLangStr(int Id);
// String Id as Unicode, converted from its block's code page (empty for an
// id outside the table). The tables are read on the first call of any of
// these functions, once, safely from any thread.
QString LangString(int Id);
// String LangBase + k as Unicode; empty for k outside 1..274.
QString LangText(int k);

// The language base (100, 1000 or 2000) a system locale starts in: Chinese
// of Taiwan and Hong Kong gives Traditional Chinese, Chinese of mainland
// China and Singapore Simplified Chinese, anything else English.
int LanguageForLocale(const QLocale& Locale);
