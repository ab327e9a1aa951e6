#include "tests/support/TestDialogs.h"

#include <QtGui/QGuiApplication>
#include <QtTest/QTest>
#include <QtWidgets/QDialog>

namespace movra::test {

namespace {

// The user's part in a progress window: "Anuluj" at a chosen report, or never.
class TTestProgress final : public IProgressWindow {
public:
    explicit TTestProgress(int cancelAt) : m_cancelAt(cancelAt) {}
    bool Advance(int) override {
        ++m_reports;
        return m_cancelAt <= 0 || m_reports < m_cancelAt;
    }

private:
    int m_cancelAt;
    int m_reports = 0;
};

} // namespace

QString DialogKindName(DialogKind k) {
    switch (k) {
    case DialogKind::Box:
        return QStringLiteral("message box");
    case DialogKind::OpenFile:
        return QStringLiteral("open-file dialog");
    case DialogKind::SaveFile:
        return QStringLiteral("save-file dialog");
    case DialogKind::OpenPicture:
        return QStringLiteral("open-picture dialog");
    case DialogKind::Color:
        return QStringLiteral("colour dialog");
    case DialogKind::Font:
        return QStringLiteral("font dialog");
    case DialogKind::PrinterSetup:
        return QStringLiteral("printer setup dialog");
    case DialogKind::Modal:
        return QStringLiteral("modal window");
    case DialogKind::Progress:
        return QStringLiteral("progress window");
    }
    return QStringLiteral("dialog");
}

QString MsgKindName(MsgKind k) {
    switch (k) {
    case MsgKind::Message:
        return QStringLiteral("Message");
    case MsgKind::Information:
        return QStringLiteral("Information");
    case MsgKind::Warning:
        return QStringLiteral("Warning");
    case MsgKind::Confirmation:
        return QStringLiteral("Confirmation");
    case MsgKind::Error:
        return QStringLiteral("Error");
    }
    return QString();
}

QString MsgResultName(MsgResult r) {
    switch (r) {
    case MsgResult::Ok:
        return QStringLiteral("Ok");
    case MsgResult::Yes:
        return QStringLiteral("Yes");
    case MsgResult::No:
        return QStringLiteral("No");
    case MsgResult::Cancel:
        return QStringLiteral("Cancel");
    }
    return QString();
}

QString ShownDialog::describe() const {
    switch (kind) {
    case DialogKind::Box:
        return QStringLiteral("%1 box \"%2\"").arg(MsgKindName(msgKind), text);
    case DialogKind::OpenFile:
    case DialogKind::SaveFile:
    case DialogKind::OpenPicture:
        return QStringLiteral("%1 \"%2\" (folder \"%3\", file \"%4\", filter \"%5\")")
            .arg(DialogKindName(kind), file.Title, file.InitialDir, file.FileName, file.Filter);
    case DialogKind::Color:
        return QStringLiteral("colour dialog preset to %1").arg(color);
    case DialogKind::Font:
        return QStringLiteral("font dialog preset to %1").arg(font ? font->Name : QString());
    case DialogKind::PrinterSetup:
        return DialogKindName(kind);
    case DialogKind::Modal:
        return QStringLiteral("modal window %1 \"%2\" (%3)")
            .arg(className, windowTitle, objectName);
    case DialogKind::Progress:
        return QStringLiteral("progress window \"%1\"").arg(text);
    }
    return DialogKindName(kind);
}

TestDialogs& TestDialogs::expectBox(MsgResult answer, std::optional<QString> text) {
    m_answers.emplace_back(BoxAnswer{answer, std::move(text)});
    return *this;
}

TestDialogs& TestDialogs::expectOpenFile(std::optional<QString> answer) {
    m_answers.emplace_back(FileAnswer{DialogKind::OpenFile, std::move(answer)});
    return *this;
}

TestDialogs& TestDialogs::expectSaveFile(std::optional<QString> answer) {
    m_answers.emplace_back(FileAnswer{DialogKind::SaveFile, std::move(answer)});
    return *this;
}

TestDialogs& TestDialogs::expectOpenPicture(std::optional<QString> answer) {
    m_answers.emplace_back(FileAnswer{DialogKind::OpenPicture, std::move(answer)});
    return *this;
}

TestDialogs& TestDialogs::expectColor(std::optional<TColor> answer) {
    m_answers.emplace_back(answer);
    return *this;
}

TestDialogs& TestDialogs::expectFont(std::optional<TFont> answer) {
    m_answers.emplace_back(std::move(answer));
    return *this;
}

TestDialogs& TestDialogs::expectPrinterSetup(bool confirmed, std::function<void()> effect) {
    m_answers.emplace_back(PrinterAnswer{confirmed, std::move(effect)});
    return *this;
}

TestDialogs& TestDialogs::expectModal(ModalAnswer answer) {
    m_answers.emplace_back(std::move(answer));
    return *this;
}

TestDialogs& TestDialogs::expectModal(int result) {
    return expectModal([result](QDialog*) { return result; });
}

const ShownDialog& TestDialogs::last() const {
    static const ShownDialog none;
    if (m_shown.empty()) {
        const_cast<TestDialogs*>(this)->fail(QStringLiteral("No dialog was shown."));
        return none;
    }
    return m_shown.back();
}

QStringList TestDialogs::texts() const {
    QStringList result;
    for (const ShownDialog& d : m_shown) {
        if (d.kind == DialogKind::Box)
            result << d.text;
    }
    return result;
}

void TestDialogs::verifyAllAnswered() {
    if (m_answers.empty())
        return;
    QStringList kinds;
    for (const Answer& a : m_answers)
        kinds << DialogKindName(kindOf(a));
    const QString message = QStringLiteral("%1 expected dialog(s) never shown: %2")
                                .arg(m_answers.size())
                                .arg(kinds.join(QStringLiteral(", ")));
    m_answers.clear();
    fail(message);
}

DialogKind TestDialogs::kindOf(const Answer& a) {
    struct Visitor {
        DialogKind operator()(const BoxAnswer&) const { return DialogKind::Box; }
        DialogKind operator()(const FileAnswer& f) const { return f.kind; }
        DialogKind operator()(const std::optional<TColor>&) const { return DialogKind::Color; }
        DialogKind operator()(const std::optional<TFont>&) const { return DialogKind::Font; }
        DialogKind operator()(const PrinterAnswer&) const { return DialogKind::PrinterSetup; }
        DialogKind operator()(const ModalAnswer&) const { return DialogKind::Modal; }
        DialogKind operator()(const ProgressAnswer&) const { return DialogKind::Progress; }
    };
    return std::visit(Visitor{}, a);
}

void TestDialogs::fail(const QString& message) {
    m_failures << message;
    if (m_onFailure) {
        m_onFailure(message);
        return;
    }
    if (QTest::currentTestFunction()) {
        QTest::qFail(qPrintable(message), __FILE__, __LINE__);
        return;
    }
    qCritical("TestDialogs: %s", qPrintable(message));
}

std::optional<TestDialogs::Answer> TestDialogs::take(const ShownDialog& d) {
    if (m_answers.empty()) {
        m_shown.back().answered = false;
        fail(QStringLiteral("Unexpected %1: no answer queued.").arg(d.describe()));
        return std::nullopt;
    }
    if (kindOf(m_answers.front()) != d.kind) {
        m_shown.back().answered = false;
        fail(QStringLiteral("Unexpected %1: the next answer queued is for a %2.")
                 .arg(d.describe(), DialogKindName(kindOf(m_answers.front()))));
        return std::nullopt;
    }
    Answer a = std::move(m_answers.front());
    m_answers.pop_front();
    return a;
}

MsgResult TestDialogs::Box(QWidget* parent, MsgKind kind, const QString& text, MsgButtons buttons,
                           const QString& caption) {
    ShownDialog d;
    d.kind = DialogKind::Box;
    d.parent = parent;
    d.busyCursor = QGuiApplication::overrideCursor() != nullptr;
    d.msgKind = kind;
    d.text = text;
    d.buttons = buttons;
    d.caption = caption;
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    if (!a) {
        switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::YesNoCancel:
        case MsgButtons::OverwriteKeepCancel:
            return MsgResult::Cancel;
        }
    }
    const BoxAnswer& answer = std::get<BoxAnswer>(*a);
    if (answer.text && *answer.text != text)
        fail(QStringLiteral("The box shows \"%1\", expected \"%2\".").arg(text, *answer.text));
    const MsgResult r = answer.result;
    // An answer the box cannot give is a mistake in the test, not a user's choice.
    const bool possible = buttons == MsgButtons::Ok
                              ? r == MsgResult::Ok
                              : (r == MsgResult::Yes || r == MsgResult::No ||
                                 (r == MsgResult::Cancel && buttons != MsgButtons::YesNo));
    if (!possible)
        fail(
            QStringLiteral("Answer %1 is not a button of %2.").arg(MsgResultName(r), d.describe()));
    return r;
}

