#include "album/Unit1.h"

#include "album/RecentAlbums.h"
#include "platform/core/Dialogs.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtWidgets/QMenu>

namespace movra {

void TForm1::BuildRecentMenu(QMenu* parent) {
    m_recentMenu = parent->addMenu(QStringLiteral("Ostatnio otwierane"));
    m_recentMenu->setObjectName(QStringLiteral("mnuOstatnie"));
    for (int i = 0; i < kRecentAlbumsMax; ++i) {
        auto* a = new QAction(m_recentMenu);
        a->setObjectName(QStringLiteral("mnuOstatni") + QString::number(i + 1));
        connect(a, &QAction::triggered, this,
                [this, i] { Run([this, i] { OpenRecentAlbum(i); }); });
        m_recentMenu->addAction(a);
    }
}

void TForm1::UpdateRecentMenu() {
    if (!m_recentMenu)
        return;
    const QList<QAction*> entries = m_recentMenu->actions();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QAction* a = entries[i];
        const bool used = i < m_recentAlbums.size();
        a->setVisible(used);
        if (!used)
            continue;
        const QString& path = m_recentAlbums[i];
        a->setText(RecentAlbumCaption(static_cast<int>(i), path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        a->setToolTip(QDir::toNativeSeparators(path));
    }
    m_recentMenu->menuAction()->setEnabled(!m_recentAlbums.isEmpty());
}

void TForm1::NoteOpenedAlbum() {
    if (m_albumPath.isEmpty())
        return;
    NoteRecentAlbum(m_recentAlbums, m_albumPath);
    UpdateRecentMenu();
}

void TForm1::OpenRecentAlbum(int index) {
    if (index < 0 || index >= m_recentAlbums.size())
        return;
    if (RefuseOpenWhileRecordShown())
        return;
    const QString path = m_recentAlbums[index];
    if (!QFileInfo(path).isFile()) {
        // A moved or deleted album would fail the same way every time it is chosen.
        m_recentAlbums.removeAt(index);
        UpdateRecentMenu();
        ShowWarning(this, QStringLiteral("Albumu %1 już nie ma (przeniesiono go albo usunięto). "
                                         "Usunięto go z listy ostatnio otwieranych.")
                              .arg(QDir::toNativeSeparators(path)));
        return;
    }
    SetAlbumFile(path);
    LoadRecordList();
}

} // namespace movra
