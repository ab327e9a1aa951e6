// The main window's exchange with contacts programs (vCard) and spreadsheets (CSV): the people of
// the list out to a file, and people from a file into the open album as new records.

#include "album/Csv.h"
#include "album/LongWork.h"
#include "album/Unit1.h"
#include "album/VCard.h"
#include "grid/Fajny.h"
#include "platform/core/Dialogs.h"
#include "platform/core/SafeFile.h"
#include "record/Unit2.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>

namespace movra {

namespace {

const QString kVCardFilter =
    QStringLiteral("Wizytówki vCard (*.vcf *.vcard)|*.vcf;*.vcard|Dowolne pliki (*.*)|*.*");
const QString kCsvFilter = QStringLiteral("Pliki CSV (*.csv)|*.csv|Dowolne pliki (*.*)|*.*");

// Larger files than this are no address book: reading one would only fill the memory.
constexpr qint64 kMaxImportBytes = 512LL * 1024 * 1024;
// How many people a question lists by name; the rest are counted.
constexpr int kListedPeople = 20;

QString PeopleList(const QStringList& lines) {
    QStringList shown = lines.mid(0, kListedPeople);
    for (QString& line : shown)
        line.prepend(QStringLiteral("- "));
    if (lines.size() > kListedPeople)
        shown << QStringLiteral("… i %1 innych").arg(lines.size() - kListedPeople);
    return shown.join(QLatin1Char('\n'));
}

QString NameKey(const QString& imie, const QString& nazwisko) {
    return imie.trimmed().toCaseFolded() + QLatin1Char('\n') + nazwisko.trimmed().toCaseFolded();
}

QByteArray StoredPicture(const TAlbumRecord& record) {
    for (const TStoredValue& v : record.Row)
        if (v.Column == "PICTURE" && v.Kind == TSQLiteColumnKind::Blob)
            return v.Bytes;
    return {};
}

// A file name from a person's name: what no file system takes becomes a blank.
QString FileNameOf(const QString& name) {
    QString out = name;
    for (QChar& c : out)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c.unicode() < 32)
            c = QLatin1Char(' ');
    return out.trimmed();
}

} // namespace

std::optional<QString> TForm1::ChooseExchangeFile(bool save, const QString& fileName,
                                                  const QString& filter, const QString& ext) {
    FileDialogOptions o;
    o.InitialDir = m_exchangeFolder.isEmpty() ? m_programFolder : m_exchangeFolder;
    o.FileName = fileName;
    o.Filter = filter;
    o.DefaultExt = ext;
    const std::optional<QString> chosen =
        save ? Dialogs().SaveFile(this, o) : Dialogs().OpenFile(this, o);
    if (!chosen)
        return std::nullopt;
    m_exchangeFolder = QFileInfo(*chosen).absolutePath();
    if (save && QFileInfo::exists(*chosen) &&
        !Confirm(this, QStringLiteral("Plik ") + QFileInfo(*chosen).fileName() +
                           QStringLiteral(" już istnieje. Czy chcesz go zastąpić?")))
        return std::nullopt;
    return chosen;
}

void TForm1::ExportPeople(const std::vector<qint64>& ids, const QString& path,
                          const std::function<QByteArray(const TAlbumRecord&)>& write,
                          const QByteArray& head) {
    // Streamed into the new file, so that an album of many photos never has to fit in memory;
    // complete on disk or not at all: stopped, failed or a full disk keep the old file.
    TSafeFile file(path);
    // A failed write is kept by the file, later ones are refused, and Commit reports it.
    const auto put = [&](const QByteArray& bytes) { static_cast<void>(file.write(bytes)); };
    put(head);
    std::size_t done = 0;
    {
        TLongWork work(this, QStringLiteral("Eksport osób… (%1)"), m_database);
        const bool finished = WithDatabaseErrorText(TAlbumCommand::Export, [&] {
            return ReadRecordsInOrder(*m_database, ids, [&](const TAlbumRecord& record) {
                put(write(record));
                work.Step(qint64(++done));
                return work.Advance(int(done * 100 / ids.size()));
            });
        });
        if (!finished)
            throw ECommandCancelled(TAlbumCommand::Export);
    }
    file.Commit();
    ShowInformation(this, QStringLiteral("Zapisano osób: %1 w pliku „%2”.")
                              .arg(done)
                              .arg(QFileInfo(path).fileName()));
}

