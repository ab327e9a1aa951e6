#include "album/MovraApp.h"

#include "album/Unit1.h"
#include "grid/Fajny.h"
#include "grid/UnitPokazuj.h"
#include "platform/core/PolishLocale.h"
#include "record/MemoSnapshot.h"
#include "record/Unit2.h"
#include "record/asfind.h"
#include "record/help.h"
#include "resources/Resources.h"

#include <QtWidgets/QApplication>

namespace movra {

void InitApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("Movra"));
    InstallPolish(app);
    InitResources();
}

TMovraApp::TMovraApp() {
    m_form1 = std::make_unique<TForm1>();
    m_form2 = std::make_unique<TForm2>(m_form1.get());
    m_form1->SetRecordWindow(m_form2.get());
    m_finddlg = std::make_unique<Tfinddlg>();
    m_form111 = std::make_unique<TForm111>();
    m_form222 = std::make_unique<TForm222>();
    m_form1->SetSnapshotWindows(m_form111.get(), m_form222.get());
    m_pokazuj = std::make_unique<TPokazuj>();
    m_form1->SetGridPreviewWindow(m_pokazuj.get());
    m_fhelp = std::make_unique<TFhelp>();
}

TMovraApp::~TMovraApp() {
    // The main window goes first: it may still close the record window.
    m_form1.reset();
}

} // namespace movra
