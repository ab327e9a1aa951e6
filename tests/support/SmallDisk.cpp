#include "tests/support/SmallDisk.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace movra::test {

namespace {

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool WriteProcFile(const char* path, const QByteArray& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size();
    ::close(fd);
    return ok;
}

} // namespace

QString EnterPrivateMounts() {
    // Root may have mounts of its own directly; anyone else (and root in a container that may
    // not) becomes root of a new user namespace, mapped to who they are.
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return SystemError("unshare");
        if (!WriteProcFile("/proc/self/setgroups", "deny") ||
            !WriteProcFile("/proc/self/uid_map",
                           QByteArray("0 ") + QByteArray::number(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", QByteArray("0 ") + QByteArray::number(gid) + " 1"))
            return SystemError("uid_map");
    }
    // Nothing mounted here reaches the rest of the system.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return SystemError("mount --make-rprivate /");
    return {};
}

SmallDisk::SmallDisk(const QString& folder, int kibibytes) : m_folder(folder) {
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0755";
    if (::mount("movra-test", QFile::encodeName(folder).constData(), "tmpfs", 0,
                options.constData()) != 0) {
        m_error = SystemError("mount -t tmpfs");
        return;
    }
    m_mounted = true;
}

SmallDisk::~SmallDisk() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

qint64 SmallDisk::freeBytes() const {
    struct statvfs s {};
    if (::statvfs(QFile::encodeName(m_folder).constData(), &s) != 0)
        return -1;
    return static_cast<qint64>(s.f_bavail) * static_cast<qint64>(s.f_frsize);
}

bool SmallDisk::fill(qint64 room) {
    if (!m_mounted)
        return false;
    const QByteArray path = QFile::encodeName(m_folder + QStringLiteral("/.filler"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray page(4096, 'x');
    bool ok = true;
    while (freeBytes() > room) {
        if (::write(fd, page.constData(), static_cast<size_t>(page.size())) < 0) {
            ok = errno == ENOSPC && room == 0;
            break;
        }
    }
    ::close(fd);
    return ok && freeBytes() <= room;
}

QStringList SmallDisk::files() const {
    QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral(".filler"));
    return names;
}

} // namespace movra::test
