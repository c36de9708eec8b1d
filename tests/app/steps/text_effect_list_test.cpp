#include "dialogs/dialog_test_support.h"
#include "lang_strings.h"
#include "steps/text_effect_list.h"
#include "velmo_assets.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <ostream>

namespace {

// The list's captions, tooltip and name in one language, as the string
// table has them.
struct LanguageCase {
    int base;
    const char16_t* rows[14];
    const char16_t* tip;
    const char16_t* name;
};

void PrintTo(const LanguageCase& c, std::ostream* os) {
    *os << languageName(c.base);
}

const LanguageCase languageCases[] = {
    {LangEnglish,
     {u"Remove text effect", u"Light drop shadow", u"Black blurred hollow letters",
      u"Red hollow letters", u"Glowing letter(golden yellow)", u"Glowing letter(white)",
      u"Golden yellow letter", u"Golden yellow glowing letter", u"Rainbow letter",
      u"Shadowed dark rainbow letter", u"Yellow letter with red glow",
      u"Letter with white stroke", u"Letter with light blue stroke", u"Custom..."},
     u"Double click to apply text effects", u"Text effect list"},
    {LangSimplified,
     {u"清除文字效果", u"轻度投影", u"黑色柔边空心字", u"红色空心字", u"发光字(金黄色)",
      u"发光字(白色)", u"金黄色字", u"金黄色发光字", u"彩虹字", u"暗调彩虹加投影", u"红光黄色字",
      u"白色描边字", u"浅蓝色描边字", u"自定义..."},
     u"双击应用文字效果", u"文字效果列表"},
    {LangTraditional,
     {u"清除文字效果", u"輕度投影", u"黑色柔邊空心字", u"紅色空心字", u"發光字(金黃色)",
      u"發光字(白色)", u"金黃色字", u"金黃色發光字", u"彩虹字", u"暗調彩虹加投影", u"紅光黃色字",
      u"白色描邊字", u"淺藍色描邊字", u"自訂..."},
     u"按兩下套用文字效果", u"文字效果清單"},
};

void expectCaptions(const TTextEffectList& list, const LanguageCase& c) {
    ASSERT_EQ(list.count(), 14);
    for (int row = 0; row < 14; ++row)
        EXPECT_EQ(list.item(row)->text(), QString::fromUtf16(c.rows[row])) << "row " << row;
    EXPECT_EQ(list.toolTip(), QString::fromUtf16(c.tip));
    EXPECT_EQ(list.accessibleName(), QString::fromUtf16(c.name));
}

class TextEffectListLanguageTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(TextEffectListLanguageTest, RowsAreCaptionedInTheLanguage) {
    const TLanguageScope language(GetParam().base);
    TTextEffectList list;
    expectCaptions(list, GetParam());
    // All fourteen rows show, the custom row last.
    for (int row = 0; row <= TTextEffectList::CustomRow; ++row)
        EXPECT_FALSE(list.item(row)->isHidden()) << row;
}

// An existing list follows a change of language when rebuilt.
TEST_P(TextEffectListLanguageTest, RebuildFollowsTheLanguage) {
    TLanguageScope english(LangEnglish);
    TTextEffectList list;
    const TLanguageScope language(GetParam().base);
    list.LoadTextZoom();
    expectCaptions(list, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Languages, TextEffectListLanguageTest, testing::ValuesIn(languageCases));

TEST(TextEffectList, CustomRowIsOfferedAndCanBeTakenBack) {
    const TLanguageScope language(LangEnglish);
    TTextEffectList list;
    ASSERT_EQ(list.count(), 14);
    // The layer style dialog is there: the last row is offered from the start.
    EXPECT_FALSE(list.item(TTextEffectList::CustomRow)->isHidden());
    EXPECT_EQ(list.item(TTextEffectList::CustomRow)->text(), QStringLiteral("Custom..."));
    list.CustomRowOffered = false;
    // The flag alone changes nothing until the rows are rebuilt.
    EXPECT_FALSE(list.item(TTextEffectList::CustomRow)->isHidden());
    list.LoadTextZoom();
    ASSERT_EQ(list.count(), 14);
    EXPECT_TRUE(list.item(TTextEffectList::CustomRow)->isHidden());
    list.CustomRowOffered = true;
    list.LoadTextZoom();
    EXPECT_FALSE(list.item(TTextEffectList::CustomRow)->isHidden());
}

TEST(TextEffectList, RebuildKeepsTheSelectedRow) {
    TLanguageScope english(LangEnglish);
    TTextEffectList list;
    EXPECT_EQ(list.currentRow(), -1);
    list.LoadTextZoom();
    EXPECT_EQ(list.currentRow(), -1);
    list.setCurrentRow(7);
    {
        const TLanguageScope chinese(LangSimplified);
        list.LoadTextZoom();
        EXPECT_EQ(list.currentRow(), 7);
        ASSERT_EQ(list.selectedItems().size(), 1);
        EXPECT_EQ(list.selectedItems().front()->text(), QStringLiteral("金黄色发光字"));
    }
    list.setCurrentRow(TTextEffectList::RemoveRow);
    list.LoadTextZoom();
    EXPECT_EQ(list.currentRow(), TTextEffectList::RemoveRow);
    // A custom row that is taken back does not stay selected unseen.
    list.CustomRowOffered = true;
    list.LoadTextZoom();
    list.setCurrentRow(TTextEffectList::CustomRow);
    list.LoadTextZoom();
    EXPECT_EQ(list.currentRow(), TTextEffectList::CustomRow);
    list.CustomRowOffered = false;
    list.LoadTextZoom();
    EXPECT_TRUE(list.selectedItems().isEmpty());
}

// The icon a row shows, as a 32-pixel picture; pictures are compared
// premultiplied, where transparent pixels of any colour are alike.
QImage rowIcon(const TTextEffectList& list, int row) {
    return list.item(row)->icon().pixmap(QSize(32, 32)).toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
}

TEST(TextEffectList, RowsShowTheirIconsAt32Pixels) {
    const TLanguageScope language(LangEnglish);
    TTextEffectList list;
    list.CustomRowOffered = true;
    list.LoadTextZoom();
    EXPECT_EQ(list.iconSize(), QSize(32, 32));
    ASSERT_EQ(list.count(), 14);
    const auto same = [&](int row, const QImage& expected) {
        const QImage shown = rowIcon(list, row);
        ASSERT_EQ(shown.size(), QSize(32, 32)) << row;
        ASSERT_EQ(expected.size(), QSize(32, 32)) << row;
        EXPECT_EQ(shown, expected.convertToFormat(QImage::Format_ARGB32_Premultiplied)) << row;
    };
    same(TTextEffectList::RemoveRow, velmo::ListIcon(QStringLiteral("Blank")));
    for (int row = 1; row <= 12; ++row)
        same(row, velmo::TextEffectIcon(row));
    same(TTextEffectList::CustomRow, velmo::ListIcon(QStringLiteral("CusImg")));
}

} // namespace
