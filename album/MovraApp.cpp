#include "album/MovraApp.h"

#include "album/Unit1.h"
#include "db/SQLiteCompaction.h"
#include "grid/Fajny.h"
#include "grid/UnitPokazuj.h"
#include "platform/core/PolishLocale.h"
#include "record/MemoSnapshot.h"
#include "record/Unit2.h"
#include "record/asfind.h"
#include "record/help.h"
#include "resources/Resources.h"

#include <QtGui/QIcon>
#include <QtWidgets/QApplication>

namespace movra {

void InitApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("Movra"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.movra"));
    InstallPolish(app);
    InitResources();
    // The compiled-in copies of the icons the package installs into the hicolor theme: looking
    // the name up in the desktop's icon themes first cost every start some 5 ms, only to find
    // the same pictures.
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/movra/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

TMovraApp::TMovraApp(const QString& startAlbum) {
    // A compaction killed midway (a crash, a power cut) left a whole copy of an album, with the
    // personal data in it, in the temporary folder; it goes now rather than at some later
    // compaction. One listing of the folder, before the windows are made.
    RemoveAbandonedCompactionCopies();
    m_form1 = std::make_unique<TForm1>(nullptr, startAlbum);
    m_form2 = std::make_unique<TForm2>(m_form1.get());
    m_form1->SetRecordWindow(m_form2.get());
    m_finddlg = std::make_unique<Tfinddlg>();
    m_form111 = std::make_unique<TForm111>();
    m_form222 = std::make_unique<TForm222>();
    m_form1->SetSnapshotWindows(m_form111.get(), m_form222.get());
    m_pokazuj = std::make_unique<TPokazuj>();
    m_form1->SetGridPreviewWindow(m_pokazuj.get());
    m_fhelp = std::make_unique<TFhelp>(nullptr, TFhelp::TFirstLoad::WhenShown);
}

TMovraApp::~TMovraApp() {
    // The main window goes first: it may still close the record window.
    m_form1.reset();
}

} // namespace movra
