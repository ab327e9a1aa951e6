#pragma once

#include "db/BlobStream.h"
#include "db/SQLiteParam.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace movra {

// Every failure of the database layer is an ESQLiteException carrying its message, with two
// exceptions that are programming or data errors rather than database errors:
//  - a column index outside the table raises std::out_of_range;
//  - FirstAsInt on a value that is not a 32-bit integer raises std::invalid_argument.
// Messages are bytes: statement texts and file names appear in them as they were given.
//
// An error that came from the engine also carries its extended result code and the operating
// system's error number (0 where there is none), so that a caller can tell the user why without
// parsing the message; the message itself stays as the engine phrased it.
class ESQLiteException : public std::runtime_error {
public:
    explicit ESQLiteException(const std::string& message, int extendedCode = 0, int systemErrno = 0)
        : std::runtime_error(message), m_extendedCode(extendedCode), m_systemErrno(systemErrno) {}

    // The engine's extended result code (for example SQLITE_BUSY_SNAPSHOT), 0 when unknown.
    explicit ESQLiteException(const char* message, int extendedCode = 0, int systemErrno = 0)
        : std::runtime_error(message), m_extendedCode(extendedCode), m_systemErrno(systemErrno) {}

    [[nodiscard]] int ExtendedCode() const noexcept { return m_extendedCode; }
    // The primary result code (SQLITE_BUSY, SQLITE_FULL, ...): the low byte of the extended one.
    [[nodiscard]] int ResultCode() const noexcept { return m_extendedCode & 0xFF; }
    // errno of the file operation that failed, as the engine recorded it; 0 when none.
    [[nodiscard]] int SystemErrno() const noexcept { return m_systemErrno; }

private:
    int m_extendedCode = 0;
    int m_systemErrno = 0;
};

// Column kinds of a result table; the numbers are the ones the file format's readers use.
enum class TSQLiteColumnKind : int { Integer = 1, Float = 2, Text = 3, Blob = 4 };

// A query's whole result in memory, with a row cursor. Column arguments are 0-based indexes.
// Every value reader raises "Table is at End of File" when the cursor is at the end.
class ISQLiteTable {
public:
    virtual ~ISQLiteTable() = default;

    // Display text: integers in decimal, floats in general form (up to 15 significant digits),
    // texts as stored, blobs as their bytes. NULL integers and floats show "0", NULL texts and
    // blobs an empty text.
    [[nodiscard]] virtual std::string TextAt(int column) const = 0;
    [[nodiscard]] virtual bool AtEnd() const = 0;
    [[nodiscard]] virtual bool AtStart() const = 0;
    // The column's name in upper case.
    [[nodiscard]] virtual std::string ColumnName(int column) const = 0;
    [[nodiscard]] virtual std::string TextOf(std::string_view name) const = 0;
    // The first column whose name matches without regard to case.
    [[nodiscard]] virtual int ColumnOf(std::string_view name) const = 0;
    [[nodiscard]] virtual std::uint32_t Rows() const = 0;
    // TextAt(0) of the current row as an integer; 0 at the end.
    [[nodiscard]] virtual std::int32_t FirstAsInt() const = 0;
    [[nodiscard]] virtual std::uint32_t Columns() const = 0;
    [[nodiscard]] virtual std::uint32_t Position() const = 0;
    [[nodiscard]] virtual std::uint32_t RowTotal() const = 0;
    [[nodiscard]] virtual std::int64_t Int64At(int column) const = 0;
    // The table's own stream (valid while the table lives), or nullptr for NULL.
    [[nodiscard]] virtual TBlobStream* BlobAt(int column) = 0;
    // Every byte of the blob as a text of the same length (the stream's position is untouched).
    [[nodiscard]] virtual std::string BlobTextAt(int column) const = 0;
    [[nodiscard]] virtual bool IsNullAt(int column) const = 0;
    [[nodiscard]] virtual std::string StringAt(int column) const = 0;
    [[nodiscard]] virtual double DoubleAt(int column) const = 0;
    virtual bool MoveNext() = 0;
    virtual bool MovePrior() = 0;
    virtual bool MoveToFirst() = 0;
    virtual bool MoveToLast() = 0;

