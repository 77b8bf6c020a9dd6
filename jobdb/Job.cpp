#include "Job.h"

#include <algorithm>
#include <climits>

#include "JobCondition.h"

CADODatabase* CJob::g_pDb = nullptr;

const std::array<const char*, kJobRowFields> CJob::kRowColumns = {
    "ID", "Date_T", "Date_E", "FileName", "Pass", "Speed", "Copies",
    "Margin", "Size_Area", "DPI", "Colors", "Status", "PathFileName"};

namespace {

// Every value arrives as text or a 32-bit number; the ID numbers itself and is never reused.
const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS JobRecord("
    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "Date_T TEXT, Date_E TEXT, FileName TEXT, Pass TEXT, Speed TEXT, "
    "Copies INTEGER, Margin INTEGER, Size_Area TEXT, DPI TEXT, Colors INTEGER, "
    "Status TEXT, PathFileName TEXT, Acreage TEXT)";
const char* kCreateIndex = "CREATE INDEX IF NOT EXISTS JobRecord_Date_T ON JobRecord(Date_T)";
// Fails to prepare when any column the library writes or reads is missing.
const char* kCheckColumns =
    "SELECT ID, Date_T, Date_E, FileName, Pass, Speed, Copies, Margin, Size_Area, DPI, Colors, "
    "Status, PathFileName, Acreage FROM JobRecord LIMIT 0";
const char* kInsert =
    "INSERT INTO JobRecord(Date_T,FileName,Pass,Speed,Copies,Margin,Size_Area,DPI,Colors,PathFileName,Acreage) "
    "VALUES(?,?,?,?,?,?,?,?,?,?,?)";
const char* kUpdateEnding = "UPDATE JobRecord SET Date_E = ?, Status = ? WHERE ID = ?";

std::mutex& initLock() {
    static std::mutex m;
    return m;
}

// The engine's 32-bit members hold signed values (a margin left of the start can be negative).
int64_t asSigned(uint32_t v) { return static_cast<int64_t>(static_cast<int32_t>(v)); }

} // namespace

CJob::CJob() : m_Rows(kJobRowsMax) {}

CJob::~CJob() = default;

CJob::CJob(const CJob& other) { *this = other; }

CJob& CJob::operator=(const CJob& other) {
    if (this == &other) return *this;
    std::scoped_lock g(m_lock, other.m_lock);
    m_csDateT = other.m_csDateT;
    m_nRowId = other.m_nRowId;
    m_nRecordCount = other.m_nRecordCount;
    m_nRows = other.m_nRows;
    m_bEnable = other.m_bEnable;
    m_Rows = other.m_Rows;
    csBaseDir = other.csBaseDir;
    m_csLastError = other.m_csLastError;
    m_bLastSelectOk = other.m_bLastSelectOk;
    return *this;
}

void CJob::SetBase(const std::string& baseDir, int recordSwitch) {
    csBaseDir = baseDir;
    m_bEnable = recordSwitch;
}

std::string CJob::DBPath() const {
    if (csBaseDir.empty()) return kFileName;
    std::string dir = csBaseDir;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir + "/" + kFileName;
}

void CJob::SetLastError(const std::string& text) {
    std::lock_guard<std::mutex> g(m_lock);
    m_csLastError = text;
}

std::string CJob::DBLastError() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_csLastError;
}

bool CJob::DBLastSelectOk() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_bLastSelectOk;
}

std::string CJob::AcreageOf(const std::string& s) {
    // The engine writes "%.3fx%.3f:%.3f m2": the area lies between the colon and the unit. Taking
    // it from there (rather than at fixed byte offsets) stays right for lengths of 10 m and more.
    if (s.size() <= 14) return "";
    size_t colon = s.find(':');
    if (colon != std::string::npos && s.compare(s.size() - 2, 2, "m2") == 0 && colon + 1 <= s.size() - 2)
        return s.substr(colon + 1, s.size() - 2 - (colon + 1));
    return s.substr(12, s.size() - 14);
}

int CJob::DBInit() {
    if (m_bEnable != 1) return 0;
    std::lock_guard<std::mutex> g(initLock());
    // One connection per process; a later DBInit reopens it (possibly on another base directory).
    if (!g_pDb) g_pDb = new CADODatabase;
    const std::string path = DBPath();
    if (!g_pDb->Open("Data Source=" + path)) {
        SetLastError("cannot open the job database: " + g_pDb->GetLastErrorString());
        return -1;
    }
    SqlResult r;
    if (!g_pDb->Execute(kCreateTable, {}, &r) || !g_pDb->Execute(kCreateIndex, {}, &r)) {
        g_pDb->Close();
        SetLastError("cannot create the table JobRecord in " + path + ": " + r.error);
        return -1;
    }
    if (!g_pDb->Execute(kCheckColumns, {}, &r)) {
        g_pDb->Close();
        SetLastError(path + " holds a table JobRecord that is not a job record table: " + r.error);
        return -1;
    }
    SetLastError("");
    return 0;
}

