#include "record/help.h"

#include "platform/core/Colors.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/Font.h"
#include "platform/core/ProgramFolder.h"
#include "platform/core/ScreenPlace.h"
#include "platform/rtf/RtfLayout.h"
#include "platform/rtf/RtfReader.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QKeyEvent>
#include <QtGui/QResizeEvent>
#include <QtGui/QShowEvent>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtGui/QTextOption>
#include <QtWidgets/QFrame>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

namespace movra {

namespace {

const QString HelpFileName = QStringLiteral("Movra.rtf");

// Both bevels of the panel are lowered and 2 pixels wide: one sunken panel line of 4.
constexpr int BevelWidth = 2;

} // namespace

QString TFhelp::CannotShowText(const QString& path, const QString& reason) {
    return QStringLiteral(" \n") + QString(17, u' ') +
           QStringLiteral("Nie mogę pokazać pliku pomocy - ''%1''.\n\n")
               .arg(QDir::toNativeSeparators(path)) +
           QString(17, u' ') + reason;
}

QString TFhelp::BuiltInText() {
    return QStringLiteral(" \n") + QString(17, u' ') +
           QStringLiteral("Nie widzę  w katalogu programu pliku pomocy - ''Movra.rtf''.\n\n") +
           QString(43, u' ') + QStringLiteral("Proszę dostarczyć mi ten plik!");
}

TFhelp::TFhelp(QWidget* parent, TFirstLoad firstLoad) : QDialog(parent) {
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

    // The help text is cut to what the view can lay out at this width (LoadHelpDocument), so
    // the window is never narrower.
    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(744, 415);
    if (firstLoad == TFirstLoad::WhenShown)
        return;
    // The view lays its text out at its viewport's width at once, shown or not, and until the
    // window is first shown that is the default size of a widget never laid out, far narrower
    // than the window allows. Lay the window out now, so the text is laid out at its real width.
    layout->activate();
    panelLayout->activate();
    QResizeEvent sized(RichEdit1->size(), QSize());
    QCoreApplication::sendEvent(RichEdit1, &sized);
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
            ShowDocument(LoadHelpDocument(path));
        } catch (const EMovraError& e) {
            // The file is there: say why it is not shown rather than ask for it.
            RichEdit1->setPlainText(CannotShowText(path, e.Message()));
        }
    }
    // Without the file the view keeps what it holds: the notice, or the text of an earlier load.

    RichEdit1->moveCursor(QTextCursor::Start);
    RichEdit1->verticalScrollBar()->setValue(0);
    emit TextLoaded();
}

std::unique_ptr<QTextDocument> TFhelp::LoadHelpDocument(const QString& path) const {
    // A document of its own, set up as the view's, that nothing lays out before it is cut.
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(RichEdit1->font());
    doc->setDocumentMargin(RichEdit1->document()->documentMargin());
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(RichEdit1->wordWrapMode());
    doc->setDefaultTextOption(option);
    LoadRtfFile(*doc, path);
    if (doc->isEmpty())
        throw EMovraError(
            QStringLiteral("Plik \"%1\" nie zawiera tekstu.").arg(QFileInfo(path).fileName()));
    LimitLayoutHeight(*doc, std::min(NarrowestPageWidth(), RichEdit1->viewport()->width()));
    return doc;
}

int TFhelp::NarrowestPageWidth() const {
    // The view at the window's least width: less the panel's bevels, the view's frame and its
    // vertical scroll bar, which is always there.
    return MinimumWidth - 2 * Panel1->frameWidth() - 2 * RichEdit1->frameWidth() -
           RichEdit1->verticalScrollBar()->sizeHint().width();
}

void TFhelp::ShowDocument(std::unique_ptr<QTextDocument> doc) {
    const QPointer<QTextDocument> old = m_document;
    m_document = doc.release();
    m_document->setParent(RichEdit1);
    RichEdit1->setDocument(m_document);
    delete old.data();
}

void TFhelp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        if (!m_loadedSize.isValid())
            LoadHelpText(); // laid out now, so at the window's real width
        // Qt moves a dialog inside the screen but never shrinks one larger than it.
        KeepOnScreen(this);
    }
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