std::optional<QString> TestDialogs::fileDialog(DialogKind kind, QWidget* parent,
                                               const FileDialogOptions& o) {
    ShownDialog d;
    d.kind = kind;
    d.parent = parent;
    d.file = o;
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    if (!a)
        return std::nullopt;
    return std::get<FileAnswer>(*a).path;
}

std::optional<QString> TestDialogs::OpenFile(QWidget* parent, const FileDialogOptions& o) {
    return fileDialog(DialogKind::OpenFile, parent, o);
}

std::optional<QString> TestDialogs::SaveFile(QWidget* parent, const FileDialogOptions& o) {
    return fileDialog(DialogKind::SaveFile, parent, o);
}

std::optional<QString> TestDialogs::OpenPicture(QWidget* parent, const FileDialogOptions& o) {
    return fileDialog(DialogKind::OpenPicture, parent, o);
}

std::optional<TColor> TestDialogs::ChooseColor(QWidget* parent, TColor initial) {
    ShownDialog d;
    d.kind = DialogKind::Color;
    d.parent = parent;
    d.color = initial;
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    if (!a)
        return std::nullopt;
    return std::get<std::optional<TColor>>(*a);
}

std::optional<TFont> TestDialogs::ChooseFont(QWidget* parent, const TFont& initial) {
    ShownDialog d;
    d.kind = DialogKind::Font;
    d.parent = parent;
    d.font = initial;
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    if (!a)
        return std::nullopt;
    std::optional<TFont> chosen = std::get<std::optional<TFont>>(*a);
    // The real dialog leaves colour and resolution as they were; so does this one.
    if (chosen) {
        chosen->Color = initial.Color;
        chosen->PixelsPerInch = initial.PixelsPerInch;
    }
    return chosen;
}

