#pragma once

#include "platform/core/Colors.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <optional>

namespace movra {

// An integer as a settings file writes it: decimal with an optional sign, or hexadecimal after
// "0x" (or "$"), surrounding blanks allowed. Hexadecimal values fill 32 bits, so "0x8000000F" is
// the system colour -2147483633. Nothing for anything else, including values beyond 32 bits.
[[nodiscard]] std::optional<int> ParseIniInteger(const QString& text);

// Whether a number is a colour value as ReadColor takes it.
[[nodiscard]] bool IsIniColor(int value);

// A settings file in the INI form: "[Section]" lines, then "Key=Value" lines. Section and key
// names are found regardless of letter case and keep the order they first appeared in (the
// file's order, then new ones in the order written). The file is read once when the object is
// made; changes reach the disk only through UpdateFile.
class TIniFile {
public:
    // Reads the file if it exists: UTF-8, or Windows-1250 when the bytes are not UTF-8 (a
    // settings file from an older installation).
    explicit TIniFile(const QString& path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    [[nodiscard]] const QString& FileName() const { return m_path; }
    // True when the file existed and was read.
    [[nodiscard]] bool WasRead() const { return m_read; }

    // A missing key, or a value that is not an integer, gives the default.
    [[nodiscard]] int ReadInteger(const QString& section, const QString& key, int def) const;
    // As ReadInteger, and a value outside low..high (both included) gives the default too: a
    // number no program wrote is as good as none.
    [[nodiscard]] int ReadIntegerIn(const QString& section, const QString& key, int def, int low,
                                    int high) const;
    // A colour value: a plain colour (top byte 0) or a system colour (top byte 0x80, index 0 to
    // 30). Anything else is no colour a program wrote and, as a missing key, gives the default.
    [[nodiscard]] TColor ReadColor(const QString& section, const QString& key, TColor def) const;
    // A missing key gives the default; a present one its value without surrounding blanks.
    [[nodiscard]] QString ReadString(const QString& section, const QString& key,
                                     const QString& def) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteString(const QString& section, const QString& key, const QString& value);

    [[nodiscard]] bool SectionExists(const QString& section) const;
    [[nodiscard]] bool ValueExists(const QString& section, const QString& key) const;
    [[nodiscard]] QStringList Sections() const;
    [[nodiscard]] QStringList Keys(const QString& section) const;

    // Writes everything to the file as UTF-8, replacing it only once the new contents are
    // complete and synced on disk. False when it could not be written (a full disk, no right to
    // write, ...): the old file is then untouched and ErrorString says so in Polish, naming the
    // file and the reason.
    [[nodiscard]] bool UpdateFile();
    [[nodiscard]] const QString& ErrorString() const { return m_error; }

private:
    struct Data;
    std::unique_ptr<Data> m_data;
    QString m_path;
    QString m_error;
    bool m_read = false;
};

} // namespace movra