    // Extensions for readers that copy many values.
    // The stored bytes of a text or blob value without a copy (empty for NULL), valid while the
    // table lives. Integer and float columns raise "Not a text or blob field".
    [[nodiscard]] virtual std::string_view BytesAt(int column) const = 0;
    [[nodiscard]] virtual TSQLiteColumnKind KindAt(int column) const = 0;
};

using ISQLiteTablePtr = std::shared_ptr<ISQLiteTable>;

// The current row of a result being stepped through (ISQLiteDatabase::QueryEach): the same
// kinds, texts and bytes a result table would give for it, valid until the next row. A reader
// that keeps its own copy of each row needs no second copy of the whole result.
class ISQLiteRow {
public:
    virtual ~ISQLiteRow() = default;
    [[nodiscard]] virtual int Columns() const = 0;
    // As ISQLiteTable::ColumnOf, with the same errors.
    [[nodiscard]] virtual int ColumnOf(std::string_view name) const = 0;
    [[nodiscard]] virtual TSQLiteColumnKind KindAt(int column) const = 0;
    // Whether this row's value in column is stored as a text (KindAt gives the column's declared
    // kind, the same for every row). Asked before any value of the row is read: reading one may
    // convert it.
    [[nodiscard]] virtual bool StoredAsText(int column) const = 0;
    [[nodiscard]] virtual std::string TextAt(int column) const = 0;
    // The bytes of a text or blob value (a text up to its first zero byte), empty for NULL;
    // integer and float columns raise "Not a text or blob field".
    [[nodiscard]] virtual std::string_view BytesAt(int column) const = 0;
    // Several values at once, as a list shows them: out[i] is the value of columns[i], a number
    // as TextAt gives it and a text or blob as BytesAt does; a number's digits stay in the row
    // until the next row. One call a row instead of two virtual calls and a check a value: a
    // million-row list is six million values.
    virtual void ShownBytes(std::span<const int> columns,
                            std::span<std::string_view> out) const = 0;
};

// How a connection treats a file name that does not exist.
enum class TSQLiteOpenMode {
    Existing, // fail with the open error and create nothing
    Create    // create an empty database file
};

// Told how far long work has come (an estimate in percent, 0 to 100); returning false asks the
// engine to stop.
using TSQLiteProgress = std::function<bool(int percent)>;

// Asked now and then while a statement runs (every thousand engine steps, so many times a second
// while one runs long); false stops the statement.
using TSQLiteWatch = std::function<bool()>;
// A function for statements that turns a text (its stored bytes) into other bytes, written to
// out; it may not use the connection.
using TSQLiteTextMap = void (*)(std::string_view text, std::string& out);
// Whether text answers pattern, both as their bytes.
using TSQLiteTextTest = bool (*)(std::string_view pattern, std::string_view text);

// One connection to a database file. Releasing the last reference with a transaction open rolls
// the transaction back. No busy timeout is set: a file locked by another connection makes a
// statement fail at once.
class ISQLiteDatabase {
public:
    virtual ~ISQLiteDatabase() = default;

    [[nodiscard]] virtual bool TransactionOpen() const = 0;
    [[nodiscard]] virtual ISQLiteTablePtr Query(std::string_view sql) = 0;
    virtual void Execute(std::string_view sql) = 0;
    [[nodiscard]] virtual std::int64_t QueryInt64(std::string_view sql) = 0;
    [[nodiscard]] virtual std::string QueryString(std::string_view sql) = 0;
    // Runs sql, which must hold a "?", with that parameter bound to every byte of stream (read
    // from its start). An empty stream is refused.
    virtual void StoreBlob(std::string_view sql, TBlobStream& stream) = 0;
    virtual void StartTransaction() = 0;
    // As StartTransaction, but the file is locked for writing at once ("BEGIN IMMEDIATE;"): what
    // is read inside cannot be changed by another connection before this one writes or ends. A
    // file another connection is writing raises SQLITE_BUSY at once.
    virtual void StartWriteTransaction() = 0;
    virtual void CommitTransaction() = 0;
    virtual void RollbackTransaction() = 0;
    // Whether a table of that name exists (A to Z compared without regard to case).
    [[nodiscard]] virtual bool HasTable(std::string_view name) = 0;
    [[nodiscard]] virtual std::int64_t LastRowId() const = 0;
    virtual void SetBusyWait(std::int32_t milliseconds) = 0;
    [[nodiscard]] virtual std::string EngineVersion() const = 0;

