#pragma once

#include <QtCore/QPointer>
#include <QtCore/QSize>
#include <QtCore/QTimer>
#include <QtWidgets/QDialog>

#include <memory>

class QFrame;
class QTextDocument;
class QTextEdit;

namespace movra {

// The help window: shows the help text Movra.rtf from the program's folder, or a notice asking
// for it. The main window creates one for each showing, runs it modally and destroys it.
class TFhelp : public QDialog {
    Q_OBJECT

public:
    // When the text is first loaded. A window the main window opens has it from the start, so
    // it is there as the window first takes its size; the copy made with the other windows at
    // start, which nothing opens, loads it only if it is ever shown (it would cost every start
    // the reading and laying out of the whole help text).
    enum class TFirstLoad { Now, WhenShown };
    explicit TFhelp(QWidget* parent = nullptr, TFirstLoad firstLoad = TFirstLoad::Now);

    // The notice shown while no help file is there.
    [[nodiscard]] static QString BuiltInText();

    // What is shown instead of a help file that is there but cannot be shown, and why.
    [[nodiscard]] static QString CannotShowText(const QString& path, const QString& reason);

    // The least size the window can be given.
    static constexpr int MinimumWidth = 240;
    static constexpr int MinimumHeight = 120;

    // Loads the help file again after the last of a burst of resizes, not after each one:
    // dragging a window edge sends dozens of them.
    static constexpr int ReloadDelayMs = 100;

    QFrame* Panel1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;

signals:
    // The help text was loaded (the file, or why it could not be shown).
    void TextLoaded();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadHelpText();
    [[nodiscard]] std::unique_ptr<QTextDocument> LoadHelpDocument(const QString& path) const;
    [[nodiscard]] int NarrowestPageWidth() const;
    void ShowDocument(std::unique_ptr<QTextDocument> doc);

    QPointer<QTextDocument> m_document; // the help text shown, once one was loaded
    QTimer m_reloadTimer;
    QSize m_loadedSize;
};

} // namespace movra
