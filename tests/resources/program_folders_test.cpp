// The program finds its plug-in and help pages in the build tree (beside
// itself) and in an installed tree laid out the way the build's install rules
// lay it out; the test builds such trees in a temporary folder.

#include "program_folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr char kPlugin[] = "curveDLL.so";

// The install folders the build was configured with, relative to the prefix.
const QString kBinDir = QStringLiteral(VELMO_INSTALL_BINDIR);
const QString kLibDir = QStringLiteral(VELMO_INSTALL_LIBDIR);
const QString kDataDir = QStringLiteral(VELMO_INSTALL_DATADIR);

bool touch(const QString& Path) {
    if (!QDir().mkpath(QFileInfo(Path).absolutePath())) return false;
    QFile file(Path);
    return file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1;
}

class ProgramFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        if (QDir::isAbsolutePath(kBinDir) || QDir::isAbsolutePath(kLibDir) ||
            QDir::isAbsolutePath(kDataDir))
            GTEST_SKIP() << "install folders configured as absolute paths";
        prefix = root.path() + QStringLiteral("/usr");
        bin = prefix + QLatin1Char('/') + kBinDir;
        ASSERT_TRUE(QDir().mkpath(bin));
    }
    QString installedPluginFolder() const { return prefix + '/' + kLibDir + "/velmo"; }
    QString installedHelpFolder() const { return prefix + '/' + kDataDir + "/velmo/velmo.chm"; }

    QTemporaryDir root;
    QString prefix;
    QString bin;
};

TEST_F(ProgramFoldersTest, RelativePathsLeadFromTheProgramToTheInstalledFolders) {
    // Worked out by Qt from the configured folders, independently of the
    // build's own computation.
    const QDir fromBin(bin);
    EXPECT_EQ(velmo::InstalledPluginPath(),
              QDir::cleanPath(fromBin.relativeFilePath(installedPluginFolder())));
    EXPECT_EQ(velmo::InstalledDataPath(),
              QDir::cleanPath(fromBin.relativeFilePath(prefix + '/' + kDataDir + "/velmo")));
    EXPECT_FALSE(QDir::isAbsolutePath(velmo::InstalledPluginPath()));
    EXPECT_FALSE(QDir::isAbsolutePath(velmo::InstalledDataPath()));
}

TEST_F(ProgramFoldersTest, InstalledTreeIsFoundFromTheProgramFolder) {
    ASSERT_TRUE(touch(installedPluginFolder() + '/' + kPlugin));
    ASSERT_TRUE(touch(installedHelpFolder() + "/index.htm"));
    EXPECT_EQ(velmo::PluginFolderFor(bin, kPlugin), installedPluginFolder());
    EXPECT_EQ(velmo::HelpFolderFor(bin), installedHelpFolder());
    // The same tree unpacked elsewhere works the same.
    const QString moved = root.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().rename(prefix, moved));
    EXPECT_EQ(velmo::PluginFolderFor(moved + '/' + kBinDir, kPlugin),
              moved + '/' + kLibDir + "/velmo");
    EXPECT_EQ(velmo::HelpFolderFor(moved + '/' + kBinDir),
              moved + '/' + kDataDir + "/velmo/velmo.chm");
}

struct Placement {
    bool Beside;    // in the program's folder, as in the build tree
    bool Installed; // in the installed folder
    bool ExpectInstalled;
};

class ProgramFoldersChoiceTest : public ProgramFoldersTest,
                                 public ::testing::WithParamInterface<Placement> {};

TEST_P(ProgramFoldersChoiceTest, BesideTheProgramComesFirstThenTheInstalledFolder) {
    const Placement p = GetParam();
    if (p.Beside) {
        ASSERT_TRUE(touch(bin + '/' + kPlugin));
        ASSERT_TRUE(QDir().mkpath(bin + "/velmo.chm"));
    }
    if (p.Installed) {
        ASSERT_TRUE(touch(installedPluginFolder() + '/' + kPlugin));
        ASSERT_TRUE(QDir().mkpath(installedHelpFolder()));
    }
    EXPECT_EQ(velmo::PluginFolderFor(bin, kPlugin),
              p.ExpectInstalled ? installedPluginFolder() : bin);
    EXPECT_EQ(velmo::HelpFolderFor(bin),
              p.ExpectInstalled ? installedHelpFolder() : bin + "/velmo.chm");
}

// Neither present: the program's own folder, where the loader reports the
// missing plug-in and the help viewer the missing page.
INSTANTIATE_TEST_SUITE_P(Trees, ProgramFoldersChoiceTest,
                         ::testing::Values(Placement{true, true, false},
                                           Placement{true, false, false},
                                           Placement{false, true, true},
                                           Placement{false, false, false}));

TEST_F(ProgramFoldersTest, WrongKindsOfEntryAreNotTaken) {
    // A folder by the plug-in's name, a file by the help folder's name.
    ASSERT_TRUE(QDir().mkpath(installedPluginFolder() + '/' + kPlugin));
    ASSERT_TRUE(touch(installedHelpFolder()));
    EXPECT_EQ(velmo::PluginFolderFor(bin, kPlugin), bin);
    EXPECT_EQ(velmo::HelpFolderFor(bin), bin + "/velmo.chm");
}

TEST(ProgramFolders, NoProgramFolderGivesNoFolder) {
    EXPECT_TRUE(velmo::PluginFolderFor(QString(), kPlugin).isEmpty());
    EXPECT_TRUE(velmo::HelpFolderFor(QString()).isEmpty());
}

} // namespace
