// The live filter "Szukaj:" at 100,000 and 1,000,000 records (no photos). A text is set in the
// main window's filter field as typing sets it, and the clock runs until the filtered list is
// whole in the grid, its count ("12 z 1000000") final and the list's view painted. Beside it, the
// floor: plain sqlite3 on a connection of its own to the same file runs the same condition as
// LIKE, steps every row and touches every column's text. The goal: each
// keystroke's result on screen within 1.3 times its floor; and a newer text stops the older
// text's reading, so that after fast typing the last text takes about as long as it would alone.
//
// The texts are chosen so that LIKE (which folds the letter case of ASCII only) and the
// program's test (which folds case, and marks for a text typed without them) select the same
// people: none of their letters has a marked form among the generated names, notes or
// addresses. Each size checks it: the floor's IDs must be the program's IDs.
//
// Run it on a real X server: bench/filter/run-filter-on-xvfb.sh <build-dir>, or
// xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_filter [--sizes=100000,1000000]
// [--repetitions=5] [--gap-ms=30] (the albums are made once in the cache folder).

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "bench/app/BenchDialogs.h"
#include "bench/app/PaintWatch.h"
#include "bench/data/AlbumGenerator.h"
#include "grid/Fajny.h"
#include "platform/core/ProgramFolder.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace movra;
using namespace movra::bench;

namespace {

constexpr double kGoal = 1.3;
// Longest a single reading may take before the run counts as hung.
constexpr qint64 kTimeoutMs = 120000;
// After the list is complete, how long paints it asked for are still waited for.
constexpr qint64 kLastPaintMs = 60;

struct TText {
    const char* Kind;
    const char* Typed;
};
// Selective: the middle of a phone number, a handful of people. Medium: a nickname, one in
// fifteen. Broad: the notes' "rocznik 19..", two people in three.
constexpr TText kTexts[] = {{"selective", "123 45"}, {"medium", "rudy"}, {"broad", "ik 19"}};
// Fast typing of the broad text, a keystroke at a time; every earlier text matches the whole
// album or most of it, so each reading it stops would be a long one.
constexpr const char* kKeystrokes[] = {"i", "ik", "ik ", "ik 1", "ik 19"};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

QString LoadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readLine()).trimmed();
}

// Handles events as they come and sleeps in between: a spinning wait would take a core from the
// reader's thread on a two-core machine. The heartbeat wakes the loop when nothing else does.
class TEventPump {
public:
    TEventPump() { m_beat.start(5); }
    static void Once() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }
    static void For(qint64 ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            Once();
    }

private:
    QTimer m_beat;
};

