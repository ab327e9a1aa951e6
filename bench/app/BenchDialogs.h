#pragma once

// The dialog seam for benchmarks: nobody is there to press a button, so every box is answered OK
// at once and file, colour, font and printer dialogs are cancelled. Modal windows go to a handler
// the benchmark sets (to show the window, wait for its paint and close it again). What was asked
// is kept, so that a benchmark can check it measured the path it meant to.

#include "platform/core/Dialogs.h"

#include <QtCore/QStringList>

#include <functional>

namespace movra::bench {

class TBenchDialogs final : public IDialogs {
public:
    using ModalHandler = std::function<int(QDialog*)>;

    TBenchDialogs() : m_previous(InstalledDialogs()) { SetDialogs(this); }
    ~TBenchDialogs() override { SetDialogs(m_previous); }
    TBenchDialogs(const TBenchDialogs&) = delete;
    TBenchDialogs& operator=(const TBenchDialogs&) = delete;

    // The texts of the boxes shown since the last Clear, and of the error boxes among them.
    [[nodiscard]] const QStringList& Boxes() const { return m_boxes; }
    [[nodiscard]] const QStringList& Errors() const { return m_errors; }
    void Clear() {
        m_boxes.clear();
        m_errors.clear();
    }
    void SetModalHandler(ModalHandler handler) { m_modal = std::move(handler); }

    MsgResult Box(QWidget*, MsgKind kind, const QString& text, MsgButtons buttons,
                  const QString&) override {
        m_boxes << text;
        if (kind == MsgKind::Error || kind == MsgKind::Warning)
            m_errors << text;
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Yes;
    }
    std::optional<QString> OpenFile(QWidget*, const FileDialogOptions&) override { return {}; }
    std::optional<QString> SaveFile(QWidget*, const FileDialogOptions&) override { return {}; }
    std::optional<QString> OpenPicture(QWidget*, const FileDialogOptions&) override { return {}; }
    std::optional<TColor> ChooseColor(QWidget*, TColor) override { return {}; }
    std::optional<TFont> ChooseFont(QWidget*, const TFont&) override { return {}; }
    bool PrinterSetup(QWidget*) override { return false; }
    int ExecModal(QDialog* dialog) override { return m_modal ? m_modal(dialog) : 0; }

private:
    IDialogs* m_previous = nullptr;
    ModalHandler m_modal;
    QStringList m_boxes;
    QStringList m_errors;
};

} // namespace movra::bench
