#pragma once

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "tests/support/TestDialogs.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

namespace movra::test {

// One row of an album file as another program would have written it.
struct RawRecord {
    QString imie;
    QString nazwisko;
    QString ksywa;
    QString notes; // line breaks as given
    QString adres;
    std::optional<QByteArray> picture; // nothing: NULL
};

// Writes an album file with raw sqlite3 calls (the schema as the program makes it, texts as
// Windows-1250 bytes through ICU), independent of the program's own code.
void WriteRawAlbum(const QString& path, const std::vector<RawRecord>& records);

// A value read straight from the file with raw sqlite3: the bytes of column of record id.
[[nodiscard]] QByteArray RawValue(const QString& path, qint64 id, const char* column);
[[nodiscard]] QString RawType(const QString& path, qint64 id, const char* column);
[[nodiscard]] int RawCount(const QString& path);
// Every record of the file with raw sqlite3, in ID order: for each column its storage class and
// its bytes ("null:" for NULL, else e.g. "text:" followed by the bytes).
[[nodiscard]] std::vector<QByteArrayList> RawRecords(const QString& path);
// Runs one statement with raw sqlite3; false on failure.
bool RawExec(const QString& path, const char* sql);

// Windows-1250 bytes of a text, through ICU.
[[nodiscard]] QByteArray Cp1250Bytes(const QString& text);

// A running program in a temporary program folder with the answering dialog seam.
class AlbumFixture {
public:
    AlbumFixture();
    ~AlbumFixture();

    TempProgramFolder folder;
    TestDialogsScope dialogs;

    // Makes the program's windows (reads movra.ini of the folder) and shows the main window;
    // startAlbum as if named on the command line. Returns once the whole record list is in the
    // grid (a list longer than a screen is read on after its first screen shows).
    void start(const QString& startAlbum = {});
    // Only makes the windows, as the program's start does before its event loop runs: a long
    // list shows its first screen and the rest is still on its way.
    void create(const QString& startAlbum = {});
    // Closes the main window as the user would (writes the settings) and destroys the windows.
    void stop();

    [[nodiscard]] TForm1& form1() const { return m_app->Form1(); }
    [[nodiscard]] TForm2& form2() const { return m_app->Form2(); }
    [[nodiscard]] bool running() const { return m_app != nullptr; }

    // The grid's texts of a column for rows 1..n.
    [[nodiscard]] QStringList column(int col) const;

private:
    std::unique_ptr<TMovraApp> m_app;
};

} // namespace movra::test
