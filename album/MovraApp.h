#pragma once

#include <QtCore/QString>

#include <memory>

class QApplication;

namespace movra {

class TForm1;
class TForm2;
class Tfinddlg;
class TForm111;
class TForm222;
class TFhelp;
class TPokazuj;

// The program's windows, made in the program's order: the main window, the record window, the
// find dialog, the memo snapshot windows, the grid's print preview and the help window. The main
// window's commands make their own find dialogs and help windows; the instances made here are the
// program's idle ones.
class TMovraApp {
public:
    // startAlbum: the album named on the command line, opened instead of the last one.
    explicit TMovraApp(const QString& startAlbum = {});
    ~TMovraApp();
    TMovraApp(const TMovraApp&) = delete;
    TMovraApp& operator=(const TMovraApp&) = delete;

    [[nodiscard]] TForm1& Form1() const { return *m_form1; }
    [[nodiscard]] TForm2& Form2() const { return *m_form2; }

private:
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<Tfinddlg> m_finddlg;
    std::unique_ptr<TForm111> m_form111;
    std::unique_ptr<TForm222> m_form222;
    std::unique_ptr<TPokazuj> m_pokazuj; // the grid's print preview, for the list of people
    std::unique_ptr<TFhelp> m_fhelp;
};

// Application-wide set-up before any window: names (the desktop entry's too, so the desktop
// matches windows to it), the window icon, Polish locale and Qt's Polish texts.
void InitApplication(QApplication& app);

} // namespace movra
