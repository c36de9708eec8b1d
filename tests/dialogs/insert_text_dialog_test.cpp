#include "insert_text_dialog.h"

#include "circle_text_dialog.h"
#include "codepage.h"
#include "colour_box.h"
#include "dialog_services.h"
#include "dialog_test_support.h"
#include "freehand_text_dialog.h"
#include "program_strings.h"
#include "text_description.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

static_assert(ModalDialog<TForm7>);

// Records every message and dialog the insert-text dialog asks for and
// answers from what the test set.
class TTextDialogServices final : public TDialogServices {
public:
    QStringList Messages;
    QList<QUrl> HelpPages;
    QStringList Shown; // class names of the dialogs shown
    std::function<int(QDialog&)> Answer;

    int RunModal(QDialog& Dialog) override {
        Shown << QString::fromLatin1(Dialog.metaObject()->className());
        return Answer ? Answer(Dialog) : int(QDialog::Rejected);
    }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString& Text, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        Messages << Text;
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl& Page) override { HelpPages << Page; }
};

QToolButton* arrangementButton(TForm7& Dialog, int Arrangement) {
    for (size_t i = 0; i < TForm7::ButtonArrangements.size(); ++i)
        if (TForm7::ButtonArrangements[i] == Arrangement) return Dialog.ArrangementButtons[i];
    return nullptr;
}

void typeText(TForm7& Dialog, const QString& Text) {
    Dialog.Edit1->setPlainText(Text);
}

// The circle arrangement's message names the arrangement; short texts go
// nowhere, longer ones get spaces to spread them round the circle.
TEST(TForm7Test, CircleTextNeedsSixBytesAndShortTextsAreSpacedOut) {
    TLanguageScope english(LangEnglish);
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    clickAtLeft(arrangementButton(dialog, 3));
    EXPECT_EQ(dialog.Read().Arrangement, 3);

    typeText(dialog, QStringLiteral("ab"));
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0], LangText(81).replace(QStringLiteral("%s"), LangText(74)));
    EXPECT_TRUE(services.Messages[0].contains(LangText(74)));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Edit1->toPlainText(), QStringLiteral("ab"));

    struct Case {
        QString typed;
        QString taken;
    };
    const Case cases[] = {
        {QStringLiteral("abcdef"), QStringLiteral("a  b  c  d  e  f  ")},
        {QStringLiteral("abcdefghijkl"), QStringLiteral("a b c d e f g h i j k l ")},
        // Three Chinese characters are six bytes: two spaces after each.
        {QStringLiteral("气球上"), QStringLiteral("气  球  上  ")},
        {QStringLiteral("abcdefghijklmnop"), QStringLiteral("abcdefghijklmnop")},
        {QStringLiteral("abcdefghijklmnopq"), QStringLiteral("abcdefghijklmnopq")},
    };
    for (const Case& c : cases) {
        dialog.setResult(QDialog::Rejected);
        typeText(dialog, c.typed);
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.typed.toStdString();
        EXPECT_EQ(dialog.Read().Text, c.taken) << c.typed.toStdString();
        dialog.show();
    }
    EXPECT_EQ(services.Messages.size(), 1);
}

TEST(TForm7Test, PaddingCountsBytesBelow126AsCharacters) {
    // 126 and 127 start a two-byte character in the padding rule.
    EXPECT_EQ(textdesc::PadCircleText("a~bc"), std::string("a  ~b  c  "));
    EXPECT_EQ(textdesc::PadCircleText(std::string(8, 'x')), std::string("x  x  x  x  x  x  x  x  "));
    EXPECT_EQ(textdesc::PadCircleText(std::string(9, 'x')), std::string("x x x x x x x x x "));
    EXPECT_EQ(textdesc::PadCircleText(std::string(15, 'x')).size(), 30u);
    EXPECT_EQ(textdesc::PadCircleText(std::string(16, 'x')), std::string(16, 'x'));
}

