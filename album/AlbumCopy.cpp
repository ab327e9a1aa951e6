#include "album/AlbumCopy.h"

#include "platform/core/SafeFile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <filesystem>
#include <system_error>

namespace movra {

bool SameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    if (!ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath())
        return true;
    // A hard link has a path of its own: only the file system can tell it is the same file.
    std::error_code error;
    const bool same = std::filesystem::equivalent(
        std::filesystem::path(QFile::encodeName(a).toStdString()),
        std::filesystem::path(QFile::encodeName(b).toStdString()), error);
    return !error && same;
}

void CopyAlbumFile(ISQLiteDatabase& db, const QString& target, const TSQLiteProgress& progress) {
    TSafeFile file(target);
    const QString copy = file.TemporaryPath();
    try {
        db.BackupTo(QFile::encodeName(copy).toStdString(), progress);
    } catch (...) {
        // The copy runs without a journal; should the engine have made one all the same, it
        // goes with the copy.
        QFile::remove(copy + QStringLiteral("-journal"));
        throw;
    }
    QFile::remove(copy + QStringLiteral("-journal"));
    file.Commit();
}

} // namespace movra
