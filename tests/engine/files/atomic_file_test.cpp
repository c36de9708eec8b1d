// Files that replace others whole: a failed save keeps the old file and
// leaves nothing beside it, and says what the system said; leftovers of
// saves that a crash cut short are removed, and nothing else is.

#include "files/atomic_file.h"
#include "lxImage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <memory>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& Path) {
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList folderEntries(const QString& Dir) {
    return QDir(Dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

bool writeRaw(const QString& Path, const QByteArray& Data) {
    QFile f(Path);
    return f.open(QIODevice::WriteOnly) && f.write(Data) == Data.size();
}

// Sets a file's times Seconds into the past.
void age(const QString& Path, int Seconds) {
    struct timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= Seconds;
    times[1] = times[0];
    ASSERT_EQ(utimes(QFile::encodeName(Path).constData(), times), 0);
}

} // namespace

// Every step of a save failing with what the system can say there: the old
// file stays byte for byte, no temporary file stays, and the error names
// the cause in words and as a cause.
TEST(AtomicFileTest, AFailingStepKeepsTheOldFileAndNamesTheCause) {
    struct Case {
        lx::SaveStep Step;
        int Errno;
        TlxSystemCause Cause;
        const char* Detail;
    };
    const Case cases[] = {
        {lx::SaveStep::Write, ENOSPC, TlxSystemCause::NoSpace, "there is no space left on the disk"},
        {lx::SaveStep::Flush, ENOSPC, TlxSystemCause::NoSpace, "there is no space left on the disk"},
        {lx::SaveStep::Close, EDQUOT, TlxSystemCause::NoSpace, "there is no space left on the disk"},
        {lx::SaveStep::CreateTemporary, EACCES, TlxSystemCause::NoPermission,
         "permission denied: this folder or file may not be written"},
        {lx::SaveStep::CreateTemporary, EROFS, TlxSystemCause::ReadOnlyFileSystem,
         "the disk is read-only"},
        {lx::SaveStep::Rename, EROFS, TlxSystemCause::ReadOnlyFileSystem, "the disk is read-only"},
        {lx::SaveStep::Write, EIO, TlxSystemCause::Other, "Input/output error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.Step)) + " errno " + std::to_string(c.Errno));
        QTemporaryDir dir;
        const QString path = dir.filePath("picture.bmp");
        ASSERT_TRUE(writeRaw(path, "the old file"));
        TlxFileError error;
        lx::failNextSaveAt(c.Step, c.Errno);
        EXPECT_FALSE(lx::writeFileAtomically(path, QByteArray(100000, 'x'), error));
        EXPECT_EQ(error.Code, TlxFileErrorCode::CannotWrite);
        EXPECT_EQ(error.Cause, c.Cause);
        EXPECT_EQ(error.message().toStdString(), c.Detail);
        EXPECT_EQ(readAll(path), QByteArray("the old file"));
        EXPECT_EQ(folderEntries(dir.path()), QStringList{"picture.bmp"});
        // One failure only: the next save goes through.
        TlxFileError next;
        EXPECT_TRUE(lx::writeFileAtomically(path, "new", next));
        EXPECT_EQ(readAll(path), QByteArray("new"));
    }
}

// A design saved layer by layer: the disk filling up part-way is reported
// as such, not as the writer's summary.
TEST(AtomicFileTest, ADesignSaveOnAFullDiskSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("design.velmo");
    auto doc = std::make_unique<TlxImage>();
    doc->AutoSize = false;
    ASSERT_TRUE(doc->NewImage(true, lxRGB(10, 20, 30), 24, 40, 30));
    ASSERT_TRUE(doc->SaveToFile(path));
    const QByteArray first = readAll(path);
    ASSERT_TRUE(doc->NewImage(true, lxRGB(200, 20, 30), 24, 50, 60));
    lx::failNextSaveAt(lx::SaveStep::Write, ENOSPC);
    EXPECT_FALSE(doc->SaveToFile(path));
    EXPECT_EQ(doc->LastFileError.Cause, TlxSystemCause::NoSpace);
    EXPECT_EQ(doc->LastFileError.message().toStdString(), "there is no space left on the disk");
    EXPECT_EQ(readAll(path), first);
    EXPECT_EQ(folderEntries(dir.path()), QStringList{"design.velmo"});
}

TEST(AtomicFileTest, AMissingFolderIsNamed) {
    QTemporaryDir dir;
    TlxFileError error;
    EXPECT_FALSE(lx::writeFileAtomically(dir.filePath("no/such/out.png"), "x", error));
    EXPECT_EQ(error.Cause, TlxSystemCause::FolderMissing);
    EXPECT_EQ(error.message().toStdString(), "the folder does not exist");
}

TEST(AtomicFileTest, AFolderThatMayNotBeWrittenIsNamed) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    const QString path = locked + "/out.velmo";
    ASSERT_TRUE(writeRaw(path, "old"));
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0500), 0);
    TlxFileError error;
    EXPECT_FALSE(lx::writeFileAtomically(path, "new", error));
    chmod(QFile::encodeName(locked).constData(), 0700);
    EXPECT_EQ(error.Cause, TlxSystemCause::NoPermission);
    EXPECT_EQ(readAll(path), QByteArray("old"));
}

