#include "record/help.h"

#include "platform/core/Colors.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/Font.h"
#include "platform/core/ProgramFolder.h"
#include "platform/core/ScreenPlace.h"
#include "platform/rtf/RtfReader.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QShowEvent>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtWidgets/QFrame>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QVBoxLayout>

namespace movra {

namespace {

const QString HelpFileName = QStringLiteral("Movra.rtf");

// Both bevels of the panel are lowered and 2 pixels wide: one sunken panel line of 4.
constexpr int BevelWidth = 2;

} // namespace

QString TFhelp::BuiltInText() {
    return QStringLiteral(" \n") + QString(17, u' ') +
           QStringLiteral("Nie widzę  w katalogu programu pliku pomocy - ''Movra.rtf''.\n\n") +
           QString(43, u' ') + QStringLiteral("Proszę dostarczyć mi ten plik!");
}

TFhelp::TFhelp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Fhelp"));
    setWindowTitle(QStringLiteral("Plik pomocy"));
    setToolTip(QStringLiteral("Klawisz <ESC> zamyka to okno"));
    setSizeGripEnabled(false);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(clBtnShadow));
    setPalette(pal);
    setAutoFillBackground(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2 * BevelWidth);

    RichEdit1 = new QTextEdit(Panel1);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setFrameStyle(QFrame::NoFrame);
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TFont font(QStringLiteral("MS Sans Serif"), 10, fsBold);
    font.SetHeight(-13);
    RichEdit1->setFont(font.toQFont());
    RichEdit1->setPlainText(BuiltInText());

    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(RichEdit1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);

    // The window sees Esc before the text view does, wherever the focus is.
    RichEdit1->installEventFilter(this);
    RichEdit1->viewport()->installEventFilter(this);

    m_reloadTimer.setSingleShot(true);
    m_reloadTimer.setInterval(ReloadDelayMs);
    connect(&m_reloadTimer, &QTimer::timeout, this, &TFhelp::LoadHelpText);

    resize(744, 415);
    LoadHelpText();
}

void TFhelp::LoadHelpText() {
    m_reloadTimer.stop();
    m_loadedSize = size();
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);

    const QString path = FindHelpFile(HelpFileName);
    if (!path.isEmpty()) {
        try {
            LoadRtfFile(*RichEdit1->document(), path);
        } catch (const EMovraError&) {
            // A file that cannot be read or is no RTF at all would leave an empty window; the
            // notice at least says what is missing.
            RichEdit1->setPlainText(BuiltInText());
        }
    }
    // Without the file the view keeps what it holds: the notice, or the text of an earlier load.

    RichEdit1->moveCursor(QTextCursor::Start);
    RichEdit1->verticalScrollBar()->setValue(0);
    emit TextLoaded();
}

void TFhelp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Qt moves a dialog inside the screen but never shrinks one larger than it.
    if (!event->spontaneous())
        KeepOnScreen(this);
}

void TFhelp::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (event->size() == m_loadedSize && !m_reloadTimer.isActive())
        return; // the size the text was loaded at, as when the window first appears
    m_reloadTimer.start();
}

void TFhelp::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFhelp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace movra