// The main window with the album open and its list whole.
class TProgram {
public:
    TProgram(const QString& album, TBenchDialogs& dialogs) : m_dialogs(dialogs) {
        QFile ini(m_folder.filePath(QStringLiteral("movra.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write movra.ini");
        ini.write("[Form1]\nLeft=100\nTop=100\nWidth=900\nHeight=600\n[Plik]\nNazwa=" +
                  QFile::encodeName(album) + "\nSort=3\n");
        ini.close();
        SetProgramFolderOverride(m_folder.path() + QLatin1Char('/'));
        m_app = std::make_unique<TMovraApp>();
        m_form = &m_app->Form1();
        m_form->show();
        m_edit = m_form->findChild<QLineEdit*>(QStringLiteral("Szukaj"));
        m_count = m_form->findChild<QLabel*>(QStringLiteral("LabelCount"));
        if (m_edit == nullptr || m_count == nullptr)
            throw std::runtime_error("the main window has no filter field or count");
        WaitComplete();
        m_records = m_form->RecordCount();
    }
    // The windows go while the program folder is still the temporary one they were made in.
    ~TProgram() {
        m_app.reset();
        SetProgramFolderOverride({});
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    [[nodiscard]] TForm1& Form() const { return *m_form; }
    [[nodiscard]] const QString& Records() const { return m_records; }

    // The unfiltered list, whole: where each measured text starts from.
    void Unfiltered() {
        m_edit->clear();
        WaitComplete();
        Check(m_records);
    }

    // Milliseconds from setting text until its list is complete and painted.
    double Typed(const QString& text) {
        TPaintWatch rows(m_form->Grid()->viewport());
        TPaintWatch count(m_count);
        QElapsedTimer t;
        t.start();
        m_edit->setText(text);
        return UntilShown(t, rows, count);
    }

    // Sets each text in turn with gapMs of event handling between (the typing), then times the
    // last as Typed does. longestKeystrokeMs: the longest any setting of the text held the
    // window (stopping the reading before it).
    double Typing(const std::vector<QString>& texts, qint64 gapMs, double& longestKeystrokeMs) {
        longestKeystrokeMs = 0;
        for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
            QElapsedTimer k;
            k.start();
            m_edit->setText(texts[i]);
            longestKeystrokeMs = std::max(longestKeystrokeMs, Ms(k));
            TEventPump::For(gapMs);
        }
        if (m_form->RecordListComplete())
            throw std::runtime_error("a reading ended before the typing did: use a shorter gap");
        TPaintWatch rows(m_form->Grid()->viewport());
        TPaintWatch count(m_count);
        QElapsedTimer t;
        t.start();
        m_edit->setText(texts.back());
        longestKeystrokeMs = std::max(longestKeystrokeMs, Ms(t));
        return UntilShown(t, rows, count);
    }

    // Fails unless the list shows rows people and the count says so ("rows z all").
    void Check(const QString& rows) const {
        if (!m_dialogs.Errors().isEmpty())
            throw std::runtime_error(m_dialogs.Errors().join(u'|').toStdString());
        const TFajny& g = *m_form->Grid();
        const QString shown = QString::number(g.RowCount() - g.FixedRows());
        const QString count =
            m_edit->text().isEmpty() ? rows : QStringLiteral("%1 z %2").arg(rows, m_records);
        // With no data row the grid keeps one empty row below its titles.
        const bool empty = rows == u"0" && g.RowCount() - g.FixedRows() <= 1;
        if ((shown != rows && !empty) || m_form->RecordCount() != count)
            throw std::runtime_error(
                QStringLiteral("the program shows %1 rows counted \"%2\", the floor found %3")
                    .arg(shown, m_form->RecordCount(), rows)
                    .toStdString());
    }

    // The IDs the list shows, in ascending order.
    [[nodiscard]] std::vector<long long> ShownIds() const {
        const TFajny& g = *m_form->Grid();
        std::vector<long long> ids;
        for (int r = g.FixedRows(); r < g.RowCount(); ++r)
            if (const QString id = g.Cells(1, r); !id.isEmpty())
                ids.push_back(id.toLongLong());
        std::sort(ids.begin(), ids.end());
        return ids;
    }

private:
    void WaitComplete() const {
        QElapsedTimer t;
        t.start();
        while (!m_form->RecordListComplete()) {
            if (t.elapsed() > kTimeoutMs)
                throw std::runtime_error("the list did not complete");
            TEventPump::Once();
        }
        TEventPump::For(kLastPaintMs);
    }

    // Handles events until the list is complete and the paints it asked for are done; the time
    // of whichever came last (a paint is counted once the loop is back, so it has been drawn).
    double UntilShown(const QElapsedTimer& t, const TPaintWatch& rows,
                      const TPaintWatch& count) const {
        double completeAt = -1;
        double paintedAt = 0;
        int paints = 0;
        while (completeAt < 0 || Ms(t) - completeAt < kLastPaintMs) {
            if (t.elapsed() > kTimeoutMs)
                throw std::runtime_error("the filtered list did not complete");
            TEventPump::Once();
            const double now = Ms(t);
            if (rows.Paints() + count.Paints() != paints) {
                paints = rows.Paints() + count.Paints();
                paintedAt = now;
            }
            if (completeAt < 0 && m_form->RecordListComplete())
                completeAt = now;
        }
        if (paints == 0)
            throw std::runtime_error("the filtered list was never painted");
        return std::max(completeAt, paintedAt);
    }

    TBenchDialogs& m_dialogs;
    QTemporaryDir m_folder;
    std::unique_ptr<TMovraApp> m_app;
    TForm1* m_form = nullptr;
    QLineEdit* m_edit = nullptr;
    QLabel* m_count = nullptr;
    QString m_records;
};

// The floor: plain sqlite3, a connection of its own to the same file, opened once (the program
// opens one for each reading; no program has to).
class TFloor {
public:
    explicit TFloor(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK)
            throw std::runtime_error("the floor cannot open the album");
    }
    ~TFloor() { sqlite3_close_v2(m_db); }
    TFloor(const TFloor&) = delete;
    TFloor& operator=(const TFloor&) = delete;

    struct TResult {
        long long Rows = 0;
        long long Total = 0;
        double Ms = 0;      // the list and the count (the floor is Ms - CountMs)
        double CountMs = 0; // the count alone
    };

    // The rows containing text in any of the five texts, in the list's order, each column's
    // text touched; then the album's count. With ids, also the rows' IDs (not timed for that).
    TResult Run(const std::string& text, std::vector<long long>* ids = nullptr) {
        TResult r;
        QElapsedTimer t;
        t.start();
        sqlite3_stmt* list = Prepare(
            "SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres FROM album WHERE Imie LIKE ?1 OR "
            "Nazwisko LIKE ?1 OR Ksywa LIKE ?1 OR Notes LIKE ?1 OR Adres LIKE ?1 ORDER BY "
            "Nazwisko, ID");
        const std::string like = '%' + text + '%';
        sqlite3_bind_text(list, 1, like.data(), static_cast<int>(like.size()), SQLITE_STATIC);
        int rc = 0;
        while ((rc = sqlite3_step(list)) == SQLITE_ROW) {
            for (int c = 0; c < 6; ++c) {
                const unsigned char* bytes = sqlite3_column_text(list, c);
                m_touched += static_cast<unsigned>(sqlite3_column_bytes(list, c));
                if (bytes != nullptr)
                    m_touched += bytes[0];
            }
            if (ids != nullptr)
                ids->push_back(sqlite3_column_int64(list, 0));
            ++r.Rows;
        }
        sqlite3_finalize(list);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        // The album's count is timed apart and left out of the floor: the program shows it
        // ("12 z 1000000") from the whole list it read, kept up by its own adds and deletes, and
        // counts again only after another program changed the file. Printed for reference.
        QElapsedTimer c;
        c.start();
        sqlite3_stmt* count = Prepare("SELECT count(*) FROM album");
        if (sqlite3_step(count) != SQLITE_ROW)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        r.Total = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
        r.CountMs = Ms(c);
        r.Ms = Ms(t);
        if (ids != nullptr)
            std::sort(ids->begin(), ids->end());
        return r;
    }

    // Keeps the touching of the texts from being optimised away.
    [[nodiscard]] unsigned Touched() const { return m_touched; }

private:
    sqlite3_stmt* Prepare(const char* sql) const {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return s;
    }

    sqlite3* m_db = nullptr;
    unsigned m_touched = 0;
};

struct TSamples {
    std::vector<double> Program, Floor, FloorCount;
    long long Rows = 0;
};

void PrintLine(int records, const char* kind, const QString& what, const TSamples& s,
               const char* extra = "") {
    const double p = Median(s.Program);
    const double f = Median(s.Floor);
    const double count = Median(s.FloorCount);
    const double ratio = f > 0 ? p / f : 0;
    std::printf("  %-7d %-9s %-22s %7lld rows  program %8.1f ms  floor %8.1f ms (+ count %5.1f)  "
                "ratio %5.2f  %s%s\n",
                records, kind, qPrintable(QStringLiteral("\"%1\"").arg(what)), s.Rows, p, f, count,
                ratio, ratio <= kGoal ? "goal met" : "goal NOT met", extra);
    std::printf("          program:");
    for (const double v : s.Program)
        std::printf(" %.0f", v);
    std::printf("   floor:");
    for (const double v : s.Floor)
        std::printf(" %.0f", v);
    std::printf("\n");
}

void Measure(int records, int repetitions, qint64 gapMs) {
    const QString cached = CachedAlbum(TAlbumShape{records, 100, false});
    // A copy of its own, so that nothing the program does can touch the cache.
    QTemporaryDir folder;
    const QString album = folder.filePath(QStringLiteral("album.db3"));
    if (!QFile::copy(cached, album))
        throw std::runtime_error("cannot copy the album");
    TBenchDialogs dialogs;
    TEventPump pump;
    TProgram program(album, dialogs);
    TFloor floor(album);
    const QString all = QString::number(records);
    if (program.Records() != all)
        throw std::runtime_error("the list is not whole");

    std::vector<TSamples> samples(std::size(kTexts) + 1);
    // First, untimed: the same people both ways, and the file read into the system's cache.
    for (std::size_t i = 0; i < std::size(kTexts); ++i) {
        std::vector<long long> floorIds;
        const TFloor::TResult f = floor.Run(kTexts[i].Typed, &floorIds);
        if (f.Total != records)
            throw std::runtime_error("the floor counted another album");
        program.Unfiltered();
        (void)program.Typed(QString::fromLatin1(kTexts[i].Typed));
        program.Check(QString::number(f.Rows));
        if (program.ShownIds() != floorIds)
            throw std::runtime_error(std::string("the program and the floor found other people "
                                                 "for ") +
                                     kTexts[i].Typed);
        samples[i].Rows = f.Rows;
    }
    samples.back().Rows = samples[std::size(kTexts) - 1].Rows;

    std::vector<QString> keystrokes;
    for (const char* k : kKeystrokes)
        keystrokes.push_back(QString::fromLatin1(k));
    std::vector<double> keystrokeWaits;
    for (int rep = 0; rep < repetitions; ++rep) {
        for (std::size_t i = 0; i < std::size(kTexts); ++i) {
            program.Unfiltered();
            samples[i].Program.push_back(program.Typed(QString::fromLatin1(kTexts[i].Typed)));
            program.Check(QString::number(samples[i].Rows));
            const TFloor::TResult f = floor.Run(kTexts[i].Typed);
            samples[i].Floor.push_back(f.Ms - f.CountMs);
            samples[i].FloorCount.push_back(f.CountMs);
        }
        TSamples& typing = samples.back();
        program.Unfiltered();
        double longest = 0;
        typing.Program.push_back(program.Typing(keystrokes, gapMs, longest));
        keystrokeWaits.push_back(longest);
        program.Check(QString::number(typing.Rows));
        const TFloor::TResult f = floor.Run(kKeystrokes[std::size(kKeystrokes) - 1]);
        typing.Floor.push_back(f.Ms - f.CountMs);
        typing.FloorCount.push_back(f.CountMs);
    }
    if (floor.Touched() == 0)
        std::printf("(the floor touched no text)\n");

    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        PrintLine(records, kTexts[i].Kind, QString::fromLatin1(kTexts[i].Typed), samples[i]);
    const QString typed =
        QStringLiteral("%1 keys, %2 ms apart").arg(std::size(kKeystrokes)).arg(gapMs);
    char extra[96];
    std::snprintf(extra, sizeof extra, "; longest keystroke %.1f ms",
                  *std::max_element(keystrokeWaits.begin(), keystrokeWaits.end()));
    PrintLine(records, "typing", typed, samples.back(), extra);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes{100000, 1000000};
    int repetitions = 5;
    qint64 gapMs = 30;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--sizes=", 8) == 0) {
            sizes.clear();
            for (const QString& s : QString::fromUtf8(argv[i] + 8).split(u','))
                sizes.push_back(s.toInt());
        } else if (std::strncmp(argv[i], "--repetitions=", 14) == 0) {
            repetitions = std::max(1, std::atoi(argv[i] + 14));
        } else if (std::strncmp(argv[i], "--gap-ms=", 9) == 0) {
            gapMs = std::max(0, std::atoi(argv[i] + 9));
        }
    }
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        std::printf("(no DISPLAY: the goal is about a real X server; run under xvfb-run)\n");
    std::printf("The live filter: a text set in \"Szukaj\" until its list is complete and painted, "
                "against plain sqlite3's LIKE over the same file (medians "
                "of %d, program and floor interleaved; goal: ratio at most %.1f)\n",
                repetitions, kGoal);
    std::printf("load average at start: %s\n", qPrintable(LoadAverage()));
    int failures = 0;
    for (const int n : sizes) {
        try {
            Measure(n, repetitions, gapMs);
        } catch (const std::exception& e) {
            std::printf("  %d: FAILED: %s\n", n, e.what());
            ++failures;
        }
    }
    std::printf("load average at end: %s\n", qPrintable(LoadAverage()));
    return failures == 0 ? 0 : 1;
}
