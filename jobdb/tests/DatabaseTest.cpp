// The connection and recordset wrapper: value texts, error texts, statement safety.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "Database.h"
#include "TestDir.h"

using testutil::RawDb;
using testsupport::ScratchDir;

namespace {

// Runs the conversions in UTC so date texts are predictable.
class UtcZone {
public:
    UtcZone() {
        const char* tz = std::getenv("TZ");
        if (tz) old_ = tz, had_ = true;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (had_) ::setenv("TZ", old_.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string old_;
    bool had_ = false;
};

} // namespace

TEST(DatabaseValues, EveryTypeBecomesItsText) {
    UtcZone utc;
    ScratchDir dir;
    const std::string path = dir.file("v.db");
    {
        RawDb raw(path);
        raw.exec("CREATE TABLE v(k TEXT, i INTEGER, r REAL, d DATETIME, b BOOLEAN, t TEXT, x)");
        raw.exec("INSERT INTO v VALUES('a', 9223372036854775807, 0.1, 0, 1, 'it''s', NULL)");
        raw.exec("INSERT INTO v VALUES('b', -42, 1e21, 2440587.5, 0, '', x'4142')");
        raw.exec("INSERT INTO v VALUES('c', 0, 123.5, '2024-05-01T10:20:30.123Z', 'true', NULL, 2.5)");
        raw.exec("INSERT INTO v VALUES('d', NULL, 0.3333333333333333, '2024-05-01', 'no', '12', -0.0)");
        raw.exec("INSERT INTO v VALUES('e', 7, -1.5e-7, 'last tuesday', 'maybe', 'x', 1e300)");
    }
    CADODatabase db;
    ASSERT_TRUE(db.Open("Data Source=" + path)) << db.GetLastErrorString();
    CADORecordset rs(&db);
    ASSERT_TRUE(rs.Open("SELECT * FROM v ORDER BY k"));
    EXPECT_EQ(rs.GetRecordCount(), 5);
    std::vector<std::vector<std::string>> got;
    while (!rs.IsEOF()) {
        std::vector<std::string> row;
        for (const char* c : {"i", "r", "d", "b", "t", "X"}) {
            std::string v = "unset";
            EXPECT_TRUE(rs.GetFieldValue(c, v)) << c;
            row.push_back(v);
        }
        got.push_back(row);
        rs.MoveNext();
    }
    ASSERT_EQ(got.size(), 5u);
    using V = std::vector<std::string>;
    EXPECT_EQ(got[0], (V{"9223372036854775807", "0.1", "1970-01-01 00:00:00", "T", "it's", ""}));
    EXPECT_EQ(got[1], (V{"-42", "1e+21", "1970-01-01 00:00:00", "F", "", "AB"}));
    EXPECT_EQ(got[2], (V{"0", "123.5", "2024-05-01 10:20:30", "T", "", "2.5"}));
    EXPECT_EQ(got[3], (V{"", "0.3333333333333333", "2024-05-01 00:00:00", "F", "12", "-0"}));
    EXPECT_EQ(got[4], (V{"7", "-1.5e-07", "last tuesday", "maybe", "x", "1e+300"}));
    std::string v;
    EXPECT_FALSE(rs.GetFieldValue("nope", v));
    rs.Close();
    EXPECT_FALSE(rs.GetFieldValue("i", v));
}

TEST(DatabaseValues, RealsReadBackExactly) {
    for (double d : {0.1, 1.0 / 3.0, 2.0 / 3.0, 1e-300, 123456789.123456789, 5e-324, 1.7976931348623157e308}) {
        std::string t = quillet::realText(d, "REAL");
        EXPECT_EQ(std::strtod(t.c_str(), nullptr), d) << t;
        EXPECT_LE(t.size(), 24u) << t;
    }
    EXPECT_EQ(quillet::realText(100.0, ""), "100");
    EXPECT_EQ(quillet::realText(0.001, ""), "0.001");
    EXPECT_EQ(quillet::realText(1e-5, ""), "1e-05");
    EXPECT_EQ(quillet::realText(123456789012.0, ""), "123456789012");
    EXPECT_EQ(quillet::realText(1.5e17, ""), "1.5e+17");
    EXPECT_EQ(quillet::integerText(5, "bit"), "T");
}

TEST(DatabaseErrors, TextsCarryCodeMeaningSourceAndContext) {
    ScratchDir dir;
    CADODatabase db;
    ASSERT_TRUE(db.Open("Data Source=" + dir.file("e.db") + ";Jet OLEDB:Database Password=x"));
    EXPECT_FALSE(db.Execute("INSERT INTO missing VALUES(1)"));
    std::string err = db.GetLastErrorString();
    EXPECT_EQ(err.rfind("CADODataBase Error\n\tCode = 00000001\n\tCode meaning = SQL logic error\n\tSource = SQLite\n"
                        "\tDescription = no such table: missing",
                        0),
              0u)
        << err;
    EXPECT_NE(err.find("\nConnection String = Data Source=" + dir.file("e.db")), std::string::npos);

    CADORecordset rs(&db);
    EXPECT_FALSE(rs.Open("SELEKT 1"));
    EXPECT_EQ(rs.GetLastErrorString().rfind("CADORecordset Error\n\tCode = 00000001\n", 0), 0u);
    EXPECT_NE(rs.GetLastErrorString().find("Query = SELEKT 1"), std::string::npos);

    EXPECT_EQ(CADODatabase::CodeMeaning(200), "Unknown error 0xC8");
    EXPECT_EQ(CADODatabase::CodeMeaning(-1), "Unknown error 0xFFFFFFFF");
    EXPECT_EQ(CADODatabase::CodeMeaning(26), "file is not a database");

    db.Close();
    EXPECT_FALSE(db.Execute("SELECT 1"));
    EXPECT_NE(db.GetLastErrorString().find("not open"), std::string::npos);
    CADORecordset closed(&db);
    EXPECT_FALSE(closed.Open("SELECT 1"));
    // The failed recordset released the connection: the wrapper can open again.
    EXPECT_TRUE(db.Open("Data Source=" + dir.file("e.db")));
}

TEST(DatabaseSafety, OneStatementPerTextAndRecordsetsOnlyRead) {
    ScratchDir dir;
    CADODatabase db;
    ASSERT_TRUE(db.Open("Data Source=" + dir.file("s.db")));
    ASSERT_TRUE(db.Execute("CREATE TABLE t(a TEXT)"));
    EXPECT_FALSE(db.Execute("INSERT INTO t VALUES('1'); DROP TABLE t"));
    EXPECT_NE(db.GetLastErrorString().find("more than one statement"), std::string::npos);
    SqlResult r;
    ASSERT_TRUE(db.Execute("INSERT INTO t VALUES(?)", {std::string("a'); DROP TABLE t; --")}, &r));
    EXPECT_EQ(r.affected, 1);
    EXPECT_EQ(r.lastInsertId, 1);
    EXPECT_EQ(db.GetRecordsAffected(), 1);

    CADORecordset rs(&db);
    EXPECT_FALSE(rs.Open("DELETE FROM t"));
    EXPECT_NE(rs.GetLastErrorString().find("only reads"), std::string::npos);
    ASSERT_TRUE(rs.Open("SELECT a FROM t WHERE a = ?", {std::string("a'); DROP TABLE t; --")}));
    EXPECT_EQ(rs.GetRecordCount(), 1);
    std::string v;
    ASSERT_TRUE(rs.GetFieldValue(0, v));
    EXPECT_EQ(v, "a'); DROP TABLE t; --");
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    rs.MoveNext(); // past the end stays at the end
    EXPECT_TRUE(rs.IsEOF());
}

TEST(DatabaseSafety, MissingDataSourceIsRefused) {
    CADODatabase db;
    EXPECT_FALSE(db.Open("Provider=x;Data Source= ;"));
    EXPECT_NE(db.GetLastErrorString().find("no data source"), std::string::npos);
    EXPECT_FALSE(db.IsOpen());
}