// The four-letter arrangements (around a circle, arc, freehand) all need
// six bytes; the others take any text.
TEST(TForm7Test, ShortTextRuleCoversTheCircleArcAndFreehandArrangements) {
    TLanguageScope simplified(LangSimplified);
    for (int a : {0, 1, 3, 4, 5, 6}) {
        TTextDialogServices services;
        TForm7 dialog(services);
        TForm7Settings preset;
        preset.Text = QStringLiteral("中文");
        preset.Arrangement = a;
        dialog.Preset(preset);
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        const bool refused = a == 3 || a == 4 || a == 5;
        EXPECT_EQ(services.Messages.size(), refused ? 1 : 0) << a;
        EXPECT_EQ(dialog.result() == QDialog::Accepted, !refused) << a;
        if (refused) {
            EXPECT_EQ(services.Messages[0],
                      LangText(81).replace(QStringLiteral("%s"), dialog.Cb3->itemText(a)));
        }
    }
}

TEST(TForm7Test, SizeListChoosesTheSmoothing) {
    TTextDialogServices services;
    TForm7 dialog(services);
    EXPECT_EQ(dialog.CB2->count(), 150);
    EXPECT_EQ(dialog.CB2->itemText(99), QStringLiteral("100"));
    EXPECT_EQ(dialog.CB2->itemText(100), QStringLiteral("102"));
    EXPECT_EQ(dialog.CB2->itemText(149), QStringLiteral("200"));
    EXPECT_EQ(dialog.CB2->currentText(), QStringLiteral("100"));
    EXPECT_EQ(dialog.Read().Smoothing, 3);

    struct Case {
        const char* size;
        int smoothing;
    };
    for (const Case c : {Case{"8", 0}, Case{"10", 0}, Case{"11", 3}, Case{"150", 3},
                         Case{"200", 3}}) {
        const int index = dialog.CB2->findText(QString::fromLatin1(c.size));
        ASSERT_GE(index, 0) << c.size;
        dialog.CB2->setCurrentIndex(index);
        emit dialog.CB2->activated(index);
        EXPECT_EQ(dialog.Read().Smoothing, c.smoothing) << c.size;
    }
    // 202 is typed, not listed: choosing it the way the list does gives medium.
    dialog.CB2->setEditText(QStringLiteral("202"));
    dialog.CB2Click();
    EXPECT_EQ(dialog.Read().Smoothing, 2);
    EXPECT_EQ(TForm7::SmoothingForSize(202), 2);
    // Typing a size does not change the smoothing.
    dialog.CB2->setEditText(QStringLiteral("5"));
    EXPECT_EQ(dialog.Read().Smoothing, 2);
    // A size box without a number reads 0: no smoothing.
    dialog.CB2->setEditText(QString());
    dialog.CB2Click();
    EXPECT_EQ(dialog.Read().Smoothing, 0);
}

TEST(TForm7Test, StyleTogglesAndArrangementButtonsAreIndependent) {
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(arrangementButton(dialog, 0)->isChecked());
    clickAtLeft(dialog.SpeedButton2);
    EXPECT_TRUE(dialog.SpeedButton2->isChecked());
    EXPECT_TRUE(arrangementButton(dialog, 0)->isChecked());
    clickAtLeft(dialog.SpeedButton1);
    EXPECT_TRUE(dialog.SpeedButton1->isChecked() && dialog.SpeedButton2->isChecked());
    clickAtLeft(arrangementButton(dialog, 1));
    EXPECT_TRUE(dialog.SpeedButton2->isChecked());
    EXPECT_TRUE(dialog.SpeedButton1->isChecked());
    // Exactly one arrangement is down.
    int down = 0;
    for (QToolButton* b : dialog.ArrangementButtons) down += b->isChecked();
    EXPECT_EQ(down, 1);
    EXPECT_TRUE(arrangementButton(dialog, 1)->isChecked());
    const TForm7Settings s = dialog.Read();
    EXPECT_EQ(s.Arrangement, 1);
    EXPECT_TRUE(s.Italic);
    EXPECT_TRUE(s.Bold);
    EXPECT_FALSE(s.Underline);
    EXPECT_FALSE(s.StrikeOut);
}