void TForm1::EksportVCard1Click() {
    if (!m_database || !m_form2) {
        ShowMessage(this, QStringLiteral("Żaden album nie jest otwarty."));
        return;
    }
    std::vector<qint64> ids = ListIds();
    QString fileName = QStringLiteral("osoby.vcf");
    if (RecordWindowVisible() && m_shownRecord.Id) {
        const MsgResult answer = Confirm3(
            this, QStringLiteral("Okno podglądu i edycji rekordu jest otwarte.\n\n"
                                 "Tak – zapisz w pliku vCard tylko pokazaną w nim osobę (%1), "
                                 "tak jak jest zapisana w albumie.\n"
                                 "Nie – zapisz wszystkie osoby z listy (%2).\n"
                                 "Anuluj – nic nie zapisuj.")
                      .arg(PersonName(m_shownRecord.Shown))
                      .arg(ids.size()));
        if (answer == MsgResult::Cancel)
            return;
        if (answer == MsgResult::Yes) {
            ids = {*m_shownRecord.Id};
            fileName = FileNameOf(PersonName(m_shownRecord.Shown)) + QStringLiteral(".vcf");
        }
    }
    if (ids.empty()) {
        ShowMessage(this, QStringLiteral("Lista osób jest pusta - nie ma czego eksportować."));
        return;
    }
    const std::optional<QString> path =
        ChooseExchangeFile(true, fileName, kVCardFilter, QStringLiteral("vcf"));
    if (!path)
        return;
    const QByteArray placeholder = m_form2->Placeholder().Jpeg();
    ExportPeople(ids, *path, [&](const TAlbumRecord& record) {
        TExchangePerson person{record.Texts, StoredPicture(record), {}};
        // Bytes that are no photo (damaged, or a value another program stored) stay behind.
        if (!person.Jpeg.isEmpty())
            person.Jpeg = PhotoAsJpeg(person.Jpeg, nullptr).value_or(QByteArray());
        return WriteVCard(person, placeholder);
    });
}

void TForm1::EksportCsv1Click() {
    if (!m_database) {
        ShowMessage(this, QStringLiteral("Żaden album nie jest otwarty."));
        return;
    }
    const std::vector<qint64> ids = ListIds();
    if (ids.empty()) {
        ShowMessage(this, QStringLiteral("Lista osób jest pusta - nie ma czego eksportować."));
        return;
    }
    const std::optional<QString> path =
        ChooseExchangeFile(true, QStringLiteral("lista.csv"), kCsvFilter, QStringLiteral("csv"));
    if (!path)
        return;
    ExportPeople(
        ids, *path, [](const TAlbumRecord& record) { return CsvRow(record.Texts); },
        CsvHeaderRow());
}

void TForm1::ImportVCard1Click() {
    ImportFrom(kVCardFilter, &ReadVCards);
}

void TForm1::ImportCsv1Click() {
    ImportFrom(kCsvFilter, &ReadCsv);
}

void TForm1::ImportFrom(const QString& filter,
                        std::vector<TExchangePerson> (*read)(const QByteArray&)) {
    if (!m_database || !m_form2) {
        ShowMessage(this, QStringLiteral("Najpierw otwórz album, do którego mają trafić osoby."));
        return;
    }
    // The list is read anew afterwards, which the record window's place in it would not survive.
    if (RecordWindowVisible()) {
        ShowMessage(this, QStringLiteral("Importuję osoby tylko przy zamkniętym oknie podglądu i "
                                         "edycji rekordu. Proszę uprzednio zamknij to okno."));
        return;
    }
    const std::optional<QString> path = ChooseExchangeFile(false, {}, filter, {});
    if (!path)
        return;
    const QString name = QFileInfo(*path).fileName();
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        throw EMovraError(
            QStringLiteral("Nie można otworzyć pliku „%1”: %2").arg(name, file.errorString()));
    if (file.size() > kMaxImportBytes)
        throw EMovraError(QStringLiteral("Plik „%1” jest zbyt duży (ponad 512 MB), by był "
                                         "książką adresową.")
                              .arg(name));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EMovraError(
            QStringLiteral("Nie można odczytać pliku „%1”: %2").arg(name, file.errorString()));
    std::vector<TExchangePerson> people;
    try {
        people = read(bytes);
    } catch (const EMovraError& e) {
        throw EMovraError(QStringLiteral("Plik „%1”: %2").arg(name, e.Message()));
    }
    if (people.empty()) {
        ShowMessage(this, QStringLiteral("Plik „%1” nie zawiera żadnej osoby.").arg(name));
        return;
    }
    ImportPeople(std::move(people));
}

