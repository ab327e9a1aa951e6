#pragma once

#include "db/SQLiteInterfaces.h"

#include <sqlite3.h>

#include <exception>
#include <memory>
#include <utility>

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
    void BackupTo(const std::string& path, const TSQLiteProgress& progress) override;
    std::uint32_t QueryEach(std::string_view sql,
                            const std::function<void(const ISQLiteRow&)>& onRow) override;
    void SetWatch(TSQLiteWatch watch) override;
    void AddTextFunction(const std::string& name, TSQLiteTextMap map) override;
    void AddTestFunction(const std::string& name, TSQLiteTextTest test) override;

private:
    struct THandleCloser {
        void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
    };

    void Run(std::string_view sql, const TSQLiteParams* params);
    void StoreBlobUnwatched(std::string_view sql, TBlobStream& stream);
    std::uint32_t StepEach(std::string_view sql,
                           const std::function<void(const ISQLiteRow&)>& onRow);
    void BeginTransaction(std::string_view sql);
    void EndTransaction(std::string_view sql);

    // The engine's progress handler while a watch is set: asks the watch, never lets an
    // exception into the engine's frames.
    static int OnWatch(void* self) noexcept;
    // Puts the watch back as the engine's progress handler (after Compact used its own), or
    // removes the handler when there is none.
    void InstallWatch() noexcept;
    // Runs one statement of this connection under the watch: refused while the watch runs; an
    // error the watch raised replaces the engine's "interrupted".
    template <class F> decltype(auto) Watched(F&& statement) {
        RefuseWhileWatching();
        m_watchError = nullptr;
        try {
            return statement();
        } catch (const ESQLiteException&) {
            if (m_watchError)
                std::rethrow_exception(std::exchange(m_watchError, nullptr));
            throw;
        }
    }
    void RefuseWhileWatching() const;

    std::unique_ptr<sqlite3, THandleCloser> m_db;
    bool m_transactionOpen = false;
    TSQLiteWatch m_watch;
    bool m_watching = false;       // the watch is running now
    bool m_watchSuspended = false; // a rollback is running, which nothing may stop
    std::exception_ptr m_watchError;
};

} // namespace movra