TEST(TForm7Test, ArrangementRowShowsItsOwnControls) {
    TLanguageScope english(LangEnglish);
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto shown = [&](QWidget* w) { return w->isVisibleTo(&dialog); };
    // Horizontal and vertical: the two spacings.
    for (int a : {0, 6}) {
        clickAtLeft(arrangementButton(dialog, a));
        EXPECT_TRUE(shown(dialog.SpinEdit2) && shown(dialog.SpinEdit3) && shown(dialog.Label9)) << a;
        EXPECT_FALSE(shown(dialog.TB1) || shown(dialog.SpinEdit1) || shown(dialog.Button1)) << a;
        EXPECT_EQ(dialog.Label4->text(), LangText(80));
    }
    clickAtLeft(arrangementButton(dialog, 1));
    EXPECT_TRUE(shown(dialog.TB1) && shown(dialog.SpinEdit1) && shown(dialog.Label4));
    EXPECT_EQ(dialog.Label4->text(), LangText(65));
    EXPECT_FALSE(shown(dialog.SpinEdit2) || shown(dialog.Button1));
    clickAtLeft(arrangementButton(dialog, 3));
    EXPECT_FALSE(shown(dialog.Label4) || shown(dialog.TB1) || shown(dialog.Button1));
    clickAtLeft(arrangementButton(dialog, 4));
    EXPECT_TRUE(shown(dialog.Button1));
    EXPECT_EQ(dialog.Button1->text(), LangText(64));
    clickAtLeft(arrangementButton(dialog, 5));
    EXPECT_TRUE(shown(dialog.Button1));
    EXPECT_EQ(dialog.Button1->text(), LangText(235));
    EXPECT_EQ(dialog.Read().Smoothing, 2);
    // The slider and the angle box follow each other.
    clickAtLeft(arrangementButton(dialog, 1));
    dialog.TB1->setValue(-45);
    EXPECT_EQ(dialog.SpinEdit1->value(), -45);
    dialog.SpinEdit1->setValue(200);
    EXPECT_EQ(dialog.TB1->value(), 200);
    EXPECT_EQ(dialog.Read().Angle, 200);
    // Hints name the arrangements.
    EXPECT_EQ(arrangementButton(dialog, 4)->toolTip(), LangText(75));
    EXPECT_EQ(arrangementButton(dialog, 5)->toolTip(), LangText(234));
}

TEST(TForm7Test, CircleButtonOpensTheCircleSettingsAtOnceForLongerTexts) {
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    typeText(dialog, QStringLiteral("abcde"));
    clickAtLeft(arrangementButton(dialog, 4));
    EXPECT_TRUE(services.Shown.isEmpty());
    EXPECT_TRUE(dialog.Button1->isVisibleTo(&dialog));

    clickAtLeft(arrangementButton(dialog, 0));
    typeText(dialog, QStringLiteral("abcdef"));
    // The circle dialog gets the settings made before: size 300, start 90.
    TForm7Settings preset = dialog.Read();
    preset.Arrangement = 0;
    preset.CircleSettings = 300 * 65536 + 90;
    preset.CircleFlip = true;
    dialog.Preset(preset);
    TForm76Settings seen;
    services.Answer = [&](QDialog& d) {
        auto& circle = dynamic_cast<TForm76&>(d);
        seen = circle.Read();
        TForm76Settings changed = seen;
        changed.CircleSize = 250;
        changed.StartAngle = 30;
        changed.Flip = false;
        circle.Preset(changed);
        return int(QDialog::Accepted);
    };
    clickAtLeft(arrangementButton(dialog, 4));
    ASSERT_EQ(services.Shown, QStringList{QStringLiteral("TForm76")});
    EXPECT_EQ(seen.CircleSize, 300);
    EXPECT_EQ(seen.StartAngle, 90);
    EXPECT_TRUE(seen.Flip);
    EXPECT_EQ(seen.CmText, QStringLiteral("15.24"));
    EXPECT_EQ(seen.Style.Arrangement, 4);
    EXPECT_EQ(seen.Style.Color, 0xFFFFFFu);
    EXPECT_EQ(TextOf(seen.Style), std::string("abcdef"));
    const TForm7Settings after = dialog.Read();
    EXPECT_EQ(after.CircleSettings, 250 * 65536 + 30);
    EXPECT_FALSE(after.CircleFlip);
}

