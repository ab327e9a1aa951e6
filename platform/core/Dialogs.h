#pragma once

#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "platform/core/ProgressWindow.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <memory>
#include <optional>

class QWidget;
class QDialog;

namespace movra {

// The kinds of modal boxes the program shows. Message: a plain box with OK and no icon.
enum class MsgKind { Message, Information, Warning, Confirmation, Error };
// OverwriteKeepCancel: "Nadpisz" (answers Yes), "Pokaż zapisaną" (No: keep the other version,
// drop mine) and "Anuluj" (Cancel), the question about a record another program changed.
enum class MsgButtons { Ok, YesNo, YesNoCancel, OverwriteKeepCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

// A file dialog as the program describes it. Filter is "Description|*.ext|Description|*.*";
// DefaultExt is appended (with a dot) to a typed name that has no extension; a leading dot in
// DefaultExt is ignored.
struct FileDialogOptions {
    QString Title;
    QString InitialDir;
    QString FileName;
    QString Filter;
    QString DefaultExt;
    bool ConfirmOverwrite = false; // ask before replacing an existing file (save only)
};

// The one seam for every modal interaction. The program calls Dialogs(); the Qt implementation
// shows real dialogs with Polish buttons, the test implementation records what was asked and
// answers from a queue.
class IDialogs {
public:
    virtual ~IDialogs() = default;

    // A modal box with the given text. Caption empty = the application's title.
    virtual MsgResult Box(QWidget* parent, MsgKind kind, const QString& text, MsgButtons buttons,
                          const QString& caption) = 0;

    // The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileDialogOptions& o) = 0;
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogOptions& o) = 0;
    // Picture-open dialog (with a preview in the Qt implementation).
    virtual std::optional<QString> OpenPicture(QWidget* parent, const FileDialogOptions& o) = 0;

    virtual std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) = 0;
    // Name, size, style and colour; the result keeps the initial PixelsPerInch.
    virtual std::optional<TFont> ChooseFont(QWidget* parent, const TFont& initial) = 0;
    // The printer setup dialog on the current printer; true when confirmed.
    virtual bool PrinterSetup(QWidget* parent) = 0;

    // Runs a modal window of the program (find dialog, help window, record sheet) and returns
    // its result code (QDialog::Accepted / Rejected). The test implementation hands the dialog
    // to a scripted answer instead of entering an event loop.
    virtual int ExecModal(QDialog* dialog) = 0;

    // The progress window of long work on this thread (ProgressWindow.h). It appears only once
    // the work has lasted two seconds. The Qt window unless an implementation answers it itself.
    [[nodiscard]] virtual std::unique_ptr<IProgressWindow> Progress(QWidget* parent,
                                                                    const QString& text);
};

// The seam in use. Until SetDialogs is called this is the Qt implementation.
[[nodiscard]] IDialogs& Dialogs();
// Installs another implementation (tests); nullptr restores the Qt one. Not owned.
void SetDialogs(IDialogs* d);
// The implementation installed with SetDialogs, or nullptr while the Qt one is in use (so that a
// test scope can put back whatever was there before it).
[[nodiscard]] IDialogs* InstalledDialogs();

// The application's title, the caption of every box that names none.
[[nodiscard]] QString ApplicationTitle();

// Convenience forms used by the commands.
void ShowMessage(QWidget* parent, const QString& text); // plain box, OK
void ShowInformation(QWidget* parent, const QString& text);
void ShowWarning(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
// Yes/No confirmation; true only when Yes was pressed.
[[nodiscard]] bool Confirm(QWidget* parent, const QString& text);
// Yes/No/Cancel confirmation.
[[nodiscard]] MsgResult Confirm3(QWidget* parent, const QString& text);

} // namespace movra
