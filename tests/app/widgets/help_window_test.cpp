#include "lang_strings.h"
#include "user_interface_services.h"
#include "widgets/help_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {

// Two pages that link to each other, the second in a sub-folder.
class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir("english"));
        write("index.htm", "<html><body><h1>Start page</h1>"
                           "<p><a href=\"english/other.htm\">other</a></p></body></html>");
        write("english/other.htm", "<html><body><h1>Other page</h1>"
                                   "<p><a href=\"../index.htm#top\">back</a></p></body></html>");
        savedBase = LangBase;
    }
    void TearDown() override { LangBase = savedBase; }

    void write(const char* name, const char* html) {
        QFile f(QDir(dir.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html);
    }
    QUrl page(const char* name) const {
        return QUrl::fromLocalFile(QDir(dir.path()).filePath(QString::fromLatin1(name)));
    }

    QTemporaryDir dir;
    int savedBase = LangEnglish;
};

TEST_F(HelpWindowTest, HelpOpensInOneReusedWindowOfTheProgram) {
    TQtUiServices services;
    EXPECT_EQ(services.HelpWindow(), nullptr); // nothing until help is asked for
    LangBase = LangEnglish;
    services.OpenHelp(page("index.htm"));
    THelpWindow* window = services.HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), "Help");
    QTextBrowser* browser = window->findChild<QTextBrowser*>("HelpBrowser");
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source(), page("index.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("Start page"));

    // Asked again in another language: the same window, the new caption.
    LangBase = LangSimplified;
    services.OpenHelp(page("english/other.htm"));
    EXPECT_EQ(services.HelpWindow(), window);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("帮助"));
    EXPECT_TRUE(browser->toPlainText().contains("Other page"));
    LangBase = LangTraditional;
    services.OpenHelp(page("index.htm"));
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("說明"));

    // Closed by the user and asked for once more: shown again.
    window->close();
    EXPECT_FALSE(window->isVisible());
    services.OpenHelp(page("index.htm"));
    EXPECT_EQ(services.HelpWindow(), window);
    EXPECT_TRUE(window->isVisible());
}

// Help asked for from a modal dialog (the insert-text dialog's help button)
// must not land in a window that dialog blocks.
TEST_F(HelpWindowTest, HelpFromAModalDialogOpensInAWindowOfThatDialog) {
    TQtUiServices services;
    LangBase = LangEnglish;
    QDialog dialog;
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    services.OpenHelp(page("index.htm"));
    EXPECT_EQ(services.HelpWindow(), nullptr);
    THelpWindow* help = dialog.findChild<THelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isWindow());
    EXPECT_TRUE(help->isVisible());
    QTextBrowser* browser = help->findChild<QTextBrowser*>("HelpBrowser");
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains("Start page"));
    dialog.reject();
}

// A link of a page opens the linked page in the same window, also across
// folders and back with a fragment.
TEST_F(HelpWindowTest, LinksBetweenPagesAreFollowed) {
    THelpWindow window;
    window.ShowPage(page("index.htm"), "Help");
    QTextBrowser* browser = window.HelpBrowser;
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab); // moves the focus onto the link
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_EQ(browser->source(), page("english/other.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("Other page"));
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_EQ(browser->source().adjusted(QUrl::RemoveFragment), page("index.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("Start page"));
}

TEST(CaptionWithoutAccelerator, DropsTheKeyMarks) {
    const struct {
        const char* caption;
        const char* expected;
    } cases[] = {
        {"&Help", "Help"},
        {"帮助(&H)", "帮助"},
        {"說明 (&H)", "說明"},
        {"Save && print", "Save & print"},
        {"Plain", "Plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CaptionWithoutAccelerator(QString::fromUtf8(c.caption)),
                  QString::fromUtf8(c.expected))
            << c.caption;
}

} // namespace
