#pragma once

#include "db/SQLiteInterfaces.h"

#include <sqlite3.h>

#include <memory>

namespace movra {

// A connection to one database file. Hold it through ISQLiteDatabasePtr (OpenSQLiteDatabase);
// the last release rolls back an open transaction and closes the handle.
class TSQLiteDatabase final : public ISQLiteDatabase {
public:
    // Opens fileName (bytes as the operating system takes them), hardens the connection against
    // statements that could damage the file, and sets the connection's two pragmas. Raises
    // ESQLiteException; the handle is closed on every failure.
    explicit TSQLiteDatabase(const std::string& fileName,
                             TSQLiteOpenMode mode = TSQLiteOpenMode::Existing);
    ~TSQLiteDatabase() override;

    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    [[nodiscard]] bool TransactionOpen() const override { return m_transactionOpen; }
    [[nodiscard]] ISQLiteTablePtr Query(std::string_view sql) override;
    void Execute(std::string_view sql) override;
    [[nodiscard]] std::int64_t QueryInt64(std::string_view sql) override;
    [[nodiscard]] std::string QueryString(std::string_view sql) override;
    void StoreBlob(std::string_view sql, TBlobStream& stream) override;
    void StartTransaction() override;
    void StartWriteTransaction() override;
    void CommitTransaction() override;
    void RollbackTransaction() override;
    [[nodiscard]] bool HasTable(std::string_view name) override;
    [[nodiscard]] std::int64_t LastRowId() const override;
    void SetBusyWait(std::int32_t milliseconds) override;
    [[nodiscard]] std::string EngineVersion() const override;

    [[nodiscard]] ISQLiteTablePtr Query(std::string_view sql, const TSQLiteParams& params) override;
    void Execute(std::string_view sql, const TSQLiteParams& params) override;
    [[nodiscard]] std::int64_t Changes() const override;
    void Compact(const TSQLiteProgress& progress) override;
    std::uint32_t QueryEach(std::string_view sql,
                            const std::function<void(const ISQLiteRow&)>& onRow) override;

private:
    struct THandleCloser {
        void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
    };

    void Run(std::string_view sql, const TSQLiteParams* params);
    void BeginTransaction(std::string_view sql);
    void EndTransaction(std::string_view sql);

    std::unique_ptr<sqlite3, THandleCloser> m_db;
    bool m_transactionOpen = false;
};

} // namespace movra
