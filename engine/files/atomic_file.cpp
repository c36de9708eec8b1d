#include "files/atomic_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lx {
namespace {

// When this program started, as near as static initialisation gets: a
// leftover written before it cannot belong to a save of this run.
const qint64 kRunStartedMs = QDateTime::currentMSecsSinceEpoch();
constexpr qint64 kLeftoverQuietMs = 2 * 60 * 1000;

struct InjectedFailure {
    SaveStep Step = SaveStep::CreateTemporary;
    int Errno = 0;
};
InjectedFailure injected;

// True (with errno set) when a test asked this step to fail.
bool failsHere(SaveStep Step) {
    if (injected.Errno == 0 || injected.Step != Step) return false;
    errno = injected.Errno;
    injected.Errno = 0;
    return true;
}

// Writes straight into a POSIX descriptor, so that a failed write leaves the
// system's own errno rather than a device's summary of it.
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int Fd) : fd_(Fd) {}
    int failure() const { return errno_; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Length) override {
        qint64 done = 0;
        while (done < Length) {
            ssize_t n = -1;
            if (!failsHere(SaveStep::Write))
                n = ::write(fd_, Data + done, size_t(std::min<qint64>(Length - done, 1 << 30)));
            if (n < 0) {
                if (errno == EINTR) continue;
                errno_ = errno;
                TlxFileError reason;
                reason.setFromSystem(TlxFileErrorCode::CannotWrite, errno_);
                setErrorString(reason.Detail);
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int fd_;
    int errno_ = 0;
};

QString randomSuffix() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char(kChars[QRandomGenerator::global()->bounded(36)]);
    return s;
}

// Creates the temporary file beside Target; -1 with errno set on failure.
int createTemporary(const QString& Target, QString& Name) {
    const QFileInfo info(Target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        Name = info.dir().filePath(QLatin1Char('.') + info.fileName() +
                                   QLatin1String(".partial-") + randomSuffix());
        if (failsHere(SaveStep::CreateTemporary)) return -1;
        const int fd = ::open(QFile::encodeName(Name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

QString saveLeftoverPattern(const QString& FileName) {
    return QLatin1String("^\\.") + QRegularExpression::escape(QFileInfo(FileName).fileName()) +
           QLatin1String("\\.partial-[a-z0-9]{6}$");
}

int removeSaveLeftovers(const QString& FileName) {
    const QFileInfo target(FileName);
    const QRegularExpression pattern(saveLeftoverPattern(FileName));
    const QDir dir = target.dir();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    int removed = 0;
    const QStringList names =
        dir.entryList({QLatin1Char('.') + target.fileName() + QLatin1String(".partial-*")},
                      QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!pattern.match(name).hasMatch()) continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (st.st_uid != ::geteuid()) continue;
        const qint64 written = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        if (written >= kRunStartedMs || now - written < kLeftoverQuietMs) continue;
        if (::unlink(path.constData()) == 0) ++removed;
    }
    return removed;
}

void failNextSaveAt(SaveStep Step, int Errno) {
    injected = {Step, Errno};
}

bool writeFileAtomically(const QString& FileName, const QByteArray& Data, TlxFileError& Error) {
    return writeFileAtomically(
        FileName, [&Data](QIODevice& out) { return out.write(Data) == Data.size(); }, Error);
}

bool writeFileAtomically(const QString& FileName, const std::function<bool(QIODevice&)>& Write,
                         TlxFileError& Error) {
    // A link is followed: the file it points to is the one replaced.
    QString target = FileName;
    const QFileInfo info(FileName);
    if (info.isSymLink()) target = info.symLinkTarget();
    removeSaveLeftovers(target);

    // The new file keeps the old one's permissions, made writable for the
    // owner as the program has always done before saving over a read-only
    // file; a new file gets the usual ones, less the user's mask.
    struct stat old {};
    const QByteArray targetPath = QFile::encodeName(target);
    const bool replacing = ::stat(targetPath.constData(), &old) == 0;

    QString temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0) {
        Error.setFromSystem(TlxFileErrorCode::CannotWrite, errno);
        return false;
    }
    const QByteArray temporaryPath = QFile::encodeName(temporary);
    bool open = true;
    auto fail = [&](int Errno) {
        if (open) ::close(fd);
        ::unlink(temporaryPath.constData());
        if (Errno != 0) Error.setFromSystem(TlxFileErrorCode::CannotWrite, Errno);
        return false;
    };
    // Some disks (FAT memory sticks) keep no permissions and refuse to set
    // them: the file is written all the same.
    if (replacing) (void)::fchmod(fd, (old.st_mode & 07777) | S_IWUSR);

    DescriptorDevice device(fd);
    device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!Write(device)) {
        // A failed write is named by the system; a writer that gave up for
        // its own reasons has said why.
        if (device.failure() != 0) return fail(device.failure());
        if (Error.isNone()) Error.set(TlxFileErrorCode::CannotWrite, device.errorString());
        if (Error.Detail.isEmpty()) Error.Detail = QStringLiteral("the file could not be written");
        return fail(0);
    }
    // The data must be on the disk before the new file takes the old one's
    // place: a full disk or a failing device often shows only here.
    // A file system that cannot flush at all (EINVAL) is no reason to fail.
    if (failsHere(SaveStep::Flush) || (::fsync(fd) != 0 && errno != EINVAL)) return fail(errno);
    open = false;
    if (failsHere(SaveStep::Close) || ::close(fd) != 0) return fail(errno);
    if (failsHere(SaveStep::Rename) ||
        ::rename(temporaryPath.constData(), targetPath.constData()) != 0)
        return fail(errno);
    // The rename itself reaches the disk with the folder; failing that, the
    // file is in place all the same.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace lx
