// The record list after its first screen: the rest read on a thread of its own and appended to
// the grid while the user can already look, scroll and show a record.

#include "album/Unit1.h"

#include "album/DatabaseErrorText.h"
#include "album/ListLoad.h"
#include "album/LongWork.h"
#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtCore/QScopeGuard>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QLabel>

#include <algorithm>
#include <limits>

namespace movra {

namespace {

// Rows reach the grid at most ten times a second: each handing-over lays the grid out and paints
// it with its scroll bar and the count, which a million records would otherwise pay for hundreds
// of times (on a busy machine the more so, the longer the reading takes).
constexpr qint64 kTakeEveryMs = 100;
// How long CompleteRecordList waits for rows before it looks at its window again.
constexpr int kWaitMs = 20;
// The first screen's rows at least, however small the screens.
constexpr int kLeastFirstScreen = 100;
// Without a paint of the first screen (a hidden window) its reader starts after this long.
constexpr int kStartWithoutPaintMs = 200;

std::string RowKey(const TAlbumListBytes& row) {
    std::string key;
    for (const std::string_view cell :
         {row.Id, row.Imie, row.Nazwisko, row.Ksywa, row.Notes, row.Adres}) {
        key += std::to_string(cell.size());
        key += ':';
        key += cell;
    }
    return key;
}

} // namespace

void TListLoad::NoteShown(const TAlbumListBytes& row) {
    Shown.push_back(RowKey(row));
}

bool TListLoad::SameAsShown(std::size_t index, const TAlbumListBytes& row) const {
    return index < Shown.size() && Shown[index] == RowKey(row);
}

int TForm1::FirstScreenRows() const {
    int tallest = 0;
    for (const QScreen* screen : QGuiApplication::screens())
        tallest = std::max(tallest, screen->geometry().height());
    return std::max(kLeastFirstScreen, tallest / std::max(1, m_rowHeight) + 1);
}

bool TForm1::RecordListComplete() const {
    return m_listLoad == nullptr;
}

void TForm1::BeginListLoad() {
    StopListReader();
    m_listLoad = std::make_unique<TListLoad>(*m_g1);
    m_listLoad->Pace.setSingleShot(true);
    connect(&m_listLoad->Pace, &QTimer::timeout, this, [this] { ListRowsArrived(); });
    m_listLoad->Start.setSingleShot(true);
    connect(&m_listLoad->Start, &QTimer::timeout, this, [this] {
        if (m_listLoad && !m_listLoad->Reader)
            StartListReader();
    });
}

void TForm1::StartListReaderAfterPaint() {
    m_g1->viewport()->removeEventFilter(this);
    m_g1->viewport()->installEventFilter(this);
    m_listLoad->Start.start(kStartWithoutPaintMs);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (FilterKey(watched, e))
        return true;
    if (e->type() == QEvent::Paint && watched == m_g1->viewport()) {
        m_g1->viewport()->removeEventFilter(this);
        // Started once this paint has been done.
        if (m_listLoad && !m_listLoad->Reader)
            m_listLoad->Start.start(0);
    }
    return QMainWindow::eventFilter(watched, e);
}

void TForm1::StartListReader() {
    TListLoad& load = *m_listLoad;
    load.Start.stop();
    // A filtered list shows the count of all records beside its own: known already unless
    // another program changed the file since it was taken (a scan as long as the filter's).
    const bool countAll = m_filter.On && m_albumRecordsCounter != m_listChangeCounter;
    // The reader's thread only posts: the rows are taken on this one, which alone touches the
    // grid. The reader is stopped before this window goes, so the window outlives every post.
    load.Reader = std::make_unique<TListReader>(m_albumPath, m_sortKey, m_filter, countAll, [this] {
        QMetaObject::invokeMethod(
            this, [this] { ListRowsArrived(); }, Qt::QueuedConnection);
    });
    load.Pace.start(0);
}

void TForm1::StopListReader() {
    m_listLoad.reset();
}

void TForm1::ListRowsArrived() {
    if (!m_listLoad || !m_listLoad->Reader || m_listLoad->Holding || m_listLoad->Waiting)
        return;
    TListLoad& load = *m_listLoad;
    // The last rows are not kept waiting: the list is then complete at once.
    if (load.SinceTaken.isValid() && load.SinceTaken.elapsed() < kTakeEveryMs &&
        !load.Reader->Ended()) {
        if (!load.Pace.isActive())
            load.Pace.start(static_cast<int>(kTakeEveryMs - load.SinceTaken.elapsed()));
        return;
    }
    Run([this] { (void)TakeListRows(nullptr); });
}

bool TForm1::TakeListRows(TLongWork* work) {
    TListLoad& load = *m_listLoad;
    const TListReader::TState state = load.Reader->Take(load.Taken);
    load.SinceTaken.start();
    std::size_t rows = 0;
    for (const TListBatch& batch : load.Taken)
        rows += batch.Rows();
    const std::size_t shown = load.Shown.size();
    TListFiller& filler = load.Filler;
    std::uint8_t& textNames = load.TextNames;
    if (load.Filtering && !load.AtTop) {
        // A filter's reading leaves the rows shown as they are until its own rows (or its end)
        // come: typing never blanks the list.
        if (rows == 0 && state == TListReader::TState::Reading) {
            load.Reader->Recycle(load.Taken);
            return true;
        }
        // Then they replace the old rows at once, which go first so that the new ones reuse
        // their memory rather than fresh memory beside them. The list starts at its top, as a
        // new list does.
        m_g1->SetRowCount(m_g1->FixedRows());
        load.AtTop = true;
    }
    // Room for the rows beyond the first screen, so the grid grows once.
    const std::size_t end = load.Received + rows;
    filler.Reserve(static_cast<int>(end - std::min(end, std::max(load.Received, shown))));
    for (const TListBatch& batch : load.Taken) {
        for (std::size_t i = 0; i < batch.Rows(); ++i, ++load.Received) {
            const TAlbumListBytes row = batch.Row(i);
            textNames &= row.TextNames;
            if (load.Received >= shown)
                filler.Append(row);
            else if (!load.SameAsShown(load.Received, row))
                filler.Rewrite(static_cast<int>(load.Received), row);
        }
    }
    load.Reader->Recycle(load.Taken);
    // Records another program deleted between the two readings.
    if (state == TListReader::TState::Done && load.Received < shown)
        filler.Truncate(static_cast<int>(load.Received));
    const bool firstRows =
        load.Filtering && load.Received > 0 && !std::exchange(load.Clicked, true);
    filler.Fit();
    if (firstRows)
        G1Click(); // the first row is the current one, as after a reading
    if (state == TListReader::TState::Done && (!m_filter.On || load.Reader->Total() >= 0)) {
        if (m_filter.On)
            m_albumRecords = load.Reader->Total();
        else
            m_albumRecords = filler.Rows();
        m_albumRecordsCounter = m_listChangeCounter;
    }
    SetRecordCount(filler.Rows());
    if (m_form2)
        m_form2->SetPositionLabel(m_label1->text() + QStringLiteral(" z ") +
                                  QString::number(ListRows()));
    if (state == TListReader::TState::Reading)
        return true;
    if (state == TListReader::TState::Done) {
        // The counter of outside changes was taken before the reader began: a change another
        // program made while it read makes the next save read the list anew.
        ListReadWhole(static_cast<std::uint8_t>(textNames & filler.TextNames()));
        StopListReader();
        FitNumberColumn(); // to the list as it came, not as it was expected
        return true;
    }
    const std::exception_ptr error = load.Reader->Error();
    StopListReader();
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        RecordListFailed(e, work);
    }
    HideNotesColumns();
    m_g1->InvalidateGrid();
    UpdateRegenerate();
    return false;
}