// Without a circle of its own the text's width chooses one: size w / pi
// within 100 .. 500, and a start angle that centres the text at the top.
TEST(TForm7Test, CircleSettingsChosenFromTheTextWidth) {
    TTextDialogServices services;
    TForm7 dialog(services);
    TForm7Settings preset;
    preset.Text = QString(40, QLatin1Char('W'));
    preset.SizeText = QStringLiteral("60");
    dialog.Preset(preset);
    TForm76Settings seen;
    services.Answer = [&](QDialog& d) {
        seen = dynamic_cast<TForm76&>(d).Read();
        return int(QDialog::Rejected);
    };
    dialog.Cb3->setCurrentIndex(4);
    dialog.Button1Click();
    ASSERT_EQ(services.Shown.size(), 1);
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(dialog.Read());
    ASSERT_TRUE(style);
    const double w = QFontMetrics(TlxImage::TextFont(*style))
                         .horizontalAdvance(QString(40, QLatin1Char('W')));
    // Forty wide letters at 60 points are far wider than 100 * pi pixels.
    ASSERT_GT(w, 100 * 3.1416);
    const int size = std::clamp(int(std::lround(w / 3.14159265358979)), 100, 500);
    EXPECT_EQ(seen.CircleSize, size);
    EXPECT_EQ(seen.StartAngle,
              std::clamp(int(std::lround(360 - w / (size * 2 * 3.14159265358979 / 360) / 2)), 0, 360));
    // Cancelled: nothing changes.
    EXPECT_EQ(dialog.Read().CircleSettings, 0);
}

TEST(TForm7Test, FreehandDialogRunsAgainWhenTheTextChangedAfterADrawing) {
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    std::vector<TForm96Settings> handed;
    services.Answer = [&](QDialog& d) {
        auto& freehand = dynamic_cast<TForm96&>(d);
        TForm96Settings s = freehand.Read();
        handed.push_back(s);
        for (size_t i = 0; i < s.CharTexts.size(); ++i) {
            s.CharPoints[i] = QPoint(10 + 20 * int(i), 30);
            s.CharAngles[i] = int(i) * 5;
        }
        s.PlacedCount = int(s.CharTexts.size());
        s.Placing = false;
        freehand.Preset(s);
        return int(QDialog::Accepted);
    };
    typeText(dialog, QStringLiteral("ab气球"));
    clickAtLeft(arrangementButton(dialog, 5));
    dialog.Button1Click();
    ASSERT_EQ(handed.size(), 1u);
    // Bytes below 128 are characters of their own, the rest come in pairs.
    EXPECT_EQ(handed[0].CharTexts, (std::vector<std::string>{"a", "b", lx::toGbk(QStringLiteral("气")),
                                                             lx::toGbk(QStringLiteral("球"))}));
    EXPECT_TRUE(handed[0].Placing);
    EXPECT_EQ(handed[0].PlacedCount, 0);
    EXPECT_EQ(dialog.Read().FreehandCount, 4);
    EXPECT_EQ(dialog.Read().FreehandPoints[3], QPoint(70, 30));

    // Unchanged text: the earlier drawing is handed back, already placed.
    dialog.Button1Click();
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_FALSE(handed[1].Placing);
    EXPECT_EQ(handed[1].PlacedCount, 4);
    EXPECT_EQ(handed[1].CharPoints[2], QPoint(50, 30));

    // OK with an unchanged text closes at once.
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(handed.size(), 2u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // A changed text is drawn again before OK closes the dialog.
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    typeText(dialog, QStringLiteral("abcdefg"));
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    ASSERT_EQ(handed.size(), 3u);
    EXPECT_TRUE(handed[2].Placing);
    EXPECT_EQ(handed[2].CharTexts.size(), 7u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Read().FreehandCount, 7);

    // Cancelling that drawing keeps the dialog open.
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    typeText(dialog, QStringLiteral("abcdefgh"));
    services.Answer = [](QDialog&) { return int(QDialog::Rejected); };
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(services.Shown.size(), 4);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Read().FreehandCount, 7);
}

TEST(TForm7Test, FreehandHandsOverAtMostAHundredCharacters) {
    const std::string text(150, 'x');
    EXPECT_EQ(textdesc::FreehandCharacters(text).size(), 100u);
    // A lone lead byte at the end is one character.
    const std::vector<std::string> odd = textdesc::FreehandCharacters(std::string("a\xC6"));
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[1], std::string("\xC6"));
}

TEST(TForm7Test, DefaultFontFollowsTheLanguage) {
    {
        TLanguageScope simplified(LangSimplified);
        TTextDialogServices services;
        TForm7 dialog(services);
        if (TlxImage::FontDrawable(lx::toGbk(QStringLiteral("宋体"))))
            EXPECT_EQ(dialog.Cb1->currentText(), QStringLiteral("宋体"));
    }
    {
        // The Traditional Chinese list has no "宋体": the dialog takes
        // "細明體", drawn by an installed look-alike.
        TLanguageScope traditional(LangTraditional);
        TTextDialogServices services;
        TForm7 dialog(services);
        ASSERT_LT(dialog.Cb1->findText(QStringLiteral("宋体")), 0);
        ASSERT_TRUE(TlxImage::FontDrawable(lx::toGbk(QStringLiteral("細明體"))));
        EXPECT_EQ(dialog.Cb1->currentText(), QStringLiteral("細明體"));
        EXPECT_EQ(dialog.Read().FontName, QStringLiteral("細明體"));
    }
}

