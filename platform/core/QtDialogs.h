#pragma once

#include "platform/core/Dialogs.h"

#include <QtCore/QStringList>

class QFileDialog;

namespace movra {

// The program's file filter "Description|*.ext|Description|*.*" as Qt name filters
// ("Description (*.ext)"). A description that already names its patterns in parentheses is kept
// as it is; several patterns of one choice ("*.jpg;*.jpeg") become a blank-separated list.
[[nodiscard]] QStringList QtNameFilters(const QString& filter);

// A default extension without its leading dot ("db3" for ".db3").
[[nodiscard]] QString BareExtension(const QString& defaultExt);

// Sets a file dialog up from the program's description (folder, file name, filters, default
// extension, overwrite question). Separate from showing it so that it can be checked without a
// user.
void ConfigureFileDialog(QFileDialog& dialog, const FileDialogOptions& o);

// The real dialogs: message boxes, Qt's file, colour, font and print dialogs.
class QtDialogs final : public IDialogs {
public:
    MsgResult Box(QWidget* parent, MsgKind kind, const QString& text, MsgButtons buttons,
                  const QString& caption) override;
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogOptions& o) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogOptions& o) override;
    std::optional<QString> OpenPicture(QWidget* parent, const FileDialogOptions& o) override;
    std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) override;
    std::optional<TFont> ChooseFont(QWidget* parent, const TFont& initial) override;
    bool PrinterSetup(QWidget* parent) override;
    int ExecModal(QDialog* dialog) override;
};

} // namespace movra
