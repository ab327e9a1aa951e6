#pragma once

#include "platform/core/Dialogs.h"

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtWidgets/QWidget>

#include <deque>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace movra::test {

// What the program asked for, in the order it asked.
enum class DialogKind {
    Box,
    OpenFile,
    SaveFile,
    OpenPicture,
    Color,
    Font,
    PrinterSetup,
    Modal,
    Progress
};

[[nodiscard]] QString DialogKindName(DialogKind k);
[[nodiscard]] QString MsgKindName(MsgKind k);
[[nodiscard]] QString MsgResultName(MsgResult r);

// One interaction. Only the members of its kind are filled.
struct ShownDialog {
    DialogKind kind = DialogKind::Box;
    QPointer<QWidget> parent;
    bool answered = true;    // false: nothing was queued for it (the test has already failed)
    bool busyCursor = false; // the application showed the busy cursor when it came

    // Box (and Progress: its text)
    MsgKind msgKind = MsgKind::Message;
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    QString caption; // as passed; empty means the application's title

    // OpenFile, SaveFile, OpenPicture
    FileDialogOptions file;

    // Color, Font: the preset value
    TColor color = 0;
    std::optional<TFont> font;

    // Modal: what identifies the window
    QString className;
    QString objectName;
    QString windowTitle;

    // One line for failure messages and debugging.
    [[nodiscard]] QString describe() const;
};

// The test implementation of the dialog seam: it records every dialog and answers from a queue
// that the test fills beforehand, in the order the dialogs are expected. A dialog with no answer
// queued (or the wrong kind of answer next) fails the running test and is answered Cancel / No /
// nothing, so the code under test goes its "user declined" way.
//
//   TestDialogsScope dialogs;
//   dialogs->expectBox(MsgResult::Yes);
//   form.deleteRecord();
//   QCOMPARE(dialogs->last().text, u"Zniszczyć rekord 3  jesteś tego pewny ?"_s);
class TestDialogs final : public IDialogs {
public:
    using ModalAnswer = std::function<int(QDialog*)>;

    TestDialogs() = default;
    TestDialogs(const TestDialogs&) = delete;
    TestDialogs& operator=(const TestDialogs&) = delete;
    ~TestDialogs() override = default;

    // Queue answers; each returns *this so that answers chain.
    // With a text, the box must show exactly that text (blanks included), or the test fails.
    TestDialogs& expectBox(MsgResult answer, std::optional<QString> text = std::nullopt);
    TestDialogs& expectOpenFile(std::optional<QString> answer);
    TestDialogs& expectSaveFile(std::optional<QString> answer);
    TestDialogs& expectOpenPicture(std::optional<QString> answer);
    TestDialogs& expectColor(std::optional<TColor> answer);
    TestDialogs& expectFont(std::optional<TFont> answer);
    // The effect runs before answering, standing for what the user changed in the dialog
    // (for instance the current printer's orientation).
    TestDialogs& expectPrinterSetup(bool confirmed, std::function<void()> effect = {});
    // The answer receives the dialog, may read and fill its widgets, and returns the result code
    // (QDialog::Accepted / Rejected), which is also set as the dialog's result. The window is
    // not shown and no event loop runs; an answer that wants the dialog's accepted() or
    // finished() signals (as a real OK button gives) calls dlg->accept() itself.
    TestDialogs& expectModal(ModalAnswer answer);
    // Shorthand: accept or reject a modal window without touching it.
    TestDialogs& expectModal(int result);
    // The next progress window: the user presses "Anuluj" at the cancelAt-th report of the work
    // (1 = the first); 0 lets the work finish. A progress window nothing was queued for is not
    // an unexpected dialog (quick work never shows it): it lets the work finish and is not
    // recorded.
    TestDialogs& expectProgress(int cancelAt);

    // What was shown.
    [[nodiscard]] const std::vector<ShownDialog>& shown() const { return m_shown; }
    [[nodiscard]] std::size_t count() const { return m_shown.size(); }
    [[nodiscard]] bool empty() const { return m_shown.empty(); }
    // The last dialog; fails the test (and returns an empty record) when none was shown.
    [[nodiscard]] const ShownDialog& last() const;
    // The texts of the boxes shown, in order.
    [[nodiscard]] QStringList texts() const;
    // Forgets what was shown (the queue of answers stays).
    void clear() { m_shown.clear(); }

    // Answers still queued.
    [[nodiscard]] std::size_t pending() const { return m_answers.size(); }
    // Drops queued answers without complaint.
    void discardPending() { m_answers.clear(); }
    // Fails the test if answers are still queued (the scope does this at its end).
    void verifyAllAnswered();

    // Every failure this object reported, in order.
    [[nodiscard]] const QStringList& failures() const { return m_failures; }
    // Where failures go: by default the running QtTest function fails with the message. A test of
    // this class itself may collect them instead.
    void setFailureHandler(std::function<void(const QString&)> handler) {
        m_onFailure = std::move(handler);
    }

    // IDialogs
    MsgResult Box(QWidget* parent, MsgKind kind, const QString& text, MsgButtons buttons,
                  const QString& caption) override;
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogOptions& o) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogOptions& o) override;
    std::optional<QString> OpenPicture(QWidget* parent, const FileDialogOptions& o) override;
    std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) override;
    std::optional<TFont> ChooseFont(QWidget* parent, const TFont& initial) override;
    bool PrinterSetup(QWidget* parent) override;
    int ExecModal(QDialog* dialog) override;
    std::unique_ptr<IProgressWindow> Progress(QWidget* parent, const QString& text) override;

private:
    struct BoxAnswer {
        MsgResult result;
        std::optional<QString> text;
    };
    struct FileAnswer {
        DialogKind kind;
        std::optional<QString> path;
    };
    struct PrinterAnswer {
        bool confirmed;
        std::function<void()> effect;
    };
    struct ProgressAnswer {
        int cancelAt;
    };
    using Answer = std::variant<BoxAnswer, FileAnswer, std::optional<TColor>, std::optional<TFont>,
                                PrinterAnswer, ModalAnswer, ProgressAnswer>;

    static DialogKind kindOf(const Answer& a);
    // The next answer if it is of the given kind; otherwise reports the dialog as unexpected.
    std::optional<Answer> take(const ShownDialog& d);
    void fail(const QString& message);
    std::optional<QString> fileDialog(DialogKind kind, QWidget* parent, const FileDialogOptions& o);

    std::deque<Answer> m_answers;
    std::vector<ShownDialog> m_shown;
    QStringList m_failures;
    std::function<void(const QString&)> m_onFailure;
};

// Installs a TestDialogs for its lifetime and puts back what was installed before. At its end,
// answers still queued fail the test.
class TestDialogsScope {
public:
    TestDialogsScope();
    ~TestDialogsScope();
    TestDialogsScope(const TestDialogsScope&) = delete;
    TestDialogsScope& operator=(const TestDialogsScope&) = delete;

    [[nodiscard]] TestDialogs& dialogs() { return m_dialogs; }
    TestDialogs* operator->() { return &m_dialogs; }
    TestDialogs& operator*() { return m_dialogs; }

private:
    TestDialogs m_dialogs;
    IDialogs* m_previous = nullptr;
};

} // namespace movra::test