TEST(TForm7Test, OpensReadyForTypingWithEachFamilyListedOnce) {
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    EXPECT_EQ(dialog.focusWidget(), dialog.Edit1);
    QStringList names;
    for (int i = 0; i < dialog.Cb1->count(); ++i) names << dialog.Cb1->itemText(i);
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
    for (const QString& n : names) EXPECT_FALSE(n.endsWith(QLatin1Char(']'))) << n.toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("DejaVu Sans")));
}

TEST(TForm7Test, AFontTheMachineLacksStaysTheTextsFont) {
    TTextDialogServices services;
    TForm7 dialog(services);
    TForm7Settings preset;
    preset.FontName = QStringLiteral("Some Font Nobody Has");
    dialog.Preset(preset);
    EXPECT_EQ(dialog.Read().FontName, preset.FontName);
}

TEST(TForm7Test, TextsThatCannotBeDrawnKeepTheDialogOpen) {
    TLanguageScope english(LangEnglish);
    TTextDialogServices services;
    TForm7 dialog(services);
    TForm7Settings preset;
    preset.Text = QString(300, QLatin1Char('M'));
    preset.SizeText = QStringLiteral("1000");
    dialog.Preset(preset);
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0], ProgramText(PsTextTooLarge));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Edit1->toPlainText(), preset.Text);

    for (const char* size : {"", "0", "1001"}) {
        services.Messages.clear();
        preset.Text = QStringLiteral("abc");
        preset.SizeText = QString::fromLatin1(size);
        dialog.Preset(preset);
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        ASSERT_EQ(services.Messages.size(), 1) << size;
        EXPECT_EQ(services.Messages[0], ProgramText(PsTextSizeInvalid).arg(TForm7::LargestSize));
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
}

// Ticked, the memo shows the text in the chosen style and colour; unticked
// it has the dialog's own font again.
TEST(TForm7Test, MemoShowsTheFontWhenAsked) {
    TTextDialogServices services;
    TForm7 dialog(services);
    TForm7Settings preset;
    preset.SizeText = QStringLiteral("24");
    preset.Color = QColor(0, 128, 0);
    dialog.Preset(preset);
    EXPECT_FALSE(dialog.Edit1->font().bold());
    dialog.SpeedButton1->click();
    EXPECT_FALSE(dialog.Edit1->font().bold());
    dialog.CheckBox1->click();
    EXPECT_TRUE(dialog.Edit1->font().bold());
    EXPECT_EQ(dialog.Edit1->font().pointSize(), 24);
    EXPECT_EQ(dialog.Edit1->palette().color(QPalette::Text), QColor(0, 128, 0));
    dialog.SpeedButton3->click();
    EXPECT_TRUE(dialog.Edit1->font().underline());
    dialog.CheckBox1->click();
    EXPECT_FALSE(dialog.Edit1->font().bold());
    EXPECT_FALSE(dialog.Edit1->font().underline());
    EXPECT_EQ(dialog.Edit1->font(), dialog.font());
}

TEST(TForm7Test, SizeBoxTakesDigitsOnly) {
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.CB2->setEditText(QString());
    QTest::keyClicks(dialog.CB2->lineEdit(), QStringLiteral("1a2.-3"));
    EXPECT_EQ(dialog.CB2->currentText(), QStringLiteral("123"));
}

TEST(TForm7Test, MemoHoldsAtMostTwoThousandCharacters) {
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.Edit1->setPlainText(QString(2500, QLatin1Char('z')));
    EXPECT_EQ(dialog.Edit1->toPlainText().size(), 2000);
}

