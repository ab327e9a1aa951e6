#include "record/MemoSnapshot.h"

#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "record/Unit2Fields.h"

#include <QtGui/QScreen>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QScrollBar>

namespace movra {

TMemoSnapshotWindow::TMemoSnapshotWindow(const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(caption);
    setWindowTitle(caption);
    TFont font(QStringLiteral("Arial"), 10, fsBold);
    font.SetHeight(-13);
    setFont(font.toQFont());

    m_memo = new QPlainTextEdit(this);
    // "Form111" holds "Memo111".
    m_memo->setObjectName(QStringLiteral("Memo") + caption.mid(4));
    m_memo->setFrameStyle(QFrame::NoFrame);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_memo->setReadOnly(true);
    m_memo->setFocusPolicy(Qt::NoFocus);
    m_memo->setGeometry(0, 0, 370, 150);
    resize(m_memo->size()); // the window fits its memo

    if (QScreen* s = screen()) {
        QRect r = geometry();
        r.moveCenter(s->geometry().center());
        move(r.topLeft());
    }
}

QImage TMemoSnapshotWindow::Snapshot(const QPlainTextEdit& source) {
    const QSize size = source.size();
    m_memo->setGeometry(QRect(QPoint(0, 0), size));
    resize(size);

    // The picture stands on the system's ordinary window background (what an unstyled memo
    // shows), never on the record window's field colour.
    const QColor background = ToQColor(clWindow);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, background);
    setPalette(windowPalette);

    m_memo->setFont(source.font());
    QPalette memoPalette = m_memo->palette();
    memoPalette.setColor(QPalette::Base, background);
    memoPalette.setColor(QPalette::Text, source.palette().color(QPalette::Text));
    m_memo->setPalette(memoPalette);
    m_memo->setPlainText(RawMemoText(source));
    m_memo->verticalScrollBar()->setValue(0);

    // Painted off screen: the window never appears, so nothing flashes.
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(palette().color(QPalette::Window));
    render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

} // namespace movra
