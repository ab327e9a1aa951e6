#include "record/MemoSnapshot.h"

#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "record/Unit2Fields.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPaintDevice>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtGui/QTextBlock>
#include <QtGui/QTextLayout>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QScrollBar>

namespace movra {

// The memo of a snapshot window, which can tell where it paints each line of its text.
class TSnapshotMemo : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

    // The lines painting puts in the memo's height, found as painting finds them.
    [[nodiscard]] std::vector<TMemoLine> ShownLines() const {
        std::vector<TMemoLine> lines;
        const QPointF viewportCorner = viewport()->geometry().topLeft();
        const qreal bottom = viewport()->height();
        QPointF offset = contentOffset();
        for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
            const QRectF r = blockBoundingRect(block).translated(offset);
            const QTextLayout* layout = block.layout();
            if (block.isVisible() && layout != nullptr) {
                const QString text = block.text();
                for (int i = 0; i < layout->lineCount(); ++i) {
                    const QTextLine line = layout->lineAt(i);
                    const QPointF top = offset + layout->position() + line.position();
                    if (top.y() >= bottom)
                        break;
                    QString shown = text.mid(line.textStart(), line.textLength());
                    // A wrapped line ends in the blank it broke at; a reader needs no blanks at
                    // the end.
                    while (!shown.isEmpty() && shown.back().isSpace())
                        shown.chop(1);
                    if (!shown.isEmpty())
                        lines.push_back({viewportCorner + top + QPointF(0, line.ascent()), shown,
                                         line.naturalTextWidth()});
                }
            }
            offset.ry() += r.height();
            if (offset.y() >= bottom)
                break;
        }
        return lines;
    }
};

QString TMemoText::PlainText() const {
    QStringList out;
    for (const TMemoLine& line : Lines)
        out << line.Text;
    return out.join(QLatin1Char('\n'));
}

void DrawMemoText(QPainter& painter, const TMemoText& text, const QRectF& box) {
    if (text.Size.isEmpty() || box.isEmpty())
        return;
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / text.Size.width(), box.height() / text.Size.height());
    const QRectF memo(QPointF(0, 0), QSizeF(text.Size));
    painter.setClipRect(memo, Qt::IntersectClip);
    painter.fillRect(memo, text.Background);

    // The memo's pixels are the screen's: a size in points measured on this device would come
    // out at the device's resolution, so it is brought to the screen's.
    QFont font = text.Font;
    const QPaintDevice* device = painter.device();
    const int deviceDpi = device != nullptr ? device->logicalDpiY() : text.Dpi;
    if (font.pixelSize() <= 0 && font.pointSizeF() > 0 && deviceDpi > 0)
        font.setPointSizeF(font.pointSizeF() * text.Dpi / deviceDpi);
    painter.setFont(font);
    painter.setPen(text.Color);
    const QFontMetricsF metrics(font, device);
    for (const TMemoLine& line : text.Lines) {
        painter.save();
        painter.translate(line.Baseline);
        const qreal width = metrics.horizontalAdvance(line.Text);
        if (width > 0 && line.Width > 0)
            painter.scale(line.Width / width, 1.0);
        painter.drawText(QPointF(0, 0), line.Text);
        painter.restore();
    }
    painter.restore();
}

TMemoSnapshotWindow::TMemoSnapshotWindow(const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(caption);
    setWindowTitle(caption);
    TFont font(QStringLiteral("Arial"), 10, fsBold);
    font.SetHeight(-13);
    setFont(font.toQFont());

    m_memo = new TSnapshotMemo(this);
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

QPlainTextEdit* TMemoSnapshotWindow::Memo() const {
    return m_memo;
}

QImage TMemoSnapshotWindow::Snapshot(const QPlainTextEdit& source) {
    return Take(source).Picture;
}

TMemoSnapshot TMemoSnapshotWindow::Take(const QPlainTextEdit& source) {
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
    TMemoSnapshot shot;
    shot.Picture = QImage(size, QImage::Format_RGB32);
    shot.Picture.fill(palette().color(QPalette::Window));
    render(&shot.Picture, QPoint(), QRegion(), QWidget::DrawChildren);

    // Painting laid the text out at the memo's width; the lines are read from that layout.
    shot.Text.Size = size;
    shot.Text.Font = m_memo->font();
    shot.Text.Dpi = m_memo->logicalDpiY();
    shot.Text.Color = memoPalette.color(QPalette::Text);
    shot.Text.Background = background;
    shot.Text.Lines = m_memo->ShownLines();
    return shot;
}

} // namespace movra
