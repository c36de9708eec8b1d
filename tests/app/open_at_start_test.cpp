// A design named on the command line: chosen from the arguments, and
// handed to the open command once the window shows.

#include "app/window_fixture.h"
#include "open_at_start.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

bool writeFile(const QString& Path) {
    QFile file(Path);
    return file.open(QIODevice::WriteOnly) && file.write("QNL", 3) == 3;
}

class OpenAtStartTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        design = dir.filePath("card.velmo");
        ASSERT_TRUE(writeFile(design));
        ASSERT_TRUE(QDir().mkpath(dir.filePath("folder.velmo")));
    }
    QTemporaryDir dir;
    QString design;
};

TEST_F(OpenAtStartTest, FirstArgumentThatIsAFileIsChosen) {
    const QString second = dir.filePath("second.velmo");
    ASSERT_TRUE(writeFile(second));
    const QString missing = dir.filePath("missing.velmo");
    const QString folder = dir.filePath("folder.velmo");
    struct Case {
        QStringList Arguments;
        QString Expected;
    };
    const Case cases[] = {
        {{"velmo"}, QString()},
        {{}, QString()},
        {{"velmo", design}, design},
        {{"velmo", missing, folder, design, second}, design},
        {{"velmo", second, design}, second},
        {{"velmo", missing}, QString()},
        // The program's own name is never the file, even when it is one.
        {{design}, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileToOpenAtStart(c.Arguments), c.Expected)
            << c.Arguments.join(' ').toStdString();
}

TEST_F(OpenAtStartTest, RelativeNameBecomesAbsolute) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString chosen = FileToOpenAtStart({"velmo", "card.velmo"});
    QDir::setCurrent(before);
    EXPECT_EQ(QFileInfo(chosen).canonicalFilePath(), QFileInfo(design).canonicalFilePath());
    EXPECT_TRUE(QDir::isAbsolutePath(chosen));
}

TEST_F(OpenAtStartTest, FileIsOpenedOnceAfterTheWindowShows) {
    auto w = window();
    QStringList opened;
    w->OpenDesign = [&](const QString& File) {
        opened << File;
        return true;
    };
    w->OpenAtStart(design);
    // Not from inside the call: the window comes up first.
    EXPECT_TRUE(opened.isEmpty());
    QApplication::processEvents();
    EXPECT_EQ(opened, QStringList{design});
    QApplication::processEvents();
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(OpenAtStartTest, MissingFilesAndFoldersAreIgnored) {
    auto w = window();
    QStringList opened;
    w->OpenDesign = [&](const QString& File) {
        opened << File;
        return true;
    };
    w->OpenAtStart(dir.filePath("missing.velmo"));
    w->OpenAtStart(dir.filePath("folder.velmo"));
    w->OpenAtStart(QString());
    QApplication::processEvents();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(services.Messages.empty());
}

TEST_F(OpenAtStartTest, CommandSetAfterTheCallIsStillUsed) {
    auto w = window();
    w->OpenAtStart(design);
    QStringList opened;
    w->OpenDesign = [&](const QString& File) {
        opened << File;
        return false;
    };
    QApplication::processEvents();
    EXPECT_EQ(opened, QStringList{design});
}

TEST_F(OpenAtStartTest, WithoutAnOpenCommandNothingHappens) {
    auto w = window();
    w->OpenAtStart(design);
    QApplication::processEvents();
    EXPECT_EQ(w->CurrentStep(), 0);
}

TEST_F(OpenAtStartTest, WindowClosedBeforeTheEventLoopRunsOpensNothing) {
    QStringList opened;
    {
        auto w = window();
        w->OpenDesign = [&](const QString& File) {
            opened << File;
            return true;
        };
        w->OpenAtStart(design);
    }
    QApplication::processEvents();
    EXPECT_TRUE(opened.isEmpty());
}

} // namespace
