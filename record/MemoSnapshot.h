#pragma once

#include <QtCore/QPointF>
#include <QtCore/QSize>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include <vector>

class QPainter;
class QPlainTextEdit;
class QRectF;

namespace movra {

class TSnapshotMemo;

// One line of a memo as its picture shows it: the text on the line and where its baseline
// starts, in the memo's pixels.
struct TMemoLine {
    QPointF Baseline;
    QString Text;
    qreal Width = 0; // how wide the memo laid the text out
};

// The text a memo picture shows, line by line, so that a document can carry it as text in the
// very places the picture has it.
struct TMemoText {
    QSize Size;                   // the picture's size
    QFont Font;                   // the memo's font, laid out at Dpi
    int Dpi = 96;                 // the resolution the memo measured its font at
    QColor Color;                 // the text's colour
    QColor Background;            // what the picture stands on
    std::vector<TMemoLine> Lines; // from the first line on, as far down as the picture reaches

    // The lines, one to a line of the result.
    [[nodiscard]] QString PlainText() const;
};

// Draws the text into box as the picture would lie there when stretched over it: the background
// filled, each line at its place, in its font and colour, held to its width on the screen (a
// printer's font measures a little differently), and nothing outside the box.
void DrawMemoText(QPainter& painter, const TMemoText& text, const QRectF& box);

// A memo turned into a picture, with the text the picture shows.
struct TMemoSnapshot {
    QImage Picture;
    TMemoText Text;
};

// A hidden window holding one borderless memo without scroll bars, used to turn a memo of the
// record window into a picture for the record sheet. TForm111 serves the notes memo, TForm222 the
// address memo; they differ only in caption.
class TMemoSnapshotWindow : public QWidget {
    Q_OBJECT
public:
    TMemoSnapshotWindow(const QString& caption, QWidget* parent = nullptr);

    // A picture of the window holding a copy of source: source's size, font (with colour) and
    // text, wrapped at the full width, from its first line, on the window's background. Rendered
    // off screen, so nothing flashes.
    [[nodiscard]] QImage Snapshot(const QPlainTextEdit& source);
    // The same picture with the lines of text it shows.
    [[nodiscard]] TMemoSnapshot Take(const QPlainTextEdit& source);

    [[nodiscard]] QPlainTextEdit* Memo() const;

private:
    TSnapshotMemo* m_memo = nullptr;
};

// The two instances of the program ("Form111" and "Form222").
class TForm111 : public TMemoSnapshotWindow {
    Q_OBJECT
public:
    explicit TForm111(QWidget* parent = nullptr)
        : TMemoSnapshotWindow(QStringLiteral("Form111"), parent) {}
};
class TForm222 : public TMemoSnapshotWindow {
    Q_OBJECT
public:
    explicit TForm222(QWidget* parent = nullptr)
        : TMemoSnapshotWindow(QStringLiteral("Form222"), parent) {}
};

} // namespace movra