void TForm1::ImportPeople(std::vector<TExchangePerson> people) {
    // Characters the album cannot store: never cut or replaced without asking.
    QStringList outside;
    for (const TExchangePerson& p : people)
        if (const QStringList fields = FieldsOutsideCp1250(p.Texts); !fields.isEmpty())
            outside << PersonName(p.Texts) + QStringLiteral(": ") +
                           fields.join(QStringLiteral(", "));
    if (!outside.isEmpty()) {
        const MsgResult answer = Dialogs().Box(
            this, MsgKind::Warning,
            QStringLiteral("Teksty tych osób zawierają znaki, których album nie może przechować "
                           "(album zapisuje teksty w stronie kodowej Windows-1250):\n\n%1\n\n"
                           "Tak – zapisz je w najbliższej postaci: litery z akcentami, których "
                           "album nie zna, jako litery podstawowe (np. „ñ” jako „n”), inne znaki "
                           "jako „?”.\nNie – pomiń te osoby.\nAnuluj – przerwij import.")
                .arg(PeopleList(outside)),
            MsgButtons::YesNoCancel, {});
        if (answer == MsgResult::Cancel)
            return;
        std::vector<TExchangePerson> kept;
        for (TExchangePerson& p : people) {
            if (FieldsOutsideCp1250(p.Texts).isEmpty())
                kept.push_back(std::move(p));
            else if (answer == MsgResult::Yes) {
                p.Texts = NearestCp1250(p.Texts);
                kept.push_back(std::move(p));
            }
        }
        people = std::move(kept);
    }

    // People who look already present: the same first and last name, letter case aside.
    QSet<QString> present;
    {
        TLongWork work(this, QStringLiteral("Wczytywanie listy osób… (%1)"), m_database);
        WithDatabaseErrorText(TAlbumCommand::Import, [&] {
            return ReadRecordList(*m_database, skImie, [&](const TAlbumListBytes& row) {
                present.insert(NameKey(AlbumText(row.Imie), AlbumText(row.Nazwisko)));
            });
        });
    }
    QStringList twins;
    for (const TExchangePerson& p : people)
        if (!(p.Texts.Imie.trimmed().isEmpty() && p.Texts.Nazwisko.trimmed().isEmpty()) &&
            present.contains(NameKey(p.Texts.Imie, p.Texts.Nazwisko)))
            twins << PersonName(p.Texts);
    if (!twins.isEmpty()) {
        const MsgResult answer = Dialogs().Box(
            this, MsgKind::Confirmation,
            QStringLiteral("Te osoby wyglądają na obecne już w albumie (to samo imię i "
                           "nazwisko):\n\n%1\n\nTak – dodaj je mimo to.\nNie – pomiń je i dodaj "
                           "tylko pozostałe.\nAnuluj – przerwij import.")
                .arg(PeopleList(twins)),
            MsgButtons::YesNoCancel, {});
        if (answer == MsgResult::Cancel)
            return;
        if (answer == MsgResult::No)
            std::erase_if(people, [&](const TExchangePerson& p) {
                return present.contains(NameKey(p.Texts.Imie, p.Texts.Nazwisko));
            });
    }
    if (people.empty()) {
        ShowMessage(this, QStringLiteral("Nie dodano nikogo."));
        return;
    }

    std::vector<TNewRecord> records;
    records.reserve(people.size());
    QStringList remarks;
    for (const TExchangePerson& p : people) {
        records.push_back({p.Texts, p.Jpeg});
        for (const QString& r : p.Remarks)
            remarks << PersonName(p.Texts) + QStringLiteral(": ") + r;
    }
    {
        TLongWork work(this, QStringLiteral("Dodawanie osób do albumu… (%1)"), m_database);
        const auto ids = WithDatabaseErrorText(TAlbumCommand::Import, [&] {
            return InsertRecords(*m_database, records, m_form2->Placeholder().Jpeg(),
                                 [&](std::size_t done) {
                                     work.Step(qint64(done));
                                     return work.Advance(int(done * 100 / records.size()));
                                 });
        });
        if (!ids)
            throw ECommandCancelled(TAlbumCommand::Import);
    }
    ReloadRecordList();
    QString text = QStringLiteral("Dodano do albumu osób: %1.").arg(records.size());
    if (!remarks.isEmpty())
        text += QStringLiteral("\n\nUwagi:\n") + PeopleList(remarks);
    ShowInformation(this, text);
}

} // namespace movra