void TForm1::CompleteRecordList() {
    if (RecordListComplete())
        return;
    TLongWork work(this, QStringLiteral("Wczytywanie listy rekordów: %1…"));
    AwaitRecordList(work, std::numeric_limits<int>::max());
}

void TForm1::AwaitRecordList(TLongWork& work, int rows) {
    // Afterwards (and should anything else escape) the rows go on arriving through the event
    // loop, starting with any whose news came while this waited.
    const auto resume = qScopeGuard([this] {
        if (m_listLoad) {
            m_listLoad->Waiting = false;
            m_listLoad->Pace.start(0);
        }
    });
    while (m_listLoad && m_listLoad->Filler.Rows() < rows) {
        work.Step(static_cast<qint64>(m_listLoad->Filler.Rows()));
        if (!work.Tick()) {
            // "Anuluj": the reading stops, as a load the user stopped does.
            RecordListFailed(ECommandCancelled(TAlbumCommand::Open), &work);
            HideNotesColumns();
            m_g1->InvalidateGrid();
            UpdateRegenerate();
            throw EAbort();
        }
        if (!m_listLoad)
            break;
        if (!m_listLoad->Reader)
            StartListReader(); // no paint to wait for: the rows are wanted now
        m_listLoad->Waiting = true;
        m_listLoad->Reader->Wait(kWaitMs);
        if (!TakeListRows(&work))
            throw EAbort(); // the failure has been told as a failed load
    }
    // A list whose reading ended while events were handled may have failed meanwhile.
    if (!m_database)
        throw EAbort();
}

void TForm1::CompleteListAfter(int row) {
    if (!RecordListComplete() && row >= m_g1->RowCount() - 1)
        CompleteRecordList();
}

} // namespace movra
