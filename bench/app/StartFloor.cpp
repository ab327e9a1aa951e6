#include "bench/app/StartFloor.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QFile>
#include <QtCore/QStringDecoder>

#include <sqlite3.h>

#include <charconv>
#include <stdexcept>
#include <string>
#include <vector>

namespace movra::bench {

namespace {

// The list's texts as the file gives them, one after another, six cells a row (the ID in
// decimal); a cell becomes a QString only when the view asks for it, as the program's grid does.
struct TListBytes {
    std::string Bytes;
    std::vector<std::size_t> Ends; // where each cell ends in Bytes

    void Add(const char* data, std::size_t size) {
        Bytes.append(data, size);
        Ends.push_back(Bytes.size());
    }
    [[nodiscard]] QByteArrayView Cell(std::size_t cell) const {
        const std::size_t start = cell == 0 ? 0 : Ends[cell - 1];
        return {Bytes.data() + start, static_cast<qsizetype>(Ends[cell] - start)};
    }
};

class TListModel final : public QAbstractTableModel {
public:
    TListModel(TListBytes rows, QObject* parent)
        : QAbstractTableModel(parent), m_rows(std::move(rows)), m_cp1250("windows-1250") {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.Ends.size() / 6);
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 6; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const auto cell =
            static_cast<std::size_t>(index.row()) * 6 + static_cast<std::size_t>(index.column());
        return QString(m_cp1250.decode(m_rows.Cell(cell)));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titles[6] = {"ID",      " Imię ", " Nazwisko ",
                                              " Ksywa ", "Notes ", "Adres "};
        if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < 6)
            return QString::fromUtf8(titles[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    TListBytes m_rows;
    mutable QStringDecoder m_cp1250; // one byte a character: no state carries between cells
};

struct TConnection {
    sqlite3* Db = nullptr;
    ~TConnection() { sqlite3_close_v2(Db); }
};

struct TStatement {
    sqlite3_stmt* Stmt = nullptr;
    ~TStatement() { sqlite3_finalize(Stmt); }
};

} // namespace

std::unique_ptr<QTableView> MakeFloorListView(const QString& albumPath, int firstRows) {
    TConnection c;
    if (sqlite3_open_v2(QFile::encodeName(albumPath).constData(), &c.Db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + albumPath.toStdString());
    TStatement s;
    std::string sql = kStartListSql;
    if (firstRows > 0)
        sql += " LIMIT " + std::to_string(firstRows);
    if (sqlite3_prepare_v2(c.Db, sql.c_str(), -1, &s.Stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(c.Db));
    if (!QStringDecoder("windows-1250").isValid())
        throw std::runtime_error("Qt has no Windows-1250 decoder here");

    TListBytes rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s.Stmt)) == SQLITE_ROW) {
        char id[24];
        const auto [end, ec] = std::to_chars(id, id + sizeof id, sqlite3_column_int64(s.Stmt, 0));
        rows.Add(id, static_cast<std::size_t>(end - id));
        for (int column = 1; column < 6; ++column) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s.Stmt, column));
            const int size = sqlite3_column_bytes(s.Stmt, column);
            rows.Add(bytes, bytes != nullptr ? static_cast<std::size_t>(size) : 0);
        }
    }
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(c.Db));

    auto view = std::make_unique<QTableView>();
    view->setWindowTitle(QStringLiteral("Movra floor"));
    view->setModel(new TListModel(std::move(rows), view.get()));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setColumnHidden(0, true);
    view->setColumnHidden(4, true);
    view->setColumnHidden(5, true);
    view->setGeometry(692, 568, 543, 301);
    return view;
}

int FloorListRows(const QTableView& view) {
    return view.model() != nullptr ? view.model()->rowCount() : 0;
}

} // namespace movra::bench
