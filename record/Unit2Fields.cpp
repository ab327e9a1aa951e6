#include "record/Unit2Fields.h"

#include "platform/text/Cp1250.h"

#include <QtCore/QMimeData>
#include <QtCore/QSet>
#include <QtGui/QKeyEvent>
#include <QtGui/QTextDocument>

namespace movra {

QString KeepCp1250(const QString& text) {
    if (IsCp1250(text))
        return text;
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            n = 2;
        const QString one = text.mid(i, n);
        if (IsCp1250(one))
            kept += one;
        i += n - 1;
    }
    return kept;
}

QString RefusalNote(const QString& text, int position) {
    if (position < 0 || position >= text.size())
        return QStringLiteral(
            "Tego tekstu nie można zapisać w albumie (strona kodowa Windows-1250).");
    char32_t code = text.at(position).unicode();
    QString shown = text.mid(position, 1);
    if (text.at(position).isHighSurrogate() && position + 1 < text.size() &&
        text.at(position + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(position), text.at(position + 1));
        shown = text.mid(position, 2);
    } else if (text.at(position).isSurrogate()) {
        shown.clear();
    }
    const QString codeText = QStringLiteral("U+%1")
                                 .arg(static_cast<qulonglong>(code), 4, 16, QLatin1Char('0'))
                                 .toUpper();
    const QString character =
        shown.isEmpty() ? codeText : QStringLiteral("„%1” (%2)").arg(shown, codeText);
    return QStringLiteral("Znaku %1 nie można zapisać w albumie (strona kodowa Windows-1250).")
        .arg(character);
}

QString BreaksToLf(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    t.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    return t;
}

QString RawMemoText(const QPlainTextEdit& memo) {
    // Each line of a plain-text memo is a block; blocks are joined by paragraph separators, and
    // Shift+Enter leaves a line separator inside a block. Both are line breaks of the record.
    return BreaksToLf(memo.document()->toRawText());
}

TCp1250Validator::TCp1250Validator(RefusalHandler onRefused, QObject* parent)
    : QValidator(parent), m_onRefused(std::move(onRefused)) {}

QValidator::State TCp1250Validator::validate(QString& input, int& pos) const {
    (void)pos;
    int bad = -1;
    if (ToCp1250(input, &bad))
        return Acceptable;
    if (m_onRefused)
        m_onRefused(input, bad);
    return Invalid;
}

class TNameField::TValidator final : public QValidator {
public:
    TValidator(TNameField* field, TCp1250Validator::RefusalHandler onRefused)
        : QValidator(field), m_field(field), m_code(std::move(onRefused), this) {}

    State validate(QString& input, int& pos) const override {
        if (m_code.validate(input, pos) == Invalid)
            return Invalid;
        // The line edit keeps no undo step for a text set by the program (nor for the undo back
        // to it): that text is the field's starting point and is taken as it is.
        if (!m_field->isUndoAvailable()) {
            m_earlierLong.clear();
            Held(input);
            return Acceptable;
        }
        const qsizetype n = input.size();
        if (n > m_field->TypedLimit() && n > m_held && !m_earlierLong.contains(input))
            return Invalid;
        Held(input);
        return Acceptable;
    }

private:
    // Every change of the text is validated before it is kept, so the last text accepted is the
    // one the field holds when the next edit comes.
    void Held(const QString& input) const {
        m_held = input.size();
        if (m_held > m_field->TypedLimit())
            m_earlierLong.insert(input);
    }

    TNameField* m_field;
    TCp1250Validator m_code;
    mutable qsizetype m_held = 0;
    // Texts over the limit the field has held since the program set its text: undo and redo
    // may bring them back.
    mutable QSet<QString> m_earlierLong;
};

TNameField::TNameField(int typedLimit, QWidget* parent)
    : QLineEdit(parent), m_typedLimit(typedLimit) {
    setValidator(new TValidator(
        this, [this](const QString& text, int position) { emit Refused(text, position); }));
}

TMemoField::TMemoField(QWidget* parent) : QPlainTextEdit(parent) {}

QString TMemoField::TextCrLf() const {
    QString t = RawMemoText(*this);
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void TMemoField::SetTextAnyBreaks(const QString& text) {
    setPlainText(KeepCp1250(BreaksToLf(text)));
}

void TMemoField::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    int bad = -1;
    if (!typed.isEmpty() && !ToCp1250(typed, &bad)) {
        e->accept();
        emit Refused(typed, bad);
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TMemoField::inputMethodEvent(QInputMethodEvent* e) {
    int bad = -1;
    if (!e->commitString().isEmpty() && !ToCp1250(e->commitString(), &bad)) {
        const QString refused = e->commitString();
        // The composition ends without inserting anything.
        QInputMethodEvent nothing;
        QPlainTextEdit::inputMethodEvent(&nothing);
        e->accept();
        emit Refused(refused, bad);
        return;
    }
    QPlainTextEdit::inputMethodEvent(e);
}

void TMemoField::insertFromMimeData(const QMimeData* source) {
    // Pasting and dropping: a plain-text memo inserts only the text of what comes in.
    if (!source || !source->hasText())
        return;
    const QString text = BreaksToLf(source->text());
    int bad = -1;
    if (!ToCp1250(text, &bad)) {
        emit Refused(text, bad);
        return;
    }
    textCursor().insertText(text);
    ensureCursorVisible();
}

} // namespace movra
