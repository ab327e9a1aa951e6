#pragma once

#include "platform/core/Colors.h"
#include "platform/text/Jpeg.h"
#include "record/RecordWindowHost.h"

#include <QtWidgets/QMainWindow>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QAction;
class QScrollArea;
class QToolButton;

namespace movra {

// The record window "Podgląd i edycja rekordu": one record's photo (tab "Foto") and five text
// fields (tab "Opis"). It holds no album-file logic: its buttons and menu entries run the main
// window's commands through IRecordWindowHost, and those commands read and write its fields.
class TForm2 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm2(IRecordWindowHost* host, QWidget* parent = nullptr);
    ~TForm2() override;

    // ---- the five fields (texts as shown; memos with CR LF line breaks) -----------------
    [[nodiscard]] QString Imie() const;     // Edit1
    [[nodiscard]] QString Nazwisko() const; // Edit2
    [[nodiscard]] QString Ksywa() const;    // Edit3
    [[nodiscard]] QString Notes() const;    // Memo1
    [[nodiscard]] QString Adres() const;    // Memo2
    // Filling the fields never sets the change flag.
    void SetImie(const QString& s);
    void SetNazwisko(const QString& s);
    void SetKsywa(const QString& s);
    void SetNotes(const QString& s);
    void SetAdres(const QString& s);

    // ---- photo (Image1) and the 2 x 2 placeholder (Image2) --------------------------------
    [[nodiscard]] const TJpegPhoto& Photo() const;
    // Filling from the album: never sets the change flag. A null photo empties Image1.
    void SetPhoto(const TJpegPhoto& photo);
    // A photo the user chose (imported from a file, dropped on the photo): it is a change of the
    // record unless it is byte for byte the photo shown, whatever its size.
    void ImportPhoto(const TJpegPhoto& photo);
    // Empties Image1 and shows note in its place (why the stored photo cannot be shown).
    void ShowPhotoNote(const QString& note);
    [[nodiscard]] const TJpegPhoto& Placeholder() const;
    // The photo to store: Image1's, or the placeholder when Image1 is empty.
    [[nodiscard]] const TJpegPhoto& PhotoToStore() const;
    // Width and height of the photo last loaded from the album file (no longer what tells a
    // change: ImportPhoto does).
    [[nodiscard]] QSize RememberedPhotoSize() const;
    void SetRememberedPhotoSize(QSize s);

    // ---- state ---------------------------------------------------------------------------
    [[nodiscard]] bool Changed() const; // the change flag
    void SetChanged(bool on);
    // Label2 (file name) and Label1 (position "3 z 15").
    void SetFileLabel(const QString& s);
    void SetPositionLabel(const QString& s);
    [[nodiscard]] QString FileLabel() const;
    [[nodiscard]] QString PositionLabel() const;
    // Shows the window (fills it from the carried settings when it turns visible) and brings it
    // to the front.
    void ShowRecord();
    // Closes without the change question (after add, save, delete): clears the flag first.
    void CloseQuietly();

    // ---- controls, for the record sheet and the memo snapshots, and for tests -------------
    [[nodiscard]] QLineEdit* Edit1() const;
    [[nodiscard]] QLineEdit* Edit2() const;
    [[nodiscard]] QLineEdit* Edit3() const;
    [[nodiscard]] QPlainTextEdit* Memo1() const;
    [[nodiscard]] QPlainTextEdit* Memo2() const;

signals:
    // A typed, pasted or dropped text was refused because Windows-1250 cannot hold one of its
    // characters; note says which, in Polish.
    void InputRefused(const QString& note);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace movra
