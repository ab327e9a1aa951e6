#include "bench/app/StartFloor.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QFile>
#include <QtCore/QStringDecoder>

#include <sqlite3.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace movra::bench {

namespace {

using TRow = std::array<QString, 6>;

class TListModel final : public QAbstractTableModel {
public:
    TListModel(std::vector<TRow> rows, QObject* parent)
        : QAbstractTableModel(parent), m_rows(std::move(rows)) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 6; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows[static_cast<std::size_t>(index.row())]
                     [static_cast<std::size_t>(index.column())];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titles[6] = {"ID",      " Imię ", " Nazwisko ",
                                              " Ksywa ", "Notes ", "Adres "};
        if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < 6)
            return QString::fromUtf8(titles[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    std::vector<TRow> m_rows;
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

std::unique_ptr<QTableView> MakeFloorListView(const QString& albumPath) {
    TConnection c;
    if (sqlite3_open_v2(QFile::encodeName(albumPath).constData(), &c.Db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + albumPath.toStdString());
    TStatement s;
    if (sqlite3_prepare_v2(c.Db, kStartListSql, -1, &s.Stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(c.Db));

    QStringDecoder cp1250("windows-1250");
    if (!cp1250.isValid())
        throw std::runtime_error("Qt has no Windows-1250 decoder here");
    const auto text = [&](int column) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s.Stmt, column));
        const int size = sqlite3_column_bytes(s.Stmt, column);
        return bytes != nullptr ? cp1250.decode(QByteArrayView(bytes, size)) : QString();
    };
    std::vector<TRow> rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s.Stmt)) == SQLITE_ROW) {
        rows.push_back(TRow{QString::number(sqlite3_column_int64(s.Stmt, 0)), text(1), text(2),
                            text(3), text(4), text(5)});
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
