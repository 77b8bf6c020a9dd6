#pragma once
// Quillet: the job-record database. One row per print job, inserted when the job starts and completed
// with its end time and status when it finishes; the record browser selects rows by date.
//
// The database file "JobRecord.db" lies in the engine's base directory and is created with its table
// when missing. The connection (g_pDb) is one per process and shared by every CJob; it is safe to use
// from several threads at once.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "Database.h"
#include "JobRecord.h"

constexpr int kJobRowsMax = 4096;   // rows a selection loads at most
constexpr int kJobRowFields = 13;   // texts of one row
using JobRow = std::array<std::string, kJobRowFields>;

class CJob {
public:
    static constexpr const char* kFileName = "JobRecord.db";
    static constexpr const char* kTable = "JobRecord";
    // Order of the texts of a row.
    static const std::array<const char*, kJobRowFields> kRowColumns;

    CJob();
    virtual ~CJob();
    CJob(const CJob& other);
    CJob& operator=(const CJob& other);

    // Base directory of the database file and the record switch (m_bEnable).
    void SetBase(const std::string& baseDir, int recordSwitch);

    // Opens (creating when missing) the database; 0 on success or when disabled, -1 when the file
    // cannot be opened or is not a job database (the reason is in DBLastError()).
    int DBInit();
    int DBClose();
    // Inserts the row of a starting job: -1 when disabled, non-zero on success, 0 on failure.
    int DBRecordSave(JobRecord* record);
    // Completes the row the last successful DBRecordSave inserted: -1 when disabled, non-zero when
    // that row was completed, 0 otherwise (no row saved, or the update failed).
    int DBRecordSetEnding(const std::string& status);
    // Loads the rows matching a browser date condition: -1 when disabled, else m_nRecordCount.
    // A failed or refused selection keeps the previous rows and count.
    int DBRecordSelect(const std::string& condition);

    // The error text of the last operation of this object that failed; empty after a success.
    std::string DBLastError() const;
    // True when the last DBRecordSelect of this object succeeded.
    bool DBLastSelectOk() const;
    // The full path of the database file.
    std::string DBPath() const;

    // The Acreage column's value derived from a size text "W x H : A m2".
    static std::string AcreageOf(const std::string& sizeText);

    std::string m_csDateT;       // Date_T of the last row inserted by this object
    int64_t m_nRowId = 0;        // ID of that row (0: none); the row DBRecordSetEnding completes
    int m_nRecordCount = 0;      // records matched by the last successful selection
    int m_nRows = 0;             // rows loaded by it, at most kJobRowsMax
    int m_bEnable = 1;           // database use switch
    std::vector<JobRow> m_Rows;  // kJobRowsMax rows of the last selection
    std::string csBaseDir;

    static CADODatabase* g_pDb;

private:
    void SetLastError(const std::string& text);

    mutable std::mutex m_lock;   // guards this object's members against its own concurrent callers
    std::string m_csLastError;
    bool m_bLastSelectOk = false;
};
