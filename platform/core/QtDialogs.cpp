#include "platform/core/QtDialogs.h"

#include "platform/core/CurrentPrinter.h"
#include "platform/core/FontColorDialog.h"
#include "platform/core/PicturePreview.h"

#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

namespace movra {

namespace {

QMessageBox::Icon iconOf(MsgKind kind) {
    switch (kind) {
    case MsgKind::Message:
        return QMessageBox::NoIcon;
    case MsgKind::Information:
        return QMessageBox::Information;
    case MsgKind::Warning:
        return QMessageBox::Warning;
    case MsgKind::Confirmation:
        return QMessageBox::Question;
    case MsgKind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MsgButtons b) {
    switch (b) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
    case MsgButtons::OverwriteKeepCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The messages break lines with "\n\r" as often as "\r\n"; a label shows a lone carriage return as
// a stray glyph, so every break becomes one line feed on screen.
QString displayText(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

// Patterns of one filter choice, blank-separated as Qt lists them.
QString patternList(const QString& patterns) {
    QStringList list =
        patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    if (list.isEmpty())
        list << QStringLiteral("*");
    return list.join(QLatin1Char(' '));
}

std::optional<QString> runFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return files.first();
}

} // namespace

QStringList QtNameFilters(const QString& filter) {
    QStringList result;
    if (filter.trimmed().isEmpty())
        return result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = patternList(i + 1 < parts.size() ? parts[i + 1] : QString());
        if (description.isEmpty()) {
            result << patterns;
            continue;
        }
        // Qt takes the patterns from the parentheses at the end of the text, so a description
        // naming exactly its patterns is kept; anything else gets the real patterns appended.
        static const QRegularExpression trailing(QStringLiteral("\\(([^()]*)\\)\\s*$"));
        const QRegularExpressionMatch m = trailing.match(description);
        if (m.hasMatch() &&
            patternList(m.captured(1)).compare(patterns, Qt::CaseInsensitive) == 0) {
            result << description;
        } else {
            result << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
    }
    return result;
}

QString BareExtension(const QString& defaultExt) {
    QString e = defaultExt.trimmed();
    while (e.startsWith(QLatin1Char('.')))
        e.remove(0, 1);
    return e;
}

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogOptions& o) {
    // Qt's own dialog: it speaks the installed translation, matches patterns regardless of
    // letter case (photos from cameras are ".JPG") and can carry the picture preview.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!o.Title.isEmpty())
        dialog.setWindowTitle(o.Title);
    const QFileInfo name(o.FileName);
    if (!o.InitialDir.isEmpty())
        dialog.setDirectory(o.InitialDir);
    else if (!o.FileName.isEmpty() && name.isAbsolute())
        dialog.setDirectory(name.absolutePath());
    const QStringList filters = QtNameFilters(o.Filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    const QString defaultSuffix = BareExtension(o.DefaultExt);
    dialog.setDefaultSuffix(defaultSuffix);
    // Saving, a name typed without extension gets the one of the file type chosen (a PDF
    // document beside a metafile); a type of several or any extensions gives the default one.
    if (dialog.acceptMode() == QFileDialog::AcceptSave)
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [d = &dialog, defaultSuffix](const QString& filter) {
                             static const QRegularExpression single(
                                 QStringLiteral("\\(\\*\\.([A-Za-z0-9]+)\\)\\s*$"));
                             const QRegularExpressionMatch m = single.match(filter);
                             d->setDefaultSuffix(m.hasMatch() ? m.captured(1) : defaultSuffix);
                         });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !o.ConfirmOverwrite);
    if (!o.FileName.isEmpty())
        dialog.selectFile(name.isAbsolute() ? o.FileName : name.fileName());
}

MsgResult QtDialogs::Box(QWidget* parent, MsgKind kind, const QString& text, MsgButtons buttons,
                         const QString& caption) {
    QMessageBox box(iconOf(kind), caption.isEmpty() ? ApplicationTitle() : caption,
                    displayText(text), buttonsOf(buttons), parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(buttons == MsgButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes);
    if (buttons == MsgButtons::OverwriteKeepCancel) {
        // Each button says what it does; Enter takes the choice that loses nothing.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Nadpisz"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Pokaż zapisaną"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Anuluj"));
        box.setDefaultButton(QMessageBox::Cancel);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Ok:
        return MsgResult::Ok;
    default:
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
}

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, const FileDialogOptions& o) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ConfigureFileDialog(dialog, o);
    return runFileDialog(dialog);
}

std::optional<QString> QtDialogs::SaveFile(QWidget* parent, const FileDialogOptions& o) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    ConfigureFileDialog(dialog, o);
    return runFileDialog(dialog);
}

std::optional<QString> QtDialogs::OpenPicture(QWidget* parent, const FileDialogOptions& o) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ConfigureFileDialog(dialog, o);

    // A small preview of the picture under the cursor, beside the file list.
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(PicturePreviewSize + QSize(8, 8));
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) {
                         const QImage image = PicturePreview(path, PicturePreviewSize);
                         preview->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
                     });
    return runFileDialog(dialog);
}

std::optional<TColor> QtDialogs::ChooseColor(QWidget* parent, TColor initial) {
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), parent);
    if (!chosen.isValid())
        return std::nullopt;
    return FromQColor(chosen);
}

std::optional<TFont> QtDialogs::ChooseFont(QWidget* parent, const TFont& initial) {
    TFontColorDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.SelectedFont();
}

bool QtDialogs::PrinterSetup(QWidget* parent) {
    // The print dialog, not the page setup one: only it lets the user pick the printer as well
    // as paper and orientation (under "Properties").
    QPrintDialog dialog(&CurrentPrinter(), parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // It only sets the printer up; its confirming button must not promise to print.
    if (auto* box = dialog.findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* b : box->buttons()) {
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                b->setText(QStringLiteral("OK"));
        }
    }
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::ExecModal(QDialog* dialog) {
    return dialog ? dialog->exec() : QDialog::Rejected;
}

} // namespace movra
