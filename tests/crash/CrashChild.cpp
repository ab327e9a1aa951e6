// The crash harness's child: runs the album commands on an album file the way the main window
// runs them, in a seeded random mix, until the harness kills it. Before each command it tells the
// harness what it is about to store, and after the command has returned it says so; the harness
// reads these lines from the child's standard output.
//
//   crash_child <album file> <photo folder> <seed> [--commands N] [--lean <command>]
//               [--fault split-add|memory-journal]
//
// With a command count the child stops after that many commands and ends normally. Leaning
// toward a command makes it every other command, so that the harness, which means to kill the
// child inside that command, need not wait long for it.
//
// A fault makes the child unsafe on purpose, so that the harness can show it catches such
// faults: split-add adds a record in two transactions (the texts, then the picture, as a naive
// add would), memory-journal keeps the rollback journal in memory only.

#include "album/AlbumFile.h"
#include "tests/crash/CrashCommon.h"
#include "tests/crash/CrashPhotos.h"
#include "tests/crash/CrashTexts.h"

#include <QtCore/QString>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace movra;
using namespace movra::crash;

namespace {

enum class TFault { None, SplitAdd, MemoryJournal };

// One write per line, straight to the pipe: what the harness has read is exactly what the child
// had said when it died, nothing waits in a buffer.
void Say(const std::string& line) {
    const std::string text = line + '\n';
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::_Exit(4); // the harness is gone
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

class TChild {
public:
    TChild(QString path, std::vector<QByteArray> pool, std::uint64_t seed,
           std::optional<TCommand> lean, TFault fault)
        : m_path(std::move(path)), m_pool(std::move(pool)), m_photos(m_pool.size()), m_random(seed),
          m_lean(lean), m_fault(fault), m_sortKey(m_random.Between(skImie, skKsywa)) {}

    // What the main window does after every change to the file: a new connection (releasing
    // the old one) and the record list read again in the chosen order.
    void Reload() {
        m_db.reset();
        m_db = OpenAlbumFile(m_path);
        if (m_fault == TFault::MemoryJournal)
            (void)m_db->Query("PRAGMA journal_mode=MEMORY");
        const ISQLiteTablePtr list = QueryRecordList(*m_db, m_sortKey);
        m_ids.clear();
        m_maxId = 0;
        if (list->Rows() == 0)
            return;
        const TAlbumListColumns columns = TAlbumListColumns::Of(*list);
        m_ids.reserve(list->Rows());
        for (list->MoveToFirst(); !list->AtEnd(); list->MoveNext()) {
            const qint64 id = list->Int64At(columns.Id);
            m_ids.push_back(id);
            m_maxId = std::max(m_maxId, id);
        }
    }

    [[nodiscard]] std::size_t Records() const { return m_ids.size(); }

    void RunOne(int seq) {
        TCommand command = TCommand::Regenerate;
        const double u = m_random.Unit();
        if (m_lean && m_random.Chance(0.5))
            command = *m_lean;
        else if (u < 0.32)
            command = TCommand::Add;
        else if (u < 0.67)
            command = TCommand::Save;
        else if (u < 0.92)
            command = TCommand::Delete;
        if (m_ids.empty() || (command == TCommand::Delete && m_ids.size() < 2))
            command = TCommand::Add; // the last record is never deleted
        switch (command) {
        case TCommand::Add:
            return Add(seq);
        case TCommand::Save:
            return Save(seq);
        case TCommand::Delete:
            return Delete(seq);
        case TCommand::Regenerate:
            return Regenerate(seq);
        }
    }

private:
    const TJpegPhoto& Photo(int index) {
        if (!m_photos[index])
            m_photos[index] = TJpegPhoto::FromJpeg(m_pool[index]);
        return *m_photos[index];
    }

    int RandomPhoto(int unlike) {
        for (;;) {
            const int index =
                m_random.Chance(0.06)
                    ? kFirstLargePhoto + static_cast<int>(m_random.Below(kLargePhotos))
                    : kFirstSmallPhoto + static_cast<int>(m_random.Below(kSmallPhotos));
            if (index != unlike)
                return index;
        }
    }

    void About(int seq, TCommand command, qint64 id, int photo, const TAlbumTexts* texts) {
        std::string line = "B " + std::to_string(seq) + ' ' + CommandName(command) + ' ' +
                           std::to_string(id) + ' ' + std::to_string(photo) + ' ';
        char digest[32];
        std::snprintf(digest, sizeof digest, "%016llx",
                      photo < 0 ? 0ULL
                                : static_cast<unsigned long long>(Digest(std::string_view(
                                      m_pool[photo].constData(),
                                      static_cast<std::size_t>(m_pool[photo].size())))));
        line += digest;
        if (texts != nullptr) {
            for (const std::string& bytes : StoredBytes(*texts))
                line += ' ' + HexToken(bytes);
        } else {
            for (int i = 0; i < kTextFields; ++i)
                line += " x";
        }
        Say(line);
    }

    static void Done(int seq, qint64 id) {
        Say("K " + std::to_string(seq) + ' ' + std::to_string(id));
    }

    qint64 RandomId() { return m_ids[m_random.Below(m_ids.size())]; }

    // "Dodaj rekord": the window's fields are quoted (and shown so), then inserted with the
    // window's photo, or the placeholder when it shows none.
    void Add(int seq) {
        TAlbumTexts texts = RandomTexts(m_random);
        QuoteRecordFields(texts);
        const bool noPhoto = m_random.Chance(0.03);
        const int photo = noPhoto ? kPlaceholderPhoto : RandomPhoto(-1);
        const TJpegPhoto none;
        About(seq, TCommand::Add, m_maxId + 1, photo, &texts);
        const TJpegPhoto& stored = noPhoto ? none : Photo(photo);
        const qint64 id = m_fault == TFault::SplitAdd
                              ? SplitInsert(texts, stored)
                              : InsertRecord(*m_db, texts, stored, m_pool[kPlaceholderPhoto]);
        Done(seq, id);
        Reload();
    }

    // The planted fault: the record committed first, its picture stored afterwards.
    qint64 SplitInsert(const TAlbumTexts& texts, const TJpegPhoto& photo) {
        TSQLiteParams params;
        for (const std::string& bytes : StoredBytes(texts))
            params.push_back(TSQLiteParam::Text(bytes));
        m_db->StartTransaction();
        m_db->Execute("INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres) VALUES (NULL,?, ?,?, "
                      "?,?);",
                      params);
        m_db->CommitTransaction();
        const qint64 id = m_db->LastRowId();
        StorePicture(*m_db, id, photo, m_pool[kPlaceholderPhoto]);
        return id;
    }

    // A record shown in the record window, some fields edited and a new photo imported, then
    // "Zapisz zmiany w rekordzie".
    void Save(int seq) {
        const qint64 id = RandomId();
        TAlbumRecord shown = ReadRecord(*m_db, id);
        int current = -1;
        for (int i = 0; i < static_cast<int>(m_pool.size()); ++i) {
            if (!shown.Photo.IsNull() && shown.Photo.Jpeg() == m_pool[i])
                current = i;
        }
        ChangeSomeTexts(m_random, shown.Texts);
        QuoteRecordFields(shown.Texts);
        const int photo = RandomPhoto(current);
        About(seq, TCommand::Save, id, photo, &shown.Texts);
        if (!UpdateRecord(*m_db, id, shown.Texts, Photo(photo), m_pool[kPlaceholderPhoto]))
            throw std::runtime_error("UpdateRecord found no record " + std::to_string(id));
        Done(seq, id);
        Reload();
    }

    void Delete(int seq) {
        const qint64 id = RandomId();
        About(seq, TCommand::Delete, id, -1, nullptr);
        DeleteRecord(*m_db, id);
        Done(seq, id);
        Reload();
    }

    // "Regeneruj (odśwież) bazę": compacts the file on the open connection and reads the first
    // record into the (hidden) record window; the list is not reloaded.
    void Regenerate(int seq) {
        About(seq, TCommand::Regenerate, 0, -1, nullptr);
        const std::optional<TAlbumRecord> first = movra::Regenerate(*m_db);
        Done(seq, first ? first->Id : 0);
    }

    QString m_path;
    std::vector<QByteArray> m_pool;
    std::vector<std::optional<TJpegPhoto>> m_photos;
    TRandom m_random;
    std::optional<TCommand> m_lean;
    TFault m_fault;
    int m_sortKey;
    ISQLiteDatabasePtr m_db;
    std::vector<qint64> m_ids;
    qint64 m_maxId = 0;
};

} // namespace

int main(int argc, char** argv) {
    long commands = -1;
    std::optional<TCommand> lean;
    TFault fault = TFault::None;
    bool usage = argc < 4;
    for (int i = 4; i < argc && !usage; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            usage = true;
        else if (option == "--commands")
            commands = std::strtol(argv[i + 1], nullptr, 10);
        else if (option == "--lean" && CommandOf(argv[i + 1]))
            lean = CommandOf(argv[i + 1]);
        else if (option == "--fault" && std::string(argv[i + 1]) == "split-add")
            fault = TFault::SplitAdd;
        else if (option == "--fault" && std::string(argv[i + 1]) == "memory-journal")
            fault = TFault::MemoryJournal;
        else
            usage = true;
    }
    if (usage) {
        std::fprintf(stderr, "usage: crash_child <album> <photo folder> <seed> [--commands N] "
                             "[--lean add|save|delete|regenerate] "
                             "[--fault split-add|memory-journal]\n");
        return 2;
    }
    Say("S");
    const QString album = QString::fromLocal8Bit(argv[1]);
    std::vector<QByteArray> pool = LoadPhotoPool(QString::fromLocal8Bit(argv[2]));
    const std::uint64_t seed = std::strtoull(argv[3], nullptr, 10);
    if (pool.empty()) {
        Say("F 0 the photo files are missing");
        return 3;
    }

    TChild child(album, std::move(pool), seed, lean, fault);
    try {
        // Opening the file after a kill: the first read rolls back the hot journal.
        child.Reload();
    } catch (const std::exception& e) {
        Say("F 0 opening the album: " + OneLine(e.what()));
        return 3;
    }
    Say("O " + std::to_string(child.Records()));

    for (int seq = 1; commands < 0 || seq <= commands; ++seq) {
        try {
            child.RunOne(seq);
        } catch (const std::exception& e) {
            Say("F " + std::to_string(seq) + ' ' + OneLine(e.what()));
            try {
                child.Reload(); // as the main window would on the user's next list command
            } catch (const std::exception& again) {
                Say("F 0 reloading the album: " + OneLine(again.what()));
                return 3;
            }
        }
    }
    return 0;
}