// A new file gets the usual permissions less the user's mask; a replaced
// one keeps its own, made writable for its owner.
TEST(AtomicFileTest, PermissionsOfNewAndReplacedFiles) {
    QTemporaryDir dir;
    const mode_t mask = umask(022);
    const QString fresh = dir.filePath("fresh.bmp");
    TlxFileError error;
    ASSERT_TRUE(lx::writeFileAtomically(fresh, "a", error));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fresh).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    const QString locked = dir.filePath("locked.bmp");
    ASSERT_TRUE(writeRaw(locked, "old"));
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0440), 0);
    ASSERT_TRUE(lx::writeFileAtomically(locked, "new", error));
    ASSERT_EQ(stat(QFile::encodeName(locked).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readAll(locked), QByteArray("new"));
    umask(mask);
}

// Only files named as a save of this very file names its temporary files,
// written before this run and not lately, are removed.
TEST(AtomicFileTest, LeftoversOfEarlierSavesAreRemovedAndNothingElse) {
    QTemporaryDir dir;
    const QString path = dir.filePath("design.velmo");
    ASSERT_TRUE(writeRaw(path, "old"));
    const QString stale = dir.filePath(".design.velmo.partial-a1b2c3");
    const QString stale2 = dir.filePath(".design.velmo.partial-zzzzzz");
    const QString recent = dir.filePath(".design.velmo.partial-q9q9q9");
    const QString otherFile = dir.filePath(".other.velmo.partial-a1b2c3");
    const QString otherName = dir.filePath(".design.velmo.partial-A1B2C3");
    const QString longer = dir.filePath(".design.velmo.partial-a1b2c3d");
    const QString visible = dir.filePath("design.velmo.partial-a1b2c3");
    for (const QString& f : {stale, stale2, recent, otherFile, otherName, longer, visible}) {
        ASSERT_TRUE(writeRaw(f, "leftover"));
        age(f, 3600);
    }
    age(recent, 30); // another instance may be writing it right now
    // A link under a leftover's name is not followed or removed.
    const QString linked = dir.filePath(".design.velmo.partial-l1nk00");
    ASSERT_EQ(symlink(QFile::encodeName(visible).constData(), QFile::encodeName(linked).constData()),
              0);

    TlxFileError error;
    ASSERT_TRUE(lx::writeFileAtomically(path, "new", error));
    EXPECT_EQ(readAll(path), QByteArray("new"));
    const QStringList left = folderEntries(dir.path());
    EXPECT_FALSE(left.contains(".design.velmo.partial-a1b2c3"));
    EXPECT_FALSE(left.contains(".design.velmo.partial-zzzzzz"));
    for (const QString& kept : {recent, otherFile, otherName, longer, visible, linked})
        EXPECT_TRUE(left.contains(QFileInfo(kept).fileName())) << kept.toStdString();
    EXPECT_EQ(lx::removeSaveLeftovers(path), 0);
}
