#pragma once

#include <QtGui/QValidator>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>

#include <functional>

class QMimeData;

namespace movra {

// The record's texts are stored as Windows-1250 bytes, so a field must never take a character
// that the code page cannot hold: it would be lost or replaced when the record is saved.

// Removes every character Windows-1250 cannot hold (a surrogate pair as one character).
[[nodiscard]] QString KeepCp1250(const QString& text);

// A short Polish note for the user naming the first character of text (at position, a UTF-16
// index) that cannot be stored.
[[nodiscard]] QString RefusalNote(const QString& text, int position);

// Line breaks of any kind (CR LF, lone CR, lone LF, Unicode line and paragraph separators) as LF.
[[nodiscard]] QString BreaksToLf(const QString& text);

// Refuses an edit whose result holds a character Windows-1250 cannot hold; typing, pasting,
// dropping and input methods all pass through it. The handler hears of every refusal.
class TCp1250Validator final : public QValidator {
    Q_OBJECT
public:
    using RefusalHandler = std::function<void(const QString& text, int position)>;
    TCp1250Validator(RefusalHandler onRefused, QObject* parent);

    State validate(QString& input, int& pos) const override;

private:
    RefusalHandler m_onRefused;
};

// A one-line field whose length limit holds for typing only. A text the program puts in (a
// stored name, which older albums and the quoting of double quotes make longer than the limit)
// is kept whole, so that saving an unedited record writes back what was read. Typing, pasting,
// dropping or composing cannot make the text longer than the limit and longer than it was;
// shortening it, and undo and redo within the texts it held, always work. Characters
// Windows-1250 cannot hold are refused as TCp1250Validator refuses them.
class TNameField final : public QLineEdit {
    Q_OBJECT
public:
    TNameField(int typedLimit, QWidget* parent);

    [[nodiscard]] int TypedLimit() const { return m_typedLimit; }

signals:
    // A character Windows-1250 cannot hold was refused (a text that is too long is refused
    // silently, as a full field takes no more keys).
    void Refused(const QString& text, int position);

private:
    class TValidator;
    int m_typedLimit;
};

// A memo that refuses, as they are typed, pasted, dropped or composed, characters Windows-1250
// cannot hold.
class TMemoField final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemoField(QWidget* parent = nullptr);

    // The text with CR LF line breaks, every character as it is (a no-break space stays one).
    [[nodiscard]] QString TextCrLf() const;
    // Takes a text with CR LF, LF or CR breaks; characters the code page cannot hold are left
    // out. Clears the undo history, so the text set is the memo's starting point.
    void SetTextAnyBreaks(const QString& text);

signals:
    void Refused(const QString& text, int position);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
};

// The document text of a plain-text memo with LF breaks; unlike toPlainText() it keeps no-break
// spaces as they are.
[[nodiscard]] QString RawMemoText(const QPlainTextEdit& memo);

} // namespace movra
