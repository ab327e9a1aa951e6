#include "album/Unit1.h"

#include "album/RecentAlbums.h"
#include "grid/Fajny.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/IniFile.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtWidgets/QLabel>

namespace movra {

namespace {

const QString kSettingsName = QStringLiteral("movra.ini");

// A size of 0 or less in the settings file is a column or row the user lost, never a choice.
int positiveOr(int value, int fallback) {
    return value > 0 ? value : fallback;
}

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
    if (!QFileInfo(path).isFile())
        return;
    const TIniFile ini(path);
    const QRect g = geometry();
    setGeometry(
        ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Left"), g.x()),
        ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Top"), g.y()),
        positiveOr(ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Width"), g.width()),
                   g.width()),
        positiveOr(ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Height"), g.height()),
                   g.height()));

    const QString name = ini.ReadString(QStringLiteral("Plik"), QStringLiteral("Nazwa"), QString());
    m_albumPath = AlbumPathFromSettings(name);
    m_label2->setText(QDir::isAbsolutePath(name) ? QFileInfo(name).fileName() : name);
    m_label2->adjustSize();

    m_g1->SetFixedColor(
        ini.ReadInteger(QStringLiteral("Kolor"), QStringLiteral("FixedColor"), clBtnFace));

    const int sort = ini.ReadInteger(QStringLiteral("Plik"), QStringLiteral("Sort"), 3);
    m_sortKey = (sort >= 2 && sort <= 4) ? sort : 3;

    TFont font = m_g1->Font();
    font.Name =
        ini.ReadString(QStringLiteral("Fonty1"), QStringLiteral("Nazwa"), QStringLiteral("Arial"));
    font.SetSize(
        positiveOr(ini.ReadInteger(QStringLiteral("Fonty1"), QStringLiteral("Size"), 10), 10));
    font.Color = ini.ReadInteger(QStringLiteral("Fonty1"), QStringLiteral("Kolor"), 0);
    font.Style = ini.ReadInteger(QStringLiteral("Fonty1"), QStringLiteral("FontStyle"), 0) & 0xF;
    m_g1->SetFont(font);

    m_widthImie =
        positiveOr(ini.ReadInteger(QStringLiteral("Kolumny"), QStringLiteral("Imie"), 100), 100);
    m_widthNazwisko = positiveOr(
        ini.ReadInteger(QStringLiteral("Kolumny"), QStringLiteral("Nazwisko"), 140), 140);
    m_widthKsywa =
        positiveOr(ini.ReadInteger(QStringLiteral("Kolumny"), QStringLiteral("Ksywa"), 140), 140);

    static const char* const keys[8] = {"Left",   "Top",    "Width",   "Height",
                                        "KolorF", "KolorO", "LiteryF", "LiteryO"};
    const TCarriedSettings defaults{10, 10, 454, 714, clBtnFace, clWindow, 0, 0};
    TCarriedSettings carried{};
    for (std::size_t i = 0; i < carried.size(); ++i)
        carried[i] =
            ini.ReadInteger(QStringLiteral("Form2"), QString::fromLatin1(keys[i]), defaults[i]);
    SetCarriedSettings(carried);

    m_rowHeight =
        positiveOr(ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("WysRow"), 22), 22);

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
