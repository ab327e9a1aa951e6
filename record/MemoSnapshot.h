#pragma once

#include <QtGui/QImage>
#include <QtWidgets/QWidget>

class QPlainTextEdit;

namespace movra {

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

    [[nodiscard]] QPlainTextEdit* Memo() const { return m_memo; }

private:
    QPlainTextEdit* m_memo = nullptr;
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
