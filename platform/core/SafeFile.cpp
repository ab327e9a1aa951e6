#include "platform/core/SafeFile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace movra {

namespace {

// What a user can act on, for the reasons a write fails.
QString ReasonText(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("Brak miejsca na dysku.");
    case EDQUOT:
        return QStringLiteral("Wyczerpany przydział miejsca na dysku dla tego użytkownika.");
    case EFBIG:
        return QStringLiteral("Plik byłby większy, niż pozwala system plików lub limit rozmiaru "
                              "plików.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Brak uprawnień do zapisu w tym folderze.");
    case EROFS:
        return QStringLiteral("Dysk jest tylko do odczytu.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Folder nie istnieje.");
    case EISDIR:
        return QStringLiteral("Pod tą nazwą jest folder.");
    case ENAMETOOLONG:
        return QStringLiteral("Nazwa pliku jest za długa.");
    case EIO:
        return QStringLiteral("Błąd zapisu na urządzeniu (dysk może być uszkodzony lub "
                              "odłączony).");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Za dużo otwartych plików.");
    default:
        return QStringLiteral("Błąd systemu: %1.")
            .arg(QString::fromStdString(std::generic_category().message(error)));
    }
}

[[noreturn]] void Fail(const QString& path, bool existed, int error) {
    throw ESafeFileError(path, ReasonText(error) + QLatin1Char(' ') +
                                   (existed ? QStringLiteral("Poprzednia zawartość pliku "
                                                             "pozostała bez zmian.")
                                            : QStringLiteral("Plik nie został utworzony.")));
}

// The file really written: a symbolic link to an existing file keeps being that link.
QString TargetOf(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        return info.canonicalFilePath();
    return info.absoluteFilePath();
}

// Writes everything, going on after short writes; 0 or the errno that stopped it.
int WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(std::min<qint64>(size, 1 << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC; // a regular file takes nothing only when it cannot grow
        data += n;
        size -= n;
    }
    return 0;
}

} // namespace

ESafeFileError::ESafeFileError(const QString& path, QString reason)
    : EMovraError(QStringLiteral("Nie można zapisać pliku „%1”: %2")
                      .arg(QDir::toNativeSeparators(path), reason)),
      m_reason(std::move(reason)) {}

TSafeFile::TSafeFile(const QString& path) : m_path(TargetOf(path)) {
    const QFileInfo target(m_path);
    struct stat old {};
    const QByteArray targetName = QFile::encodeName(m_path);
    m_existed = ::stat(targetName.constData(), &old) == 0;
    if (m_existed && S_ISDIR(old.st_mode))
        Fail(m_path, false, EISDIR);

    // Hidden beside the target, so that the rename stays within one file system. The name is
    // cut (in bytes: a name is limited in bytes) so that a long target name leaves room for the
    // suffix.
    const QByteArray base = QFile::encodeName(target.absolutePath()) + "/." +
                            QFile::encodeName(target.fileName()).left(100) + '.';
    // Made with the old file's permissions (set below) or, for a new file, the user's usual
    // ones (the umask applies); exclusive, so that nothing else's file is ever taken over.
    const mode_t mode = m_existed ? S_IRUSR | S_IWUSR : 0666;
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_tempPath = base + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        m_fd = ::open(m_tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd < 0 && (errno != EEXIST || attempt >= 100))
            Fail(m_path, m_existed, errno);
    }
    if (m_existed && ::fchmod(m_fd, old.st_mode & 07777) != 0) {
        const int error = errno;
        Discard();
        Fail(m_path, m_existed, error);
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

TSafeFile::~TSafeFile() {
    Discard();
}

void TSafeFile::Discard() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
    if (isOpen())
        QIODevice::close();
}

QString TSafeFile::TemporaryPath() const {
    return QFile::decodeName(m_tempPath);
}

qint64 TSafeFile::readData(char* /*data*/, qint64 /*maxSize*/) {
    return -1;
}

qint64 TSafeFile::writeData(const char* data, qint64 size) {
    if (m_fd < 0 || m_error != 0)
        return -1;
    m_error = WriteAll(m_fd, data, size);
    if (m_error != 0) {
        setErrorString(ReasonText(m_error));
        return -1;
    }
    return size;
}

void TSafeFile::Commit() {
    if (m_fd < 0 && m_error == 0)
        m_error = EBADF; // committed twice, or the file was never made
    // The contents must be on the disk before the name points at them: otherwise a crash or a
    // power cut after the rename could leave an empty file where the old one was.
    if (m_error == 0 && ::fsync(m_fd) != 0)
        m_error = errno;
    if (m_error == 0) {
        const int fd = m_fd;
        m_fd = -1;
        // Some file systems (network ones) report a failed write only here.
        if (::close(fd) != 0 && errno != EINTR)
            m_error = errno;
    }
    if (m_error == 0 &&
        ::rename(m_tempPath.constData(), QFile::encodeName(m_path).constData()) != 0)
        m_error = errno;
    if (m_error != 0) {
        const int error = m_error;
        Discard();
        Fail(m_path, m_existed, error);
    }
    m_tempPath.clear();
    QIODevice::close();
    // The rename itself is made lasting by syncing the folder. The new contents are already in
    // place and complete, so a folder that cannot be synced (some file systems refuse) is no
    // reason to report a failure.
    const int dir = ::open(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        static_cast<void>(::fsync(dir));
        ::close(dir);
    }
}

void WriteFileAtomically(const QString& path, QByteArrayView bytes) {
    TSafeFile file(path);
    static_cast<void>(file.write(bytes.data(), bytes.size()));
    file.Commit();
}

} // namespace movra