TEST(TForm7Test, HelpButtonShowsOnlyWithTheHelpPages) {
    TTextDialogServices services;
    TForm7 dialog(services);
    EXPECT_FALSE(dialog.BitBtn3->isVisibleTo(&dialog));
    dialog.SetHelpFolder(QStringLiteral("/no/such/folder/velmo.chm"));
    EXPECT_FALSE(dialog.BitBtn3->isVisibleTo(&dialog));
    QTemporaryDir folder;
    dialog.SetHelpFolder(folder.path());
    EXPECT_TRUE(dialog.BitBtn3->isVisibleTo(&dialog));
    const struct {
        int base;
        const char* page;
    } pages[] = {{LangSimplified, "intext.htm"},
                 {LangTraditional, "big5/intext.htm"},
                 {LangEnglish, "english/intext.htm"}};
    for (const auto& p : pages) {
        TLanguageScope language(p.base);
        services.HelpPages.clear();
        dialog.BitBtn3Click();
        ASSERT_EQ(services.HelpPages.size(), 1);
        EXPECT_EQ(services.HelpPages[0],
                  QUrl::fromLocalFile(QDir(folder.path()).filePath(QString::fromLatin1(p.page))));
    }
}

TEST(TForm7Test, SampleShowsTheTextInItsColour) {
    TTextDialogServices services;
    TForm7 dialog(services);
    TForm7Settings preset;
    preset.Text = QStringLiteral("Hi");
    preset.SizeText = QStringLiteral("40");
    preset.Color = QColor(200, 0, 0);
    dialog.Preset(preset);
    const QImage& sample = dialog.SampleBitmap();
    ASSERT_FALSE(sample.isNull());
    // Cut to the letters: some pixel in every edge row and column is ink.
    auto rowInked = [&](int y) {
        for (int x = 0; x < sample.width(); ++x)
            if (sample.constScanLine(y)[x]) return true;
        return false;
    };
    EXPECT_TRUE(rowInked(0));
    EXPECT_TRUE(rowInked(sample.height() - 1));
    ASSERT_NE(dialog.Sample->pixmap().toImage().isNull(), true);
    const QImage shown = dialog.Sample->pixmap().toImage();
    bool red = false;
    for (int y = 0; y < shown.height() && !red; ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 40 && c.blue() < 40) red = true;
        }
    EXPECT_TRUE(red);
    // An empty text shows nothing.
    dialog.Edit1->clear();
    dialog.UpdateSampleNow();
    EXPECT_TRUE(dialog.SampleBitmap().isNull());
}

TEST(TForm7Test, LayoutFitsInEveryLanguage) {
    for (int base : {LangSimplified, LangTraditional, LangEnglish}) {
        TLanguageScope language(base);
        TTextDialogServices services;
        TForm7 dialog(services);
        for (int a : {0, 1, 3, 4, 5}) {
            TForm7Settings preset;
            preset.Arrangement = a;
            dialog.Preset(preset);
            expectTidyFixedLayout(dialog, std::string(languageName(base)) + " arrangement " +
                                              std::to_string(a));
        }
    }
}

// ---- the description made from the dialog's values ----

TEST(TextDescriptionTest, ArrangementsStoreTheirSettingsInParam) {
    TForm7Settings s;
    s.Text = QStringLiteral("one\ntwo");
    s.FontName = QStringLiteral("宋体");
    s.SizeText = QStringLiteral("36");
    s.Color = QColor(0x12, 0x34, 0x56);
    s.Bold = true;
    s.StrikeOut = true;
    s.Angle = -30;
    s.LetterSpacing = -3;
    s.LineSpacing = 5;
    s.CircleSettings = 300 * 65536 + 90;
    s.CircleFlip = true;
    s.Smoothing = 1;

    s.Arrangement = 0;
    std::optional<TlxTextStyle> d = textdesc::TextDescription(s);
    ASSERT_TRUE(d);
    EXPECT_EQ(TextOf(*d), std::string("one\r\ntwo"));
    EXPECT_EQ(FontNameOf(*d), lx::toGbk(QStringLiteral("宋体")));
    EXPECT_EQ(d->Size, 36);
    EXPECT_EQ(d->Color, 0x563412u);
    EXPECT_EQ(d->Bold, 1);
    EXPECT_EQ(d->Italic, 0);
    EXPECT_EQ(d->StrikeOut, 1);
    EXPECT_EQ(d->Smoothing, 1);
    // (5 and 0xFFFF) * 65536 + (-3 and 0xFFFF)
    EXPECT_EQ(uint32_t(d->Param), 0x0005FFFDu);
    EXPECT_EQ(d->Reverse, 0);
    s.Arrangement = 6;
    EXPECT_EQ(uint32_t(textdesc::TextDescription(s)->Param), 0x0005FFFDu);
    for (int a : {1, 2, 3}) {
        s.Arrangement = a;
        EXPECT_EQ(textdesc::TextDescription(s)->Param, -30) << a;
    }
    s.Arrangement = 4;
    d = textdesc::TextDescription(s);
    EXPECT_EQ(d->Param, 19660890);
    EXPECT_EQ(d->Reverse, 1);
    s.SizeText = QStringLiteral("big");
    EXPECT_FALSE(textdesc::TextDescription(s));
}

