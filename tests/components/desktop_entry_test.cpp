// The desktop entry's names are the program's title in each language of
// the string table (k 51).

#include "lang_strings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

namespace {

// The value of Key in the entry's lines; empty when the key is missing.
QString entryValue(const QStringList& Lines, const QString& Key) {
    const QString prefix = Key + QLatin1Char('=');
    for (const QString& line : Lines)
        if (line.startsWith(prefix)) return line.mid(prefix.size());
    return {};
}

TEST(DesktopEntry, NamesAreTheTitleOfEachLanguage) {
    QFile file(QStringLiteral(VELMO_DESKTOP_ENTRY));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const int saved = LangBase;
    struct Case {
        const char* Key;
        int Base;
        const char* Title; // the string table's k 51 of that block
    };
    for (Case c : {Case{"Name", LangEnglish, "Velmo Balloon"},
                   Case{"Name[zh_CN]", LangSimplified, "Velmo 气球图案设计"},
                   Case{"Name[zh_TW]", LangTraditional, "Velmo 氣球圖案設計"}}) {
        LangBase = c.Base;
        EXPECT_EQ(LangText(51), QString::fromUtf8(c.Title)) << c.Key;
        EXPECT_EQ(entryValue(lines, QString::fromLatin1(c.Key)), LangText(51)) << c.Key;
    }
    LangBase = saved;
}

} // namespace