int CJob::DBClose() {
    if (m_bEnable != 1) return 0;
    std::lock_guard<std::mutex> g(initLock());
    if (g_pDb) g_pDb->Close();
    return 0;
}

int CJob::DBRecordSave(JobRecord* record) {
    if (m_bEnable == 0) return -1;
    if (!record) {
        SetLastError("no job record given");
        return 0;
    }
    const std::string dateT = quillet::nowText();
    SqlParams params{dateT,
                     record->csFile,
                     record->csPassText,
                     record->csSpeedText,
                     asSigned(record->uiQty),
                     asSigned(record->uiMarginMM),
                     record->csSize,
                     record->csDPI,
                     asSigned(record->uiColors),
                     record->csPath,
                     AcreageOf(record->csSize)};
    SqlResult r;
    bool ok = false;
    CADODatabase* db = g_pDb;
    if (db) ok = db->Execute(kInsert, params, &r);
    std::lock_guard<std::mutex> g(m_lock);
    m_csDateT = dateT;
    m_nRowId = ok ? r.lastInsertId : 0;
    m_csLastError = ok ? std::string() : db ? r.error : std::string("the job database is not open");
    return ok ? 1 : 0;
}

int CJob::DBRecordSetEnding(const std::string& status) {
    if (m_bEnable == 0) return -1;
    int64_t rowId;
    {
        std::lock_guard<std::mutex> g(m_lock);
        rowId = m_nRowId;
    }
    if (rowId == 0) {
        SetLastError("no job row to complete: no job was saved since the database was opened");
        return 0;
    }
    CADODatabase* db = g_pDb;
    if (!db) {
        SetLastError("the job database is not open");
        return 0;
    }
    SqlResult r;
    if (!db->Execute(kUpdateEnding, {quillet::nowText(), status, rowId}, &r)) {
        SetLastError(r.error);
        return 0;
    }
    if (r.affected == 0) {
        SetLastError("the job row ID " + std::to_string(rowId) + " no longer exists");
        return 0;
    }
    SetLastError("");
    return 1;
}

int CJob::DBRecordSelect(const std::string& condition) {
    if (m_bEnable == 0) return -1;
    auto fail = [&](const std::string& why) {
        std::lock_guard<std::mutex> g(m_lock);
        m_csLastError = why;
        m_bLastSelectOk = false;
        return m_nRecordCount;
    };
    quillet::DateRange range;
    std::string why;
    if (!quillet::parseDateCondition(condition, range, why)) return fail(why);
    std::string query = "SELECT * FROM JobRecord";
    SqlParams params;
    if (!range.from.empty()) {
        query += " WHERE Date_T >= ?";
        params.emplace_back(range.from);
    }
    if (!range.to.empty()) {
        query += params.empty() ? " WHERE Date_T <= ?" : " AND Date_T <= ?";
        params.emplace_back(range.to);
    }
    query += " ORDER BY ID";

    CADODatabase* db = g_pDb;
    if (!db) return fail("the job database is not open");
    // Read into a scratch store first: a selection that fails half-way leaves the last rows alone.
    std::vector<JobRow> rows;
    long count = 0;
    {
        CADORecordset rs(db);
        if (!rs.Open(query, params)) return fail(rs.GetLastErrorString());
        count = rs.GetRecordCount();
        rows.reserve(static_cast<size_t>(std::min<long>(count, kJobRowsMax)));
        while (!rs.IsEOF() && rows.size() < static_cast<size_t>(kJobRowsMax)) {
            JobRow row;
            for (int k = 0; k < kJobRowFields; ++k)
                if (!rs.GetFieldValue(kRowColumns[static_cast<size_t>(k)], row[static_cast<size_t>(k)]))
                    row[static_cast<size_t>(k)].clear();
            rows.push_back(std::move(row));
            rs.MoveNext();
        }
        if (rs.HasFailed()) return fail(rs.GetLastErrorString());
        rs.Close();
    }
    std::lock_guard<std::mutex> g(m_lock);
    const size_t n = rows.size();
    for (size_t i = 0; i < n; ++i) m_Rows[i] = std::move(rows[i]);
    for (size_t i = n; i < static_cast<size_t>(std::max(m_nRows, 0)) && i < m_Rows.size(); ++i) m_Rows[i] = JobRow{};
    m_nRows = static_cast<int>(n);
    m_nRecordCount = static_cast<int>(std::min<long>(count, INT_MAX));
    m_csLastError.clear();
    m_bLastSelectOk = true;
    return m_nRecordCount;
}