TEST(TextDescriptionTest, FreehandPlacesFollowTheTextBigEndian) {
    TForm7Settings s;
    s.Text = QStringLiteral("ab");
    s.Arrangement = 5;
    s.FreehandCount = 2;
    s.FreehandPoints[0] = QPoint(0x01020304, -2);
    s.FreehandAngles[0] = 45;
    s.FreehandPoints[1] = QPoint(300, 400);
    s.FreehandAngles[1] = -90;
    const std::optional<TlxTextStyle> d = textdesc::TextDescription(s);
    ASSERT_TRUE(d);
    const auto* b = reinterpret_cast<const uint8_t*>(d->Text);
    EXPECT_EQ(b[600], 0x01);
    EXPECT_EQ(b[601], 0x02);
    EXPECT_EQ(b[602], 0x03);
    EXPECT_EQ(b[603], 0x04);
    for (int i = 604; i < 607; ++i) EXPECT_EQ(b[i], 0xFF) << i; // -2 = FF FF FF FE
    EXPECT_EQ(b[607], 0xFE);
    EXPECT_EQ(b[611], 45);
    EXPECT_EQ(b[612 + 2], 0x01); // 300 = 0x12C
    EXPECT_EQ(b[612 + 3], 0x2C);
    EXPECT_EQ(b[620], 0xFF);     // -90
    EXPECT_EQ(b[623], 0xA6);

    // Read back for editing again: the places come back with the text.
    const TForm7Settings back = textdesc::SettingsFromDescription(*d);
    EXPECT_EQ(back.Text, QStringLiteral("ab"));
    EXPECT_EQ(back.Arrangement, 5);
    EXPECT_EQ(back.FreehandCount, 2);
    EXPECT_EQ(back.FreehandPoints[0], QPoint(0x01020304, -2));
    EXPECT_EQ(back.FreehandAngles[1], -90);
    EXPECT_EQ(back.FreehandPoints[1], QPoint(300, 400));
}

TEST(TextDescriptionTest, EditingAgainReadsEveryValueBack) {
    TForm7Settings s;
    s.Text = QStringLiteral("第一行\n2nd");
    s.FontName = QStringLiteral("DejaVu Sans");
    s.SizeText = QStringLiteral("48");
    s.Color = QColor(10, 20, 30);
    s.Italic = true;
    s.Underline = true;
    s.LetterSpacing = 7;
    s.LineSpacing = -4;
    s.Smoothing = 2;
    s.Arrangement = 6;
    const TForm7Settings back = textdesc::SettingsFromDescription(*textdesc::TextDescription(s));
    EXPECT_EQ(back.Text, s.Text);
    EXPECT_EQ(back.FontName, s.FontName);
    EXPECT_EQ(back.SizeText, s.SizeText);
    EXPECT_EQ(back.Color, s.Color);
    EXPECT_TRUE(back.Italic && back.Underline && !back.Bold && !back.StrikeOut);
    EXPECT_EQ(back.LetterSpacing, 7);
    EXPECT_EQ(back.LineSpacing, -4);
    EXPECT_EQ(back.Smoothing, 2);
    EXPECT_EQ(back.Arrangement, 6);

    // The dialog preset from it shows the same values.
    TTextDialogServices services;
    TForm7 dialog(services);
    dialog.Preset(back);
    const TForm7Settings shown = dialog.Read();
    EXPECT_EQ(shown.Text, s.Text);
    EXPECT_EQ(shown.SizeText, s.SizeText);
    EXPECT_EQ(shown.Color, s.Color);
    EXPECT_EQ(shown.LetterSpacing, 7);
    EXPECT_EQ(shown.LineSpacing, -4);
    EXPECT_EQ(shown.Smoothing, 2);
    EXPECT_EQ(shown.Arrangement, 6);
    EXPECT_TRUE(arrangementButton(dialog, 6)->isChecked());
}

} // namespace
