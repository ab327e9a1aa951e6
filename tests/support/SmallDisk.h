#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace movra::test {

// Gives this process mounts of its own (a private mount namespace, inside a new user namespace
// for an ordinary user), so that it may mount small file systems that nothing else sees and
// that vanish with it. Call first thing in main(), before Qt starts any thread: a process with
// threads cannot enter a user namespace. Empty on success, else why not.
[[nodiscard]] QString EnterPrivateMounts();

// A small real file system (tmpfs of the given size) mounted over an existing folder for the
// object's lifetime, hiding what the folder held. Needs EnterPrivateMounts() first.
class SmallDisk {
public:
    SmallDisk(const QString& folder, int kibibytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Empty when mounted, else why not.
    [[nodiscard]] const QString& error() const { return m_error; }
    // Fills the disk with a filler file until at most `room` bytes are free (the disk counts
    // in pages of 4 KiB, so room is rounded down to them). False if that could not be done.
    [[nodiscard]] bool fill(qint64 room = 0);
    // Bytes the disk still takes.
    [[nodiscard]] qint64 freeBytes() const;
    // The files a user sees on the disk, hidden ones included, the filler aside.
    [[nodiscard]] QStringList files() const;

private:
    QString m_folder;
    QString m_error;
    bool m_mounted = false;
};

} // namespace movra::test
