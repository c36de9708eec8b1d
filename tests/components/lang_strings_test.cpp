#include "lang_strings.h"

#include <gtest/gtest.h>

#include <QFile>

#include <array>
#include <vector>

namespace langstrings_detail {
QByteArray decodeEscapes(QByteArrayView Text);
}

namespace {

constexpr std::array<int, 3> Bases{LangSimplified, LangTraditional, LangEnglish};

QByteArray bytes(std::initializer_list<unsigned char> Values) {
    QByteArray out;
    for (unsigned char v : Values)
        out.append(char(v));
    return out;
}

// The texts of one resource file, read here on their own: index k - 1.
std::vector<QByteArray> resourceLines(const char* Name) {
    QFile file(QString::fromLatin1(":/strings/") + QString::fromLatin1(Name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << Name;
    std::vector<QByteArray> texts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        const qsizetype tab = line.indexOf('\t');
        EXPECT_EQ(line.left(tab), QByteArray::number(qsizetype(texts.size()) + 1)) << Name;
        texts.push_back(line.mid(tab + 1));
    }
    return texts;
}

qsizetype countOf(const QByteArray& Haystack, const char* Needle) {
    return Haystack.count(QByteArrayView(Needle));
}

// Every id of every block is present, and each text converts back to
// Unicode without a replacement character (for the Traditional block:
// decode, then Big5, the round trip the screen depends on).
TEST(LangStrings, EveryIdOfEveryBlockHasAText) {
    for (int base : Bases) {
        for (int k = 1; k <= LangStringCount; ++k) {
            const int id = base + k;
            EXPECT_FALSE(LoadLangStr(id).isEmpty()) << "id " << id;
            const QString text = LangString(id);
            EXPECT_FALSE(text.isEmpty()) << "id " << id;
            EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << "id " << id;
        }
    }
}

TEST(LangStrings, ResourceFilesHoldEveryKInOrder) {
    for (const char* name : {"simplified.txt", "traditional.txt", "english.txt"})
        EXPECT_EQ(resourceLines(name).size(), size_t(LangStringCount)) << name;
}

TEST(LangStrings, IdsOutsideTheTableAreEmpty) {
    for (int id : {-1, 0, 100, 375, 999, 1000, 1275, 1999, 2000, 2275, 100000}) {
        EXPECT_TRUE(LoadLangStr(id).isEmpty()) << id;
        EXPECT_TRUE(LangString(id).isEmpty()) << id;
    }
    const int saved = LangBase;
    LangBase = LangSimplified;
    // 100 + 901 would be the Traditional id 1001 if LangText did not check k.
    EXPECT_TRUE(LangText(0).isEmpty());
    EXPECT_TRUE(LangText(275).isEmpty());
    EXPECT_TRUE(LangText(901).isEmpty());
    LangBase = saved;
}

// The Traditional Back caption is stored "%A4W%A4%40%A8B%28%26U%29": the
// escapes give A4, A4 40, A8, 28 26, 29 and the plain "W", "B", "U" are
// 57, 42, 55, so the bytes are A4 57 A4 40 A8 42 28 26 55 29 — Big5 上 A457,
// 一 A440, 步 A842, then "(&U)".
TEST(LangStrings, TraditionalBackCaptionDecodesToBig5) {
    EXPECT_EQ(LoadLangStr(1005),
              bytes({0xA4, 0x57, 0xA4, 0x40, 0xA8, 0x42, 0x28, 0x26, 0x55, 0x29}));
    EXPECT_EQ(LangString(1005), QStringLiteral(u"上一步(&U)"));
    EXPECT_EQ(resourceLines("traditional.txt")[4], QByteArray("%A4W%A4%40%A8B%28%26U%29"));
}

// Simplified texts are handed out as GBK: 上 C9CF, 一 D2BB, 步 B2BD.
TEST(LangStrings, SimplifiedBackCaptionIsGbk) {
    EXPECT_EQ(LoadLangStr(105),
              bytes({0xC9, 0xCF, 0xD2, 0xBB, 0xB2, 0xBD, 0x28, 0x26, 0x55, 0x29}));
}

// Each Simplified text survives the way through GBK unchanged (no character
// turned into "?"), and each English text is the file's UTF-8 as it stands.
TEST(LangStrings, SimplifiedAndEnglishMatchTheirSources) {
    const auto simplified = resourceLines("simplified.txt");
    const auto english = resourceLines("english.txt");
    ASSERT_EQ(simplified.size(), size_t(LangStringCount));
    ASSERT_EQ(english.size(), size_t(LangStringCount));
    for (int k = 1; k <= LangStringCount; ++k) {
        EXPECT_EQ(LangString(LangSimplified + k), QString::fromUtf8(simplified[size_t(k - 1)]))
            << "k " << k;
        EXPECT_EQ(LoadLangStr(LangEnglish + k), english[size_t(k - 1)]) << "k " << k;
    }
}

TEST(LangStrings, TraditionalEscapesEncodeEveryByteOnce) {
    const auto stored = resourceLines("traditional.txt");
    ASSERT_EQ(stored.size(), size_t(LangStringCount));
    for (int k = 1; k <= LangStringCount; ++k) {
        const QByteArray& line = stored[size_t(k - 1)];
        // Plain ASCII only, and every "%" starts an escape with upper-case digits.
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            ASSERT_TRUE(c >= 0x20 && c < 0x7F) << "k " << k << " byte " << i;
            if (c != '%') continue;
            ASSERT_LT(i + 2, line.size()) << "k " << k;
            const QByteArray digits = line.mid(i + 1, 2);
            ASSERT_EQ(digits, digits.toUpper()) << "k " << k;
            bool ok = false;
            digits.toInt(&ok, 16);
            ASSERT_TRUE(ok) << "k " << k;
            i += 2;
        }
    }
}

// "%s" of a Traditional text must be stored "%25s", or the loader would turn
// "%s" and the next character into one byte.
TEST(LangStrings, FormatStringsKeepExactlyOnePercentS) {
    const auto stored = resourceLines("traditional.txt");
    for (int k : {44, 81}) {
        EXPECT_EQ(countOf(stored[size_t(k - 1)], "%25s"), 1) << "k " << k;
        for (int base : Bases)
            EXPECT_EQ(countOf(LoadLangStr(base + k), "%s"), 1) << "id " << base + k;
    }
    EXPECT_EQ(LangString(1044), QStringLiteral(u"確實要刪除「%s」嗎？"));
}

TEST(LangStrings, TraditionalTextWithoutEscapesIsUnchanged) {
    const auto stored = resourceLines("traditional.txt");
    for (int k : {170, 171, 172}) {
        ASSERT_FALSE(stored[size_t(k - 1)].contains('%')) << "k " << k;
        EXPECT_EQ(LoadLangStr(LangTraditional + k), stored[size_t(k - 1)]) << "k " << k;
    }
    EXPECT_EQ(LoadLangStr(1170), QByteArray("XOR"));
}

struct DecodeCase {
    const char* text;
    QByteArray expected;
};

TEST(LangStrings, DecodeEscapes) {
    const DecodeCase cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"%41", "A"},
        {"%4a%4A", "JJ"},   // either case of hexadecimal digit
        {"x%25sy", "x%sy"}, // "%25" is a percent sign
        {"%2541", "%41"},   // decoded once, not again
        {"%%41", "%A"},     // the first "%" lacks digits
        {"%", "%"},         // a lone "%" at the end is copied
        {"a%4", "a%4"},     // one digit left: copied
        {"%G1", "%G1"},     // not hexadecimal
        {"%1G", "%1G"},
        {"%A4W%A4%40", bytes({0xA4, 'W', 0xA4, 0x40})},
        {"%00", QByteArray(1, '\0')}, // the escape of a zero byte is a byte too
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(langstrings_detail::decodeEscapes(QByteArrayView(c.text)), c.expected)
            << "text \"" << c.text << "\"";
    // The scan never reads past the text: a view that stops right after "%A"
    // of a longer buffer must not take the "4" behind it.
    const char buffer[] = "%A4";
    EXPECT_EQ(langstrings_detail::decodeEscapes(QByteArrayView(buffer, 2)), QByteArray("%A"));
}

