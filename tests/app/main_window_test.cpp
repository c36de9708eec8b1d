#include "app/layout_faults.h"
#include "app/window_fixture.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "main_window.h"
#include "qt_translations.h"
#include "widgets/step_click_guard.h"
#include "widgets/step_pages.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
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

// The second click of a double click on Next lands on the Next of the page
// that has just appeared; it is ignored. A click after the double-click
// interval is a click of its own. The same holds for Back.
TEST_F(MainWindowTest, DoubleClickOnAStepButtonMovesOneStep) {
    const int interval = window()->StepGuard->Interval;
    EXPECT_EQ(interval, QApplication::doubleClickInterval());
    ASSERT_GT(interval, 0);
    const struct {
        const char* what;
        int gap; // milliseconds between the two clicks
        int stepsAfterNext;
        int stepsAfterBack;
    } cases[] = {
        {"double click", interval / 4, 1, 1},
        {"just inside the interval", interval, 1, 1},
        {"two clicks apart", interval + 1, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto w = window();
        QPushButton* nextButton = child<QPushButton>(w.get(), "BitBtn4");
        QPushButton* backButton = child<QPushButton>(w.get(), "BitBtn3");
        pause();
        QTest::mouseClick(nextButton, Qt::LeftButton);
        clock += c.gap;
        QTest::mouseClick(nextButton, Qt::LeftButton);
        EXPECT_EQ(w->CurrentStep(), c.stepsAfterNext);

        // Back, from step 3.
        if (w->CurrentStep() == 1) next(*w);
        ASSERT_EQ(w->CurrentStep(), 2);
        pause();
        QTest::mouseClick(backButton, Qt::LeftButton);
        clock += c.gap;
        QTest::mouseClick(backButton, Qt::LeftButton);
        EXPECT_EQ(w->CurrentStep(), c.stepsAfterBack);
    }
}

// A refused size changes no step, so the click that follows the message is
// not taken for the second half of a double click.
TEST_F(MainWindowTest, RefusedSizeDoesNotHoldTheNextClick) {
    auto w = window();
    QLineEdit* width = child<QLineEdit>(w.get(), "Edit1");
    width->setText("0");
    pause();
    QTest::mouseClick(w->BitBtn4, Qt::LeftButton);
    ASSERT_EQ(services.Messages.size(), 1);
    width->setText("19");
    clock += 1;
    QTest::mouseClick(w->BitBtn4, Qt::LeftButton);
    EXPECT_EQ(w->CurrentStep(), 1);
}

// Qt's own texts (here the "No" button of message boxes) follow the
// language, and are English again after switching back.
TEST_F(MainWindowTest, QtsOwnTextsFollowTheLanguage) {
    for (int base : {LangSimplified, LangTraditional}) {
        const QString file = QFileInfo(TQtTranslations::Folder() + "/" +
                                       TQtTranslations::FileFor(base) + ".qm")
                                 .absoluteFilePath();
        if (!QFileInfo::exists(file)) GTEST_SKIP() << "not installed: " << qPrintable(file);
    }
    const auto no = [] { return QCoreApplication::translate("QPlatformTheme", "&No"); };
    const auto chinese = [](const QString& text) {
        for (QChar ch : text)
            if (ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF) return true;
        return false;
    };
    ASSERT_EQ(no(), "&No");
    auto w = window();
    w->N10Click();
    const QString simplified = no();
    EXPECT_TRUE(chinese(simplified)) << qPrintable(simplified);
    w->N11Click();
    EXPECT_TRUE(chinese(no())) << qPrintable(no());
    w->English1Click();
    EXPECT_EQ(no(), "&No");
    // Switched over and back: one translation installed at a time.
    w->N10Click();
    w->N11Click();
    w->N10Click();
    EXPECT_EQ(no(), simplified);
    w->English1Click();
    EXPECT_EQ(no(), "&No");
    // A window that goes takes its translation with it.
    w->N10Click();
    w.reset();
    EXPECT_EQ(no(), "&No");
}

} // namespace
