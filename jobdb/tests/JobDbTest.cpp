// The job-record database: file and table creation, bad files, saving, completing and selecting rows.
#include <gtest/gtest.h>

#include <cctype>
#include <sys/stat.h>

#include "Job.h"
#include "JobCondition.h"
#include "TestDir.h"

using testutil::RawDb;
using testsupport::ScratchDir;

namespace {

JobRecord makeRecord(const std::string& file, const std::string& size = "0.254x0.127:0.032 m2") {
    JobRecord r;
    r.csFile = file;
    r.csPassText = "4 Pass";
    r.uiPass = 2;
    r.csSpeedText = "High";
    r.uiSpeed = 1;
    r.uiQty = 3;
    r.uiMarginMM = static_cast<uint32_t>(-5);
    r.csSize = size;
    r.csDPI = "720x600";
    r.csPath = "/rip/jobs/" + file;
    r.uiColors = 6;
    return r;
}

// "YYYY-MM-DD HH:MM:SS"
bool isTimeText(const std::string& s) {
    const std::string form = "dddd-dd-dd dd:dd:dd";
    if (s.size() != form.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (form[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(s[i])) : s[i] != form[i]) return false;
    return true;
}

class JobDb : public ::testing::Test {
protected:
    void SetUp() override {
        job.SetBase(dir.path(), 1);
        ASSERT_EQ(job.DBInit(), 0) << job.DBLastError();
    }
    void TearDown() override { job.DBClose(); }
    std::string dbFile() const { return dir.file("JobRecord.db"); }

    // Adds `n` rows straight into the file in one transaction, with Date_T of the given day.
    void addRawRows(int n, const std::string& dateT = "2024-05-01 10:00:00") {
        RawDb raw(dbFile());
        raw.exec("BEGIN");
        for (int i = 0; i < n; ++i)
            raw.exec("INSERT INTO JobRecord(Date_T,FileName) VALUES('" + dateT + "','raw" + std::to_string(i) + "')");
        raw.exec("COMMIT");
    }

    ScratchDir dir;
    CJob job;
};

} // namespace

// ----------------------------------------------------------------------------- file and table

TEST_F(JobDb, CreatesFileAndTableWithExactColumnsWhenMissing) {
    ASSERT_TRUE(std::filesystem::exists(dbFile()));
    RawDb raw(dbFile());
    auto cols = raw.column("SELECT name FROM pragma_table_info('JobRecord') ORDER BY cid");
    std::vector<std::string> want{"ID",    "Date_T", "Date_E", "FileName", "Pass",   "Speed",        "Copies",
                                  "Margin", "Size_Area", "DPI", "Colors", "Status", "PathFileName", "Acreage"};
    EXPECT_EQ(cols, want);
    // A second open keeps the rows already there.
    JobRecord r = makeRecord("a.prn");
    ASSERT_NE(job.DBRecordSave(&r), 0);
    job.DBClose();
    ASSERT_EQ(job.DBInit(), 0);
    EXPECT_EQ(job.DBRecordSelect(""), 1);
}

TEST_F(JobDb, CorruptFileIsRefusedWithClearErrorAndLeftUntouched) {
    job.DBClose();
    ScratchDir other;
    std::string garbage(8192, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    garbage.replace(0, 20, "not a database file!");
    testutil::writeAll(other.file("JobRecord.db"), garbage);

    CJob bad;
    bad.SetBase(other.path(), 1);
    EXPECT_EQ(bad.DBInit(), -1);
    std::string err = bad.DBLastError();
    EXPECT_NE(err.find("CADODataBase Error"), std::string::npos) << err;
    EXPECT_NE(err.find("not a database"), std::string::npos) << err;
    EXPECT_NE(err.find("Connection String = Data Source=" + other.file("JobRecord.db")), std::string::npos) << err;
    EXPECT_EQ(testutil::readAll(other.file("JobRecord.db")), garbage);

    // Nothing works, nothing is written, and every call says so.
    JobRecord r = makeRecord("a.prn");
    EXPECT_EQ(bad.DBRecordSave(&r), 0);
    EXPECT_FALSE(bad.DBLastError().empty());
    EXPECT_EQ(bad.DBRecordSetEnding("1/1"), 0);
    EXPECT_EQ(bad.DBRecordSelect(""), 0);
    EXPECT_FALSE(bad.DBLastSelectOk());
    EXPECT_EQ(testutil::readAll(other.file("JobRecord.db")), garbage);
}

TEST_F(JobDb, UnopenableDatabaseGivesClearError) {
    job.DBClose();
    ScratchDir other;
    // A directory where the file should be, and a base directory that does not exist.
    std::filesystem::create_directory(other.file("JobRecord.db"));
    CJob a;
    a.SetBase(other.path(), 1);
    EXPECT_EQ(a.DBInit(), -1);
    EXPECT_NE(a.DBLastError().find("cannot open the job database"), std::string::npos) << a.DBLastError();
    EXPECT_TRUE(std::filesystem::is_directory(other.file("JobRecord.db")));

    CJob b;
    b.SetBase(other.file("missing/dir"), 1);
    EXPECT_EQ(b.DBInit(), -1);
    EXPECT_NE(b.DBLastError().find("unable to open"), std::string::npos) << b.DBLastError();
    EXPECT_FALSE(std::filesystem::exists(other.file("missing")));
}

TEST_F(JobDb, ForeignTableOfTheSameNameIsRefusedNotAltered) {
    job.DBClose();
    ScratchDir other;
    {
        RawDb raw(other.file("JobRecord.db"));
        raw.exec("CREATE TABLE JobRecord(ID INTEGER PRIMARY KEY, Note TEXT)");
        raw.exec("INSERT INTO JobRecord(Note) VALUES('keep me')");
    }
    CJob a;
    a.SetBase(other.path(), 1);
    EXPECT_EQ(a.DBInit(), -1);
    EXPECT_NE(a.DBLastError().find("no such column"), std::string::npos) << a.DBLastError();
    RawDb raw(other.file("JobRecord.db"));
    EXPECT_EQ(raw.one("SELECT Note FROM JobRecord"), "keep me");
    EXPECT_EQ(raw.one("SELECT count(*) FROM pragma_table_info('JobRecord')"), "2");
}

TEST_F(JobDb, EmptyFileIsADatabaseWithoutTable) {
    job.DBClose();
    ScratchDir other;
    testutil::writeAll(other.file("JobRecord.db"), "");
    CJob a;
    a.SetBase(other.path(), 1);
    ASSERT_EQ(a.DBInit(), 0) << a.DBLastError();
    JobRecord r = makeRecord("x.prn");
    EXPECT_EQ(a.DBRecordSave(&r), 1);
    EXPECT_EQ(a.DBRecordSelect(""), 1);
    a.DBClose();
}

TEST_F(JobDb, DisabledSwitchSkipsEverything) {
    job.DBClose();
    ScratchDir other;
    CJob off;
    off.SetBase(other.path(), 0);
    EXPECT_EQ(off.DBInit(), 0);
    EXPECT_FALSE(std::filesystem::exists(other.file("JobRecord.db")));
    JobRecord r = makeRecord("a.prn");
    EXPECT_EQ(off.DBRecordSave(&r), -1);
    EXPECT_EQ(off.DBRecordSetEnding("1/1"), -1);
    EXPECT_EQ(off.DBRecordSelect(""), -1);
    EXPECT_EQ(off.DBClose(), 0);
}

// ----------------------------------------------------------------------------- saving and values

TEST_F(JobDb, SavedRowReadsBackInRowOrder) {
    JobRecord r = makeRecord("banner.prn");
    ASSERT_EQ(job.DBRecordSave(&r), 1) << job.DBLastError();
    EXPECT_TRUE(isTimeText(job.m_csDateT)) << job.m_csDateT;
    ASSERT_EQ(job.DBRecordSelect(""), 1);
    ASSERT_EQ(job.m_nRows, 1);
    const JobRow& row = job.m_Rows[0];
    EXPECT_EQ(row[0], std::to_string(job.m_nRowId));
    EXPECT_EQ(row[1], job.m_csDateT);
    EXPECT_EQ(row[2], "");
    EXPECT_EQ(row[3], "banner.prn");
    EXPECT_EQ(row[4], "4 Pass");
    EXPECT_EQ(row[5], "High");
    EXPECT_EQ(row[6], "3");
    EXPECT_EQ(row[7], "-5");
    EXPECT_EQ(row[8], "0.254x0.127:0.032 m2");
    EXPECT_EQ(row[9], "720x600");
    EXPECT_EQ(row[10], "6");
    EXPECT_EQ(row[11], "");
    EXPECT_EQ(row[12], "/rip/jobs/banner.prn");
    RawDb raw(dbFile());
    EXPECT_EQ(raw.one("SELECT Acreage FROM JobRecord"), "0.032 ");
}

TEST_F(JobDb, QuotesAndApostrophesAreStoredIntact) {
    const std::string name = "O'Brien's \"big\" banner ''x'' 大幅.prn";
    JobRecord r = makeRecord(name);
    r.csPath = "/rip/it's/\"here\"/" + name;
    r.csPassText = "it's";
    r.csSpeedText = "\"fast\"";
    r.csDPI = "'";
    ASSERT_EQ(job.DBRecordSave(&r), 1) << job.DBLastError();
    ASSERT_EQ(job.DBRecordSetEnding("2/2 'done'"), 1) << job.DBLastError();
    ASSERT_EQ(job.DBRecordSelect(""), 1);
    const JobRow& row = job.m_Rows[0];
    EXPECT_EQ(row[3], name);
    EXPECT_EQ(row[4], "it's");
    EXPECT_EQ(row[5], "\"fast\"");
    EXPECT_EQ(row[9], "'");
    EXPECT_EQ(row[11], "2/2 'done'");
    EXPECT_EQ(row[12], r.csPath);
}

TEST_F(JobDb, InjectionAttemptIsStoredAsPlainText) {
    const std::string evil = "x','1','1','1','1','1','1','1','1','1'); DROP TABLE JobRecord; --";
    JobRecord r = makeRecord(evil);
    r.csPath = "'); DELETE FROM JobRecord; --";
    ASSERT_EQ(job.DBRecordSave(&r), 1);
    ASSERT_EQ(job.DBRecordSetEnding("1/1'; DROP TABLE JobRecord; --"), 1);
    JobRecord ok = makeRecord("plain.prn");
    ASSERT_EQ(job.DBRecordSave(&ok), 1);
    ASSERT_EQ(job.DBRecordSelect(""), 2);
    EXPECT_EQ(job.m_Rows[0][3], evil);
    EXPECT_EQ(job.m_Rows[0][11], "1/1'; DROP TABLE JobRecord; --");
    EXPECT_EQ(job.m_Rows[0][12], r.csPath);
    EXPECT_EQ(job.m_Rows[1][3], "plain.prn");
}

TEST(JobAcreage, TakenFromTheSizeText) {
    EXPECT_EQ(CJob::AcreageOf(""), "");
    EXPECT_EQ(CJob::AcreageOf("0.1x0.1:0.01m2"), "");   // 14 characters
    EXPECT_EQ(CJob::AcreageOf("12345678901234"), "");
    EXPECT_EQ(CJob::AcreageOf("123456789012345"), "3"); // no area form: first 12 and last 2 bytes go
    EXPECT_EQ(CJob::AcreageOf("0.254x0.127:0.032 m2"), "0.032 ");
    // Ten metres and more no longer cut the area at the wrong place.
    EXPECT_EQ(CJob::AcreageOf("1.600x12.500:20.000 m2"), "20.000 ");
    EXPECT_EQ(CJob::AcreageOf("10.000x10.000:100.000 m2"), "100.000 ");
}

TEST_F(JobDb, SaveWithoutDatabaseFailsAndEndingThenDoesNothing) {
    JobRecord r = makeRecord("a.prn");
    EXPECT_EQ(job.DBRecordSave(nullptr), 0);
    ASSERT_EQ(job.DBRecordSave(&r), 1);
    job.DBClose();
    JobRecord r2 = makeRecord("b.prn");
    EXPECT_EQ(job.DBRecordSave(&r2), 0);
    EXPECT_NE(job.DBLastError().find("not open"), std::string::npos) << job.DBLastError();
    EXPECT_TRUE(isTimeText(job.m_csDateT));
    EXPECT_EQ(job.m_nRowId, 0);
    // The earlier row must not be completed in the failed job's place.
    ASSERT_EQ(job.DBInit(), 0);
    EXPECT_EQ(job.DBRecordSetEnding("9/9"), 0);
    RawDb raw(dbFile());
    EXPECT_EQ(raw.one("SELECT count(*) FROM JobRecord"), "1");
    EXPECT_EQ(raw.one("SELECT Status FROM JobRecord"), "<null>");
}

// ----------------------------------------------------------------------------- completing a row

TEST_F(JobDb, EndingCompletesExactlyTheSavedRowEvenWithTheSameStartSecond) {
    CJob other = job; // a second job object on the same connection
    JobRecord a = makeRecord("a.prn"), b = makeRecord("b.prn");
    ASSERT_EQ(job.DBRecordSave(&a), 1);
    ASSERT_EQ(other.DBRecordSave(&b), 1);
    ASSERT_NE(job.m_nRowId, other.m_nRowId);
    const std::string shared = "2024-05-01 10:00:00";
    {
        RawDb raw(dbFile());
        raw.exec("UPDATE JobRecord SET Date_T='" + shared + "'");
        raw.exec("INSERT INTO JobRecord(Date_T,FileName) VALUES('','never saved')");
    }
    ASSERT_EQ(job.DBRecordSetEnding("12/12"), 1) << job.DBLastError();
    RawDb raw(dbFile());
    auto status = raw.column("SELECT Status FROM JobRecord ORDER BY ID");
    auto dateE = raw.column("SELECT Date_E FROM JobRecord ORDER BY ID");
    auto dateT = raw.column("SELECT Date_T FROM JobRecord ORDER BY ID");
    ASSERT_EQ(status.size(), 3u);
    EXPECT_EQ(status[0], "12/12");
    EXPECT_TRUE(isTimeText(dateE[0])) << dateE[0];
    EXPECT_EQ(status[1], "<null>");
    EXPECT_EQ(dateE[1], "<null>");
    EXPECT_EQ(status[2], "<null>");
    EXPECT_EQ(dateT[0], shared);
    EXPECT_EQ(dateT[1], shared);
    // Then the other job ends and completes only its own row.
    ASSERT_EQ(other.DBRecordSetEnding("3/12"), 1);
    status = raw.column("SELECT Status FROM JobRecord ORDER BY ID");
    EXPECT_EQ(status[0], "12/12");
    EXPECT_EQ(status[1], "3/12");
    EXPECT_EQ(status[2], "<null>");
}

TEST_F(JobDb, EndingWithoutASavedJobCompletesNothing) {
    addRawRows(2, "");
    EXPECT_EQ(job.DBRecordSetEnding("1/1"), 0);
    EXPECT_NE(job.DBLastError().find("no job was saved"), std::string::npos);
    RawDb raw(dbFile());
    EXPECT_EQ(raw.one("SELECT count(*) FROM JobRecord WHERE Status IS NOT NULL"), "0");
}

TEST_F(JobDb, EndingOfADeletedRowFails) {
    JobRecord a = makeRecord("a.prn");
    ASSERT_EQ(job.DBRecordSave(&a), 1);
    {
        RawDb raw(dbFile());
        raw.exec("DELETE FROM JobRecord");
    }
    EXPECT_EQ(job.DBRecordSetEnding("1/1"), 0);
    EXPECT_NE(job.DBLastError().find("no longer exists"), std::string::npos);
}

// ----------------------------------------------------------------------------- selecting

TEST_F(JobDb, SelectionLoadsAtMost4096RowsButCountsAll) {
    addRawRows(4100);
    EXPECT_EQ(job.DBRecordSelect(""), 4100);
    EXPECT_EQ(job.m_nRecordCount, 4100);
    EXPECT_EQ(job.m_nRows, 4096);
    EXPECT_EQ(job.m_Rows[0][0], "1");
    EXPECT_EQ(job.m_Rows[4095][0], "4096");
    EXPECT_EQ(job.m_Rows[4095][3], "raw4095");
    EXPECT_EQ(job.m_Rows.size(), 4096u);

    // A smaller selection afterwards leaves no stale rows behind its last one.
    {
        RawDb raw(dbFile());
        raw.exec("UPDATE JobRecord SET Date_T='2024-06-01 08:00:00' WHERE ID <= 3");
    }
    EXPECT_EQ(job.DBRecordSelect("Where Date_T >='2024-06-01 00:00:00'"), 3);
    EXPECT_EQ(job.m_nRows, 3);
    EXPECT_EQ(job.m_Rows[2][0], "3");
    EXPECT_EQ(job.m_Rows[3][0], "");
    EXPECT_EQ(job.m_Rows[4095][0], "");
}

TEST_F(JobDb, SelectionOfExactly4096AndOfNone) {
    EXPECT_EQ(job.DBRecordSelect(""), 0);
    EXPECT_EQ(job.m_nRows, 0);
    EXPECT_TRUE(job.DBLastSelectOk());
    addRawRows(4096);
    EXPECT_EQ(job.DBRecordSelect(""), 4096);
    EXPECT_EQ(job.m_nRows, 4096);
    EXPECT_EQ(job.m_Rows[4095][0], "4096");
}

TEST_F(JobDb, FailedSelectionsKeepThePreviousRowsAndCount) {
    addRawRows(5);
    ASSERT_EQ(job.DBRecordSelect(""), 5);
    const auto before = job.m_Rows;

    // Refused condition texts.
    for (const char* cond : {"Where 1=1; DROP TABLE JobRecord", "Where Date_T >='2024-01-01 00:00:00' OR 1=1",
                             "Where FileName = 'raw1'", "order by ID"}) {
        EXPECT_EQ(job.DBRecordSelect(cond), 5) << cond;
        EXPECT_FALSE(job.DBLastSelectOk()) << cond;
        EXPECT_NE(job.DBLastError().find("refused condition"), std::string::npos) << job.DBLastError();
        EXPECT_EQ(job.m_nRows, 5);
        EXPECT_EQ(job.m_Rows, before);
    }
    // A selection the database itself fails.
    {
        RawDb raw(dbFile());
        raw.exec("DROP TABLE JobRecord");
    }
    EXPECT_EQ(job.DBRecordSelect(""), 5);
    EXPECT_FALSE(job.DBLastSelectOk());
    std::string err = job.DBLastError();
    EXPECT_EQ(err.rfind("CADORecordset Error\n\tCode = ", 0), 0u) << err;
    EXPECT_NE(err.find("no such table: JobRecord"), std::string::npos) << err;
    EXPECT_NE(err.find("Query = SELECT * FROM JobRecord"), std::string::npos) << err;
    EXPECT_EQ(job.m_nRecordCount, 5);
    EXPECT_EQ(job.m_Rows, before);
    // The table is still gone: nothing ran the refused texts.
}

TEST_F(JobDb, DateConditionsOfTheBrowserSelectByStartTime) {
    {
        RawDb raw(dbFile());
        raw.exec("INSERT INTO JobRecord(Date_T,FileName) VALUES('2024-04-30 23:59:59','a')");
        raw.exec("INSERT INTO JobRecord(Date_T,FileName) VALUES('2024-05-01 00:00:00','b')");
        raw.exec("INSERT INTO JobRecord(Date_T,FileName) VALUES('2024-05-02 23:59:59','c')");
        raw.exec("INSERT INTO JobRecord(Date_T,FileName) VALUES('2024-05-03 00:00:00','d')");
    }
    auto files = [&] {
        std::string s;
        for (int i = 0; i < job.m_nRows; ++i) s += job.m_Rows[static_cast<size_t>(i)][3];
        return s;
    };
    EXPECT_EQ(job.DBRecordSelect("Where Date_T >='2024-05-01 00:00:00'"), 3);
    EXPECT_EQ(files(), "bcd");
    EXPECT_EQ(job.DBRecordSelect("Where Date_T >='2024-05-01 00:00:00' and Date_T <='2024-05-02 23:59:59'"), 2);
    EXPECT_EQ(files(), "bc");
    EXPECT_EQ(job.DBRecordSelect("Where Date_T <='2024-05-02 23:59:59'"), 3);
    EXPECT_EQ(files(), "abc");
    EXPECT_EQ(job.DBRecordSelect("  WHERE date_t<='2024-05-01'  AND date_t >= '2024-05-01' "), 1);
    EXPECT_EQ(files(), "b");
    EXPECT_EQ(job.DBRecordSelect(""), 4);
}

TEST(JobCondition, BuiltLikeTheBrowser) {
    std::string c, e;
    ASSERT_TRUE(quillet::buildDateCondition("", "", c, e));
    EXPECT_EQ(c, "");
    ASSERT_TRUE(quillet::buildDateCondition("2024-05-01", "", c, e));
    EXPECT_EQ(c, "Where Date_T >='2024-05-01 00:00:00'");
    ASSERT_TRUE(quillet::buildDateCondition("2024-05-01", "2024-05-02", c, e));
    EXPECT_EQ(c, "Where Date_T >='2024-05-01 00:00:00' and Date_T <='2024-05-02 23:59:59'");
    ASSERT_TRUE(quillet::buildDateCondition("", "2024-02-29", c, e));
    EXPECT_EQ(c, "Where Date_T <='2024-02-29 23:59:59'");
    for (const char* bad : {"2023-02-29", "2024-13-01", "2024-5-1", "2024-05-01 10:00:00", "yesterday", "2024-04-31"}) {
        EXPECT_FALSE(quillet::buildDateCondition(bad, "", c, e)) << bad;
        EXPECT_NE(e.find(bad), std::string::npos);
    }
}

TEST(JobCondition, OnlyTheBrowserFormsAreAccepted) {
    quillet::DateRange r;
    std::string e;
    ASSERT_TRUE(quillet::parseDateCondition("   ", r, e));
    EXPECT_TRUE(r.from.empty() && r.to.empty());
    ASSERT_TRUE(quillet::parseDateCondition("Where Date_T >='2024-05-01 00:00:00' and Date_T <='2024-05-02 23:59:59'", r, e));
    EXPECT_EQ(r.from, "2024-05-01 00:00:00");
    EXPECT_EQ(r.to, "2024-05-02 23:59:59");
    ASSERT_TRUE(quillet::parseDateCondition("where Date_T <= '2024-05-02'", r, e));
    EXPECT_EQ(r.from, "");
    EXPECT_EQ(r.to, "2024-05-02 23:59:59");
    for (const char* bad : {
             "Where Date_T >='2024-05-01 00:00:00' OR 1=1",
             "Where Date_T >='2024-05-01 00:00:00'; DELETE FROM JobRecord",
             "Where Date_T >='2024-05-01 00:00:00'' OR ''1''=''1'",
             "Where Date_T >='2024-05-01 00:00:00' --",
             "Where Date_T >= 2024",
             "Where Date_T ='2024-05-01 00:00:00'",
             "Where Date_T >='2024-05-01 24:00:00'",
             "Where Date_T >='2024-02-30 00:00:00'",
             "Where Date_T >='2024-05-01 00:00:00' and Date_T >='2024-05-02 00:00:00'",
             "Where Date_T >='2024-05-01 00:00:00' and",
             "Where Date_T >='2024-05-01 00:00:00",
             "Wherever Date_T >='2024-05-01 00:00:00'",
             "Where Date_E >='2024-05-01 00:00:00'",
             "Date_T >='2024-05-01 00:00:00'",
         }) {
        EXPECT_FALSE(quillet::parseDateCondition(bad, r, e)) << bad;
        EXPECT_NE(e.find("refused condition"), std::string::npos) << e;
    }
}

TEST_F(JobDb, CopyCarriesEveryRow) {
    addRawRows(3);
    ASSERT_EQ(job.DBRecordSelect(""), 3);
    CJob copy(job);
    EXPECT_EQ(copy.m_nRows, 3);
    EXPECT_EQ(copy.m_nRecordCount, 3);
    EXPECT_EQ(copy.m_Rows, job.m_Rows);
    CJob assigned;
    assigned = job;
    EXPECT_EQ(assigned.m_Rows[2][3], "raw2");
    EXPECT_EQ(assigned.csBaseDir, dir.path());
}