TEST(LangStrings, QuotedTexts) {
    EXPECT_EQ(LangString(141), QStringLiteral(u"请设置正确的影像尺寸！"));
    EXPECT_EQ(LangString(1041), QStringLiteral(u"請設定正確的影像尺寸！"));
    EXPECT_EQ(LangString(2041), QStringLiteral(u"Please set the correct image size!"));
    EXPECT_EQ(LangString(374), QStringLiteral(u"请先点击“打印机设置”按钮设置打印纸张大小。"));
    EXPECT_EQ(LangString(146), QStringLiteral(u"清除文字效果"));
    EXPECT_EQ(LangString(1046), QStringLiteral(u"清除文字效果"));
    EXPECT_EQ(LangString(2046), QStringLiteral(u"Remove text effect"));
    // Trailing spaces belong to the texts.
    EXPECT_EQ(LangString(143), QStringLiteral(u"蒙板 "));
    EXPECT_EQ(LangString(2043), QStringLiteral(u"Mask"));
    EXPECT_TRUE(LangString(174).endsWith(QStringLiteral(u"直径) ")));
    EXPECT_EQ(LangString(2004), QStringLiteral(u"&Open saved file..."));
    EXPECT_EQ(LangString(2021), QStringLiteral(u"Crop& rotate image"));
}

