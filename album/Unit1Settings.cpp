#include "album/Unit1.h"

#include "album/RecentAlbums.h"
#include "grid/Fajny.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/IniFile.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QLabel>

namespace movra {

namespace {

const QString kSettingsName = QStringLiteral("movra.ini");

// The largest font size the font chooser takes, in points.
constexpr int kMaxFontSize = 512;
// No font's family name is longer (the font files and fontconfig keep them within 255 bytes).
// A longer one was written by no run of the program, and matching a megabyte of it against the
// installed fonts kept the start busy for seconds.
constexpr qsizetype kMaxFontName = 255;

// The desktop all screens make up together; without a screen, the largest place and size a
// window can have on X11.
QRect desktopArea() {
    QRect area;
    for (const QScreen* s : QGuiApplication::screens())
        area = area.united(s->geometry());
    return area.isEmpty() ? QRect(0, 0, 32767, 32767) : area;
}

// The numbers of the settings file that say where a window goes and how large it is, and how
// large the grid's rows and columns are, are believed only as far as the desktop reaches. A size
// larger than all screens together was written by no run of the program. A place may lie off
// the desktop, as one saved on a monitor that is no longer attached does (the window is then
// moved onto the screen when it is shown), but not farther off than the desktop is large. A
// number outside these bounds counts as missing, as one that does not parse does, and the
// default takes its place.
struct TSettingsReader {
    const TIniFile& ini;
    QRect desktop = desktopArea();

