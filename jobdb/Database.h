#pragma once
// A small connection and recordset wrapper over SQLite for the job database.
//
// One CADODatabase is one connection. Its recursive mutex serialises every use of the connection, so
// the engine's print thread can insert while the application's thread selects; a recordset holds the
// mutex from Open to Close so it reads one consistent snapshot. A busy timeout covers other processes
// (the command line reading while the application writes).
//
// Every value travels as a bound parameter, never pasted into the SQL text.
#include <cstdint>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

using SqlValue = std::variant<std::monostate, int64_t, double, std::string>;
using SqlParams = std::vector<SqlValue>;

// What one statement did, returned to the caller so that concurrent callers never read each other's.
struct SqlResult {
    bool ok = false;
    long affected = 0;        // rows changed by an INSERT, UPDATE or DELETE
    int64_t lastInsertId = 0; // row id of the row an INSERT added
    std::string error;        // the error text when !ok
};

class CADODatabase {
public:
    static constexpr int kBusyTimeoutMs = 5000;

    CADODatabase();
    ~CADODatabase();
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;

    // Connection text: "Data Source=PATH" (other "key=value;" parts are ignored). The file is created
    // when missing; an existing file that is not a database is refused and left untouched.
    bool Open(const std::string& connection, const std::string& user = "", const std::string& password = "");
    bool IsOpen() const;
    void Close();

    bool Execute(const std::string& sql, const SqlParams& params = {}, SqlResult* result = nullptr);
    long GetRecordsAffected() const;

    std::string GetConnectionString() const;
    std::string GetLastErrorString() const;

    // The connection's lock; held by a recordset while it is open.
    std::recursive_mutex& Mutex() { return m_lock; }
    sqlite3* Handle() { return m_db; }

    // Builds the last-error text of this wrapper: code, its meaning, source and description.
    static std::string FormatError(const char* title, int code, const std::string& source,
                                   const std::string& description);
    static std::string CodeMeaning(int code);

private:
    void SetError(int code, const std::string& description);

    mutable std::recursive_mutex m_lock;
    sqlite3* m_db = nullptr;
    std::string m_strConnection;
    std::string m_strLastError;
    long m_nRecordsAffected = 0;
};

class CADORecordset {
public:
    explicit CADORecordset(CADODatabase* db);
    ~CADORecordset();
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;

    bool Open(const std::string& query, const SqlParams& params = {});
    bool IsOpen() const { return m_stmt != nullptr; }
    // Number of records the query matches (counted when the recordset was opened).
    long GetRecordCount() const { return m_nRecordCount; }
    bool IsEOF() const { return m_bEOF; }
    // The value of a column of the current record as text; false when there is no such column or
    // no current record.
    bool GetFieldValue(const std::string& column, std::string& value);
    bool GetFieldValue(int index, std::string& value);
    void MoveNext();
    void Close();
    // True when reading a record failed after the recordset was opened.
    bool HasFailed() const { return m_bFailed; }

    std::string GetQuery() const { return m_strQuery; }
    std::string GetLastErrorString() const { return m_strLastError; }

private:
    void SetError(int code, const std::string& description);
    void Step();

    CADODatabase* m_pDb;
    std::unique_lock<std::recursive_mutex> m_hold;
    sqlite3_stmt* m_stmt = nullptr;
    std::string m_strQuery;
    std::string m_strLastError;
    long m_nRecordCount = 0;
    bool m_bEOF = true;
    bool m_bFailed = false;
};

namespace quillet {

// Local time as "%Y-%m-%d %H:%M:%S".
std::string formatLocalTime(int64_t unixSeconds);
std::string nowText();

// The text form of a column value: null -> "", integers in decimal, reals in the shortest form
// that reads back exactly (at most 17 significant digits, fixed or exponent notation),
// date columns as "%Y-%m-%d %H:%M:%S", boolean columns as "T"/"F", text as it is.
// `declType` is the column's declared type, which tells dates and booleans apart from numbers.
std::string integerText(int64_t v, const std::string& declType);
std::string realText(double v, const std::string& declType);
std::string textValue(const std::string& v, const std::string& declType);

} // namespace quillet
