#pragma once

#include <QtCore/QSize>
#include <QtCore/QTimer>
#include <QtWidgets/QDialog>

class QFrame;
class QTextEdit;

namespace movra {

// The help window: shows the help text Movra.rtf from the program's folder, or a notice asking
// for it. The main window creates one for each showing, runs it modally and destroys it.
class TFhelp : public QDialog {
    Q_OBJECT

public:
    explicit TFhelp(QWidget* parent = nullptr);

    // The notice shown while no help file is there (or the file is not RTF).
    [[nodiscard]] static QString BuiltInText();

    // Loads the help file again after the last of a burst of resizes, not after each one:
    // dragging a window edge sends dozens of them.
    static constexpr int ReloadDelayMs = 100;

    QFrame* Panel1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;

signals:
    // The help text was loaded (the file, or the notice when the file could not be read).
    void TextLoaded();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadHelpText();

    QTimer m_reloadTimer;
    QSize m_loadedSize;
};

} // namespace movra