    [[nodiscard]] int left(const QString& section, int def) const {
        return ini.ReadIntegerIn(section, QStringLiteral("Left"), def,
                                 desktop.left() - desktop.width(),
                                 desktop.right() + desktop.width());
    }
    [[nodiscard]] int top(const QString& section, int def) const {
        return ini.ReadIntegerIn(section, QStringLiteral("Top"), def,
                                 desktop.top() - desktop.height(),
                                 desktop.bottom() + desktop.height());
    }
    [[nodiscard]] int width(const QString& section, const QString& key, int def) const {
        return ini.ReadIntegerIn(section, key, def, 1, desktop.width());
    }
    [[nodiscard]] int height(const QString& section, const QString& key, int def) const {
        return ini.ReadIntegerIn(section, key, def, 1, desktop.height());
    }
};

} // namespace

QString TForm1::SettingsPath() const {
    return m_programFolder + kSettingsName;
}

// Album files beside the program are named by their bare name, as older settings files do; a
// file elsewhere keeps its full path so that the same file opens again.
QString TForm1::SettingsNameOf(const QString& fullPath) const {
    const QFileInfo fi(fullPath);
    if (QDir(fi.absolutePath()) == QDir(m_programFolder))
        return fi.fileName();
    return QDir::toNativeSeparators(fi.absoluteFilePath());
}

QString TForm1::AlbumPathFromSettings(const QString& name) const {
    if (QDir::isAbsolutePath(name))
        return QDir::cleanPath(QDir::fromNativeSeparators(name));
    return m_programFolder + name;
}

void TForm1::ReadSettings() {
    const QString path = SettingsPath();
    if (!QFileInfo(path).isFile()) {
        PlaceForFirstStart();
        return;
    }
    const TIniFile ini(path);
    const TSettingsReader read{ini};
    const QString form1 = QStringLiteral("Form1");
    const QRect g = geometry();
    setGeometry(read.left(form1, g.x()), read.top(form1, g.y()),
                read.width(form1, QStringLiteral("Width"), g.width()),
                read.height(form1, QStringLiteral("Height"), g.height()));

    const QString name = ini.ReadString(QStringLiteral("Plik"), QStringLiteral("Nazwa"), QString());
    m_albumPath = AlbumPathFromSettings(name);
    m_label2->setText(QDir::isAbsolutePath(name) ? QFileInfo(name).fileName() : name);
    m_label2->adjustSize();

    m_g1->SetFixedColor(
        ini.ReadColor(QStringLiteral("Kolor"), QStringLiteral("FixedColor"), clBtnFace));

    m_sortKey = ini.ReadIntegerIn(QStringLiteral("Plik"), QStringLiteral("Sort"), 3, 2, 4);

    const QString fonty1 = QStringLiteral("Fonty1");
    TFont font = m_g1->Font();
    font.Name = ini.ReadString(fonty1, QStringLiteral("Nazwa"), QStringLiteral("Arial"));
    if (font.Name.size() > kMaxFontName)
        font.Name = QStringLiteral("Arial");
    font.SetSize(ini.ReadIntegerIn(fonty1, QStringLiteral("Size"), 10, 1, kMaxFontSize));
    font.Color = ini.ReadColor(fonty1, QStringLiteral("Kolor"), 0);
    font.Style = ini.ReadIntegerIn(fonty1, QStringLiteral("FontStyle"), 0, 0,
                                   fsBold | fsItalic | fsUnderline | fsStrikeOut);
    m_g1->SetFont(font);

    const QString kolumny = QStringLiteral("Kolumny");
    m_widthImie = read.width(kolumny, QStringLiteral("Imie"), 100);
    m_widthNazwisko = read.width(kolumny, QStringLiteral("Nazwisko"), 140);
    m_widthKsywa = read.width(kolumny, QStringLiteral("Ksywa"), 140);

    const QString form2 = QStringLiteral("Form2");
    SetCarriedSettings({read.left(form2, 10), read.top(form2, 10),
                        read.width(form2, QStringLiteral("Width"), 454),
                        read.height(form2, QStringLiteral("Height"), 714),
                        ini.ReadColor(form2, QStringLiteral("KolorF"), clBtnFace),
                        ini.ReadColor(form2, QStringLiteral("KolorO"), clWindow),
                        ini.ReadColor(form2, QStringLiteral("LiteryF"), 0),
                        ini.ReadColor(form2, QStringLiteral("LiteryO"), 0)});

    m_rowHeight = read.height(form1, QStringLiteral("WysRow"), 22);

    m_recentAlbums = ReadRecentAlbums(ini);
}

void TForm1::WriteSettings() {
    TIniFile ini(SettingsPath());
    const QRect g = geometry();
    ini.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Left"), g.x());
    ini.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Top"), g.y());
    ini.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Width"), g.width());
    ini.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Height"), g.height());
    ini.WriteString(QStringLiteral("Plik"), QStringLiteral("Nazwa"),
                    m_albumPath.isEmpty() || m_label2->text() == QStringLiteral("brak")
                        ? m_label2->text()
                        : SettingsNameOf(m_albumPath));
    ini.WriteInteger(QStringLiteral("Kolor"), QStringLiteral("FixedColor"), m_g1->FixedColor());
    ini.WriteInteger(QStringLiteral("Plik"), QStringLiteral("Sort"), m_sortKey);
    const TFont& font = m_g1->Font();
    ini.WriteString(QStringLiteral("Fonty1"), QStringLiteral("Nazwa"), font.Name);
    ini.WriteInteger(QStringLiteral("Fonty1"), QStringLiteral("Size"), font.Size());
    ini.WriteInteger(QStringLiteral("Fonty1"), QStringLiteral("Kolor"), font.Color);
    ini.WriteInteger(QStringLiteral("Fonty1"), QStringLiteral("FontStyle"), font.Style);
    static const char* const widthKeys[3] = {"Imie", "Nazwisko", "Ksywa"};
    for (int i = 0; i < 3; ++i) {
        const int w = m_g1->ColWidths(2 + i);
        if (w > 0)
            ini.WriteInteger(QStringLiteral("Kolumny"), QString::fromLatin1(widthKeys[i]), w);
    }
    static const char* const keys[8] = {"Left",   "Top",    "Width",   "Height",
                                        "KolorF", "KolorO", "LiteryF", "LiteryO"};
    const TCarriedSettings carried = CarriedSettings();
    for (std::size_t i = 0; i < carried.size(); ++i)
        ini.WriteInteger(QStringLiteral("Form2"), QString::fromLatin1(keys[i]), carried[i]);
    if (m_rowHeight > 0)
        ini.WriteInteger(QStringLiteral("Form1"), QStringLiteral("WysRow"), m_rowHeight);
    WriteRecentAlbums(ini, m_recentAlbums);
    if (!ini.UpdateFile())
        throw EMovraError(QStringLiteral("Ustawienia programu nie zostały zapisane.\n") +
                          ini.ErrorString());
}

} // namespace movra
