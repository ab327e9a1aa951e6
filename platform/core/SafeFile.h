#pragma once

#include "platform/core/ErrorBox.h"

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>
#include <QtCore/QIODevice>
#include <QtCore/QString>

namespace movra {

// A file that could not be written. The message (Polish) names the file and the reason, and
// says that the old file was kept; the old file is indeed as it was, and nothing partial is left.
class ESafeFileError : public EMovraError {
public:
    ESafeFileError(const QString& path, QString reason);
    // The message without the file's name: the reason, and that the old file was kept (or that
    // no file was made), for callers that name the file in their own words.
    [[nodiscard]] const QString& Reason() const { return m_reason; }

private:
    QString m_reason;
};

// Makes bytes the whole contents of the file at path. They go to a new file in the same folder
// (with the old file's permissions where there is one), every write checked, synced to the disk
// and closed; only then does it take the old file's place. Any failure (a full disk, a quota, a
// size limit, no right to write) throws ESafeFileError and leaves the old file untouched.
// A path that is a symbolic link to a file replaces the file it points to.
void WriteFileAtomically(const QString& path, QByteArrayView bytes);

// The same for writers that stream into a device (QPdfWriter): write into it, then Commit().
// Writes are unbuffered and checked: the first failure is kept, later writes are refused, and
// Commit() reports it. Destroyed without a successful Commit(), it removes what it wrote and
// the old file stays.
class TSafeFile final : public QIODevice {
    Q_OBJECT
public:
    // Makes the new file; throws ESafeFileError when it cannot be made.
    explicit TSafeFile(const QString& path);
    ~TSafeFile() override;
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    // Syncs, closes and puts the new file in the old one's place; throws ESafeFileError (and
    // removes the new file) if anything written so far or any of these steps failed.
    void Commit();

    [[nodiscard]] bool isSequential() const override { return true; }
    // The new file's name, for a writer that opens it by name itself (an SQLite copy); what it
    // writes there is committed or discarded with the rest.
    [[nodiscard]] QString TemporaryPath() const;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void Discard() noexcept;

    QString m_path;        // the file replaced, symbolic links followed
    QByteArray m_tempPath; // the new file, in the file system's encoding
    bool m_existed = false;
    int m_fd = -1;
    int m_error = 0; // the first errno met while writing
};

} // namespace movra