// The 33 blend-mode names, strings 167 + code, as the modes are named.
TEST(LangStrings, BlendModeNames) {
    const std::array<std::pair<const char16_t*, const char16_t*>, 33> names{{
        {u"正常", u"normal"},
        {u"相加", u"add"},
        {u"相减", u"subtract"},
        {u"XOR", u"XOR"},
        {u"OR", u"OR"},
        {u"AND", u"AND"},
        {u"差值", u"Difference"},
        {u"变暗", u"Darken"},
        {u"变亮", u"Brighten"},
        {u"正片叠底", u"Multiply"},
        {u"反相相加", u"inverse multiply"},
        {u"线性光", u"Linear light"},
        {u"线性滤光", u"Linear filter"},
        {u"线性叠加", u"Linear multiply"},
        {u"溶解", u"Dissolve"},
        {u"反柔光", u"Reverse soft light"},
        {u"滤色", u"Screen"},
        {u"叠加", u"multiply"},
        {u"色相", u"Hue"},
        {u"饱和度", u"Saturation"},
        {u"亮度", u"Brightness"},
        {u"颜色", u"color"},
        {u"颜色加深", u"Color burn"},
        {u"颜色减淡", u"Color dodge"},
        {u"反加深", u"Inverse burn"},
        {u"柔光", u"Soft light"},
        {u"强光", u"Hard light"},
        {u"亮光", u"Vivid light"},
        {u"点光", u"Pin light"},
        {u"实色混合", u"Hard mix"},
        {u"线性加深", u"Linear burn"},
        {u"线性减淡", u"Linear dodge"},
        {u"排除", u"Exclusion"},
    }};
    for (size_t code = 0; code < names.size(); ++code) {
        const int k = 167 + int(code);
        EXPECT_EQ(LangString(LangSimplified + k), QString::fromUtf16(names[code].first))
            << "mode " << code;
        EXPECT_EQ(LangString(LangEnglish + k), QString::fromUtf16(names[code].second))
            << "mode " << code;
    }
}

// Filters keep their "description|pattern" pairs and the same patterns in
// every language; the save dialog picks the format by the filter index.
TEST(LangStrings, FiltersHaveTheSamePatternsInEveryLanguage) {
    for (int k : {39, 50}) {
        const QStringList english = LangString(LangEnglish + k).split(u'|');
        ASSERT_EQ(english.size() % 2, 0) << "k " << k;
        for (int base : {LangSimplified, LangTraditional}) {
            const QStringList parts = LangString(base + k).split(u'|');
            ASSERT_EQ(parts.size(), english.size()) << "id " << base + k;
            for (qsizetype i = 1; i < parts.size(); i += 2)
                EXPECT_EQ(parts[i], english[i]) << "id " << base + k << " part " << i;
        }
    }
    EXPECT_EQ(LangString(2039).split(u'|')[5], QStringLiteral(u"*.jpg;*.jpeg"));
}

// A Chinese caption that ends in a colon ends in the full-width one.
TEST(LangStrings, ChineseCaptionsEndInTheFullWidthColon) {
    for (int base : {LangSimplified, LangTraditional})
        for (int k = 1; k <= LangStringCount; ++k) {
            const QString text = LangString(base + k);
            EXPECT_FALSE(text.trimmed().endsWith(u':')) << "id " << base + k;
        }
}

// The Traditional block says each thing with the word Taiwanese programs
// use, never with the mainland word it was drafted from.
TEST(LangStrings, TraditionalTermsAreTheTaiwaneseOnes) {
    const char16_t* mainland[] = {u"蒙板", u"自定義", u"單擊", u"點選", u"雙擊", u"選中",
                                  u"選區", u"取消選擇", u"反向選擇", u"列表", u"文件"};
    for (int k = 1; k <= LangStringCount; ++k) {
        const QString text = LangString(LangTraditional + k);
        for (const char16_t* word : mainland)
            EXPECT_FALSE(text.contains(QString::fromUtf16(word)))
                << "id " << LangTraditional + k << " has " << QString::fromUtf16(word).toStdString();
    }
}

// Dialog titles are these captions without their last three characters.
TEST(LangStrings, CaptionsThatLoseThreeCharactersEndInDots) {
    for (int k : {86, 121, 125, 145})
        for (int base : Bases)
            EXPECT_TRUE(LoadLangStr(base + k).endsWith("...")) << "id " << base + k;
}

TEST(LangStrings, LangTextFollowsLangBase) {
    const int saved = LangBase;
    LangBase = LangTraditional;
    EXPECT_EQ(LangText(5), QStringLiteral(u"上一步(&U)"));
    LangBase = LangEnglish;
    EXPECT_EQ(LangText(5), QStringLiteral(u"&Back"));
    EXPECT_EQ(LangText(51), QStringLiteral(u"Velmo Balloon"));
    LangBase = LangSimplified;
    EXPECT_EQ(LangText(55), QStringLiteral(u"确定(&T)"));
    EXPECT_EQ(LangText(54), QStringLiteral(u"取消(&C)"));
    LangBase = saved;
}

TEST(LangStrings, LanguageForLocale) {
    const std::pair<const char*, int> cases[] = {
        {"de_DE", LangEnglish},      {"zh_TW", LangTraditional}, {"zh_HK", LangTraditional},
        {"zh_CN", LangSimplified},   {"zh_SG", LangSimplified},  {"en_US", LangEnglish},
        {"en_SG", LangEnglish},      // Singapore, but not Chinese
        {"zh_Hant_MO", LangEnglish}, // Macau is not among the Chinese choices
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(LanguageForLocale(QLocale(QString::fromLatin1(name))), expected) << name;
}

} // namespace