bool TestDialogs::PrinterSetup(QWidget* parent) {
    ShownDialog d;
    d.kind = DialogKind::PrinterSetup;
    d.parent = parent;
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    if (!a)
        return false;
    const auto& p = std::get<PrinterAnswer>(*a);
    if (p.effect)
        p.effect();
    return p.confirmed;
}

int TestDialogs::ExecModal(QDialog* dialog) {
    ShownDialog d;
    d.kind = DialogKind::Modal;
    d.parent = dialog ? dialog->parentWidget() : nullptr;
    if (dialog) {
        d.className = QString::fromLatin1(dialog->metaObject()->className());
        d.objectName = dialog->objectName();
        d.windowTitle = dialog->windowTitle();
    }
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    if (!a)
        return QDialog::Rejected;
    const ModalAnswer answer = std::get<ModalAnswer>(*a);
    const int result = answer ? answer(dialog) : QDialog::Rejected;
    if (dialog)
        dialog->setResult(result);
    return result;
}

TestDialogsScope::TestDialogsScope() : m_previous(InstalledDialogs()) {
    SetDialogs(&m_dialogs);
}

TestDialogsScope::~TestDialogsScope() {
    SetDialogs(m_previous);
    if (m_dialogs.pending() == 0)
        return;
    // A test that already failed often left early; its unused answers add nothing.
    if (QTest::currentTestFailed()) {
        m_dialogs.discardPending();
        return;
    }
    m_dialogs.verifyAllAnswered();
}

TestDialogs& TestDialogs::expectProgress(int cancelAt) {
    m_answers.emplace_back(ProgressAnswer{cancelAt});
    return *this;
}

std::unique_ptr<IProgressWindow> TestDialogs::Progress(QWidget* parent, const QString& text) {
    if (m_answers.empty() || kindOf(m_answers.front()) != DialogKind::Progress)
        return std::make_unique<TTestProgress>(0);
    ShownDialog d;
    d.kind = DialogKind::Progress;
    d.parent = parent;
    d.text = text;
    m_shown.push_back(d);
    const std::optional<Answer> a = take(d);
    return std::make_unique<TTestProgress>(a ? std::get<ProgressAnswer>(*a).cancelAt : 0);
}

} // namespace movra::test