    // Extensions: statements with bound parameters (one TSQLiteParam per "?", in order; a count
    // that does not match the statement's is refused), and the number of rows the last
    // INSERT, UPDATE or DELETE changed.
    [[nodiscard]] virtual ISQLiteTablePtr Query(std::string_view sql,
                                                const TSQLiteParams& params) = 0;
    virtual void Execute(std::string_view sql, const TSQLiteParams& params) = 0;
    [[nodiscard]] virtual std::int64_t Changes() const = 0;

    // Rebuilds the whole file compactly, as VACUUM does: into a temporary copy, never in memory
    // (the memory used does not grow with the file), which then replaces the file's pages in one
    // transaction. When progress is given it is told an estimate every few engine steps; a
    // false answer stops the work, which raises with ResultCode() SQLITE_INTERRUPT. On every
    // failure (SQLITE_FULL when the disk is full, SQLITE_BUSY when another connection reads the
    // file) the file is left as it was.
    virtual void Compact(const TSQLiteProgress& progress) = 0;
    // Copies the whole database, as one consistent state of it, into the database file at path
    // (an empty or new file; what it held is replaced), through the engine's backup interface, a
    // few pages at a time. The file is only read and locked for one step at a time, so another
    // program keeps reading and writing it meanwhile; a change it commits makes the copy start
    // again, and an uncommitted one is never copied. While another program holds the file
    // locked for its commit, the copy waits, asking progress. progress hears an estimate after
    // each step (-1 while it waits); a false answer stops the work (SQLITE_INTERRUPT). Raises
    // ESQLiteException on failure (SQLITE_FULL when the disk is full, SQLITE_BUSY when the file
    // stayed locked); the copy is then incomplete and the caller discards it.
    virtual void BackupTo(const std::string& path, const TSQLiteProgress& progress) = 0;
    // Runs sql and hands each row to onRow as it comes; nothing of the result is kept. Raises as
    // Query does; an exception from onRow ends the statement and passes on. Answers the number
    // of rows read.
    virtual std::uint32_t QueryEach(std::string_view sql,
                                    const std::function<void(const ISQLiteRow&)>& onRow) = 0;

    // Watches every statement this connection runs from now on (an empty watch: none), so that a
    // statement running long inside the engine can be stopped: when the watch answers false, the
    // statement raises with ResultCode() SQLITE_INTERRUPT and what it changed is undone (inside a
    // transaction the engine may undo the whole transaction; the caller rolls back in any case).
    // A rollback is never stopped. An exception from the watch stops the statement too and is
    // raised in its place. The watch must not use this connection: a statement started while the
    // watch runs raises (SQLITE_MISUSE) and runs nothing. Compact reports to its own progress
    // instead while it rebuilds the file.
    virtual void SetWatch(TSQLiteWatch watch) = 0;
    // Makes map known to this connection's statements as the function name(value): a text value
    // gives the text map makes of it, any other value (NULL, a number, a blob) comes back as it
    // is. An ORDER BY on such a key sorts with the engine's plain byte comparison, which its
    // sorter does far faster than a comparison function of the program's.
    virtual void AddTextFunction(const std::string& name, TSQLiteTextMap map) = 0;
    // Makes test known as the function name(pattern, value, ...): 1 when test answers true for
    // pattern and any of the values (a number as its text, a blob as its bytes, NULL never),
    // else 0.
    virtual void AddTestFunction(const std::string& name, TSQLiteTextTest test) = 0;
};

using ISQLiteDatabasePtr = std::shared_ptr<ISQLiteDatabase>;

// Opens a connection to fileName (the bytes the operating system uses) and sets the connection's
// pragmas. Raises "Failed to open database ..." when the file cannot be opened; in mode Existing
// a name that does not exist is such a failure and no file is created.
[[nodiscard]] ISQLiteDatabasePtr
OpenSQLiteDatabase(const std::string& fileName, TSQLiteOpenMode mode = TSQLiteOpenMode::Existing);

} // namespace movra
