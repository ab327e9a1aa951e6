#include "album/RecentAlbums.h"

#include "platform/core/IniFile.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace movra {

namespace {

const QString kSection = QStringLiteral("Ostatnie");

QString keyOf(int index) {
    return QStringLiteral("Plik") + QString::number(index + 1);
}

QString normalized(const QString& path) {
    return QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
}

} // namespace

QStringList ReadRecentAlbums(const TIniFile& ini) {
    QStringList albums;
    for (int i = 0; i < kRecentAlbumsMax; ++i) {
        const QString value = ini.ReadString(kSection, keyOf(i), QString());
        // Only full paths: a bare name would depend on the folder the program was started in.
        if (value.isEmpty() || !QDir::isAbsolutePath(QDir::fromNativeSeparators(value)))
            continue;
        const QString path = normalized(value);
        if (!albums.contains(path))
            albums.append(path);
    }
    return albums;
}

void WriteRecentAlbums(TIniFile& ini, const QStringList& albums) {
    // Keys the file already has beyond the list are emptied, so that an entry removed here does
    // not come back; a file that never had the section does not get an empty one.
    for (int i = 0; i < kRecentAlbumsMax; ++i) {
        if (i < albums.size())
            ini.WriteString(kSection, keyOf(i), QDir::toNativeSeparators(albums[i]));
        else if (ini.ValueExists(kSection, keyOf(i)))
            ini.WriteString(kSection, keyOf(i), QString());
    }
}

void NoteRecentAlbum(QStringList& albums, const QString& path) {
    const QString p = normalized(path);
    albums.removeAll(p);
    albums.prepend(p);
    while (albums.size() > kRecentAlbumsMax)
        albums.removeLast();
}

void ForgetRecentAlbum(QStringList& albums, const QString& path) {
    albums.removeAll(normalized(path));
}

QString RecentAlbumCaption(int index, const QString& path) {
    const QFileInfo fi(path);
    QString caption = QStringLiteral("&") + QString::number(index + 1) + QLatin1Char(' ') +
                      fi.fileName() + QStringLiteral("  (") +
                      QDir::toNativeSeparators(fi.absolutePath()) + QLatin1Char(')');
    // The first '&' is the access key; any in the path must show as itself.
    return caption.left(1) + caption.mid(1).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace movra
