#include "app/layout_faults.h"
#include "app/window_fixture.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "main_window.h"
#include "widgets/step_pages.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

namespace {

class MainWindowTest : public WindowTest {};

TEST_F(MainWindowTest, LanguageFollowsTheSystemLocale) {
    struct Case {
        QLocale locale;
        int base;
        const char* checked;
    };
    const Case cases[] = {
        {QLocale(QLocale::German, QLocale::Germany), LangEnglish, "English1"},
        {QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan),
         LangTraditional, "N11"},
        {QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China),
         LangSimplified, "N10"},
    };
    for (const Case& c : cases) {
        QLocale::setDefault(c.locale);
        TVelmoBalloonForm w(services);
        EXPECT_EQ(LangBase, c.base) << c.checked;
        EXPECT_TRUE(w.findChild<QAction*>(QString::fromLatin1(c.checked))->isChecked());
        EXPECT_EQ(w.windowTitle(), LangText(51));
        EXPECT_EQ(w.BitBtn4->text(), LangText(6));
    }
}

TEST_F(MainWindowTest, HelpOpensThePageOfTheLanguage) {
    auto w = window();
    const struct {
        void (TVelmoBalloonForm::*command)();
        const char* page;
    } cases[] = {{&TVelmoBalloonForm::English1Click, "/english/index.htm"},
                 {&TVelmoBalloonForm::N11Click, "/big5/index.htm"},
                 {&TVelmoBalloonForm::N10Click, "/velmo.chm/index.htm"}};
    for (const auto& c : cases) {
        ((*w).*c.command)();
        services.HelpPages.clear();
        w->Button4Click();
        ASSERT_EQ(services.HelpPages.size(), 1) << c.page;
        const QUrl opened = services.HelpPages[0];
        EXPECT_TRUE(opened.toLocalFile().endsWith(QString::fromLatin1(c.page)))
            << opened.toString().toStdString();
    }
}

TEST_F(MainWindowTest, LanguageSwitchKeepsTheStepAndRecaptions) {
    auto w = window();
    chooseTemplate(*w, 3);
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    w->N10Click();
    EXPECT_EQ(w->CurrentStep(), 1);
    EXPECT_EQ(LangBase, LangSimplified);
    EXPECT_EQ(w->BitBtn3->text(), LangString(105));
    EXPECT_EQ(w->PageControl1->tabText(1), LangString(362));
    w->N11Click();
    EXPECT_EQ(w->BitBtn3->text(), QString::fromUtf8("上一步(&U)"));
    EXPECT_EQ(w->CurrentStep(), 1);
    EXPECT_TRUE(w->BitBtn3->isVisible());

    // Next and Back walk through the steps; the layers stay.
    next(*w);
    EXPECT_EQ(w->CurrentStep(), 2);
    EXPECT_FALSE(w->BitBtn4->isVisible());
    back(*w);
    EXPECT_EQ(w->CurrentStep(), 1);
    back(*w);
    EXPECT_EQ(w->CurrentStep(), 0);
    EXPECT_FALSE(w->BitBtn3->isVisible());
    EXPECT_EQ(w->lxImg->LayersCount, 1);
}

TEST_F(MainWindowTest, ProgressEventsDriveTheBar) {
    auto w = window();
    TlxImageVcl& doc = *w->lxImg;
    doc.OnShowProgressBox(&doc, 0, 1);
    EXPECT_TRUE(w->Pb1->isVisible());
    doc.OnProgress(&doc, 400, 100);
    EXPECT_EQ(w->Pb1->value(), 2500);
    doc.OnProgress(&doc, 0, 7); // no maximum: the bar stays as it was
    EXPECT_EQ(w->Pb1->value(), 2500);
    doc.OnProgress(&doc, 3, 1); // 3333.3 rounds to 3333
    EXPECT_EQ(w->Pb1->value(), 3333);
    doc.OnShowProgressBox(&doc, 0, 0);
    EXPECT_FALSE(w->Pb1->isVisible());
}

// Both steps in every language, at the smallest common laptop screen and at
// a large one, show every control whole, apart from its neighbours and with
// room for its caption.
TEST_F(MainWindowTest, ScreensOfBothStepsInEveryLanguage) {
    const struct {
        void (TVelmoBalloonForm::*command)();
        const char* name;
    } languages[] = {{&TVelmoBalloonForm::English1Click, "English"},
                     {&TVelmoBalloonForm::N10Click, "Simplified Chinese"},
                     {&TVelmoBalloonForm::N11Click, "Traditional Chinese"}};
    const QSize sizes[] = {{1366, 768}, {2560, 1440}};
    for (const QSize size : sizes) {
        for (const auto& l : languages) {
            auto w = window();
            w->resize(size);
            ((*w).*l.command)();
            QApplication::processEvents();
            const QString where = QStringLiteral("%1 at %2x%3")
                                      .arg(QString::fromLatin1(l.name))
                                      .arg(size.width())
                                      .arg(size.height());
            ASSERT_EQ(w->size(), size) << where.toStdString();
            // The controls each step offers are on screen, so the checks reach them.
            for (const char* name : {"Label1", "Label2", "Label10", "Edit1", "ColorBox1",
                                     "ListView4", "BitBtn4", "Button2"})
                EXPECT_TRUE(child<QWidget>(w.get(), name)->isVisible()) << name;
            EXPECT_FALSE(w->grab().toImage().isNull());
            EXPECT_EQ(LayoutFaults(*w), QStringList()) << "step 1, " << where.toStdString();

            chooseTemplate(*w, 2);
            next(*w);
            ASSERT_EQ(w->CurrentStep(), 1);
            QApplication::processEvents();
            for (const char* name : {"ScrollBox1", "Image2", "Button4", "BitBtn3", "BitBtn4"})
                EXPECT_TRUE(child<QWidget>(w.get(), name)->isVisible()) << name;
            EXPECT_FALSE(w->grab().toImage().isNull());
            EXPECT_EQ(LayoutFaults(*w), QStringList()) << "step 2, " << where.toStdString();
        }
    }
}

} // namespace
