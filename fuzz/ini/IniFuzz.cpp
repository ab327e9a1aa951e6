// The settings file "movra.ini" with hostile contents. The bytes become the file; it is read as
// the main window reads it at start (every key of every section it uses, as integers and texts),
// every name the file holds is looked up again, and then the program's exit is played: the same
// object gets every key the main window writes and is saved, and the saved file is read again.
// Every integer is also read within bounds and as a colour, as the main window reads them.
// No input may crash, hang or trip a sanitizer, and the round trip must lose nothing: what was
// written reads back as written, and every other key of the file keeps its value.

#include "fuzz/support/FuzzFiles.h"
#include "platform/core/IniFile.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

namespace {

using movra::TIniFile;

[[noreturn]] void fail(const char* what) {
    movra::fuzz::Fail("fuzz_ini", what);
}

// The keys the main window reads and writes, with their kind.
struct TKey {
    const char* Section;
    const char* Name;
    bool Integer;
    int Default;
};

constexpr TKey kProgramKeys[] = {
    {"Form1", "Left", true, 692},
    {"Form1", "Top", true, 568},
    {"Form1", "Width", true, 543},
    {"Form1", "Height", true, 301},
    {"Plik", "Nazwa", false, 0},
    {"Kolor", "FixedColor", true, -2147483633},
    {"Plik", "Sort", true, 3},
    {"Fonty1", "Nazwa", false, 0},
    {"Fonty1", "Size", true, 10},
    {"Fonty1", "Kolor", true, 0},
    {"Fonty1", "FontStyle", true, 0},
    {"Kolumny", "Imie", true, 100},
    {"Kolumny", "Nazwisko", true, 140},
    {"Kolumny", "Ksywa", true, 140},
    {"Form2", "Left", true, 10},
    {"Form2", "Top", true, 10},
    {"Form2", "Width", true, 454},
    {"Form2", "Height", true, 714},
    {"Form2", "KolorF", true, -2147483633},
    {"Form2", "KolorO", true, -2147483643},
    {"Form2", "LiteryF", true, 0},
    {"Form2", "LiteryO", true, 0},
    {"Form1", "WysRow", true, 22},
};

// Section and key names compare as the file's reader compares them: A to Z without regard to
// case, every other character as it is.
QString asciiLower(const QString& s) {
    QString r = s;
    for (QChar& c : r) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return r;
}
using TName = std::pair<QString, QString>;
TName nameOf(const QString& section, const QString& key) {
    return {asciiLower(section), asciiLower(key)};
}

void checkInteger(const QString& value) {
    const std::optional<int> n = movra::ParseIniInteger(value);
    if (n && movra::ParseIniInteger(QString::number(*n)) != n)
        fail("an integer does not read back from its decimal form");
}

// The bounded reads the main window makes: a number within the bounds, or a colour value, comes
// back as it is; anything else as the default.
void checkBoundedReads(const TIniFile& ini, const QString& section, const QString& key) {
    constexpr int kDefault = 22;
    const int plain = ini.ReadInteger(section, key, kDefault);
    const int low = -100000;
    const int high = 32767;
    const int bounded = ini.ReadIntegerIn(section, key, kDefault, low, high);
    if (bounded != (plain >= low && plain <= high ? plain : kDefault))
        fail("a bounded integer is not the value inside its bounds or the default");
    const movra::TColor colour = ini.ReadColor(section, key, movra::clBtnFace);
    if (!movra::IsIniColor(colour) || (colour != plain && colour != movra::clBtnFace))
        fail("a colour read is no colour value, or neither the file's nor the default");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QCoreApplication* app = [] {
        static int argc = 1;
        static char name[] = "fuzz_ini";
        static char* argv[] = {name, nullptr};
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
    static const movra::fuzz::TScratchFile file("movra.ini");
    file.Write(data, size);
    const QString path = QString::fromStdString(file.Path());

    TIniFile ini(path);

    // Start: what ReadSettings reads.
    std::map<TName, QString> written;
    for (const TKey& k : kProgramKeys) {
        const QString section = QString::fromLatin1(k.Section);
        const QString key = QString::fromLatin1(k.Name);
        if (k.Integer) {
            const int v = ini.ReadInteger(section, key, k.Default);
            written[nameOf(section, key)] = QString::number(v);
        } else {
            const QString v = ini.ReadString(section, key, QStringLiteral("brak"));
            written[nameOf(section, key)] = v;
        }
    }

    // Every name the file holds, found again, with its value read both ways.
    std::map<TName, QString> original;
    const QStringList sections = ini.Sections();
    for (const QString& section : sections) {
        if (!ini.SectionExists(section))
            fail("a listed section is not found");
        for (const QString& key : ini.Keys(section)) {
            if (!ini.ValueExists(section, key)) {
                std::fprintf(stderr, "[%s] \"%s\" (%s)\n", qUtf8Printable(section),
                             qUtf8Printable(key), key.toUtf8().toHex().constData());
                fail("a listed key is not found");
            }
            const QString v = ini.ReadString(section, key, QString());
            checkInteger(v);
            checkBoundedReads(ini, section, key);
            original.emplace(nameOf(section, key), v);
        }
    }

    // Exit: WriteSettings over the same object, then the saved file read again.
    for (const TKey& k : kProgramKeys) {
        const QString section = QString::fromLatin1(k.Section);
        const QString key = QString::fromLatin1(k.Name);
        const QString& v = written[nameOf(section, key)];
        if (k.Integer)
            ini.WriteInteger(section, key, v.toInt());
        else
            ini.WriteString(section, key, v);
    }
    if (!ini.UpdateFile())
        fail("the settings file could not be written back");
    const TIniFile again(path);
    if (!again.WasRead())
        fail("the written settings file does not read");
    for (const auto& [name, v] : written) {
        const QString now =
            again.ReadString(name.first, name.second, QStringLiteral("\x01missing"));
        if (now != v) {
            std::fprintf(stderr, "[%s] %s: \"%s\" became \"%s\"\n", qUtf8Printable(name.first),
                         qUtf8Printable(name.second), qUtf8Printable(v), qUtf8Printable(now));
            fail("a written key does not read back as written");
        }
    }
    for (const auto& [name, v] : original) {
        if (written.count(name))
            continue;
        const QString now =
            again.ReadString(name.first, name.second, QStringLiteral("\x01missing"));
        if (now != v) {
            std::fprintf(stderr, "[%s] %s: \"%s\" became \"%s\"\n", qUtf8Printable(name.first),
                         qUtf8Printable(name.second), qUtf8Printable(v), qUtf8Printable(now));
            fail("a key of the file was lost or changed by writing the settings back");
        }
    }
    return 0;
}
