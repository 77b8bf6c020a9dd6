// carvex jobs and the job-record console entries, driven as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "Session.h"
#include "console/Console.h"
#include "platform/Files.h"

namespace {

using clitest::Result;
using clitest::runCli;
struct TempBase : clitest::TempBase {
    TempBase() : clitest::TempBase("carvex-jobs") {}
};




std::string runConsole(const std::string& base, const std::string& commands) {
    platform::changeDir(base);
    CDrvPrint drv;
    std::ostringstream out;
    console::Console con(drv, out);
    con.runCommands(commands);
    drv.AUXDBFuns(1);
    return out.str();
}

} // namespace

TEST(JobsCommand, ListsRecordsSavedThroughTheEngine) {
    TempBase t;
    std::string out = runConsole(t.path,
                              "call AUXDBFuns 0; call AUXDBRecordSave \"it's a \"\"x\"\" job.prn\" \"4 Pass\" High 2 "
                              "10 \"0.254x0.127:0.032 m2\" 720x720 6 /rip/a.prn; call DBRecordSetEnding 4/4; "
                              "call DBRecordSave b.prn; call DBRecordSelect; get job.m_nRows; call DBRow 0");
    EXPECT_NE(out.find("AUXDBFuns = 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("AUXDBRecordSave = 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("DBRecordSetEnding = 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("DBRecordSelect = 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("job.m_nRows = 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("| it's a x job.prn | 4 Pass | High | 2 | 10 |"), std::string::npos) << out;

    Result plain = runCli({"--base", t.path, "jobs", "--plain"});
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_NE(plain.out.find("FileName = it's a x job.prn\n"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("Status = 4/4\n"), std::string::npos);
    EXPECT_NE(plain.out.find("FileName = b.prn\nPass = \n"), std::string::npos);
    EXPECT_NE(plain.out.find("ok: 2 job records in "), std::string::npos) << plain.out;

    Result table = runCli({"--base", t.path, "jobs"});
    EXPECT_EQ(table.code, 0);
    EXPECT_EQ(table.out.rfind("ID  Start", 0), 0u) << table.out;
    EXPECT_NE(table.out.find("it's a x job.prn"), std::string::npos);

    Result none = runCli({"--base", t.path, "jobs", "--to", "2000-01-01"});
    EXPECT_EQ(none.code, 0);
    EXPECT_NE(none.out.find("ok: 0 job records started up to 2000-01-01"), std::string::npos) << none.out;
}

TEST(JobsCommand, BadDatesAndBadFilesFail) {
    TempBase t;
    Result bad = runCli({"--base", t.path, "jobs", "--from", "2024-02-30"});
    EXPECT_NE(bad.code, 0);
    EXPECT_NE(bad.err.find("error: not a date YYYY-MM-DD: 2024-02-30"), std::string::npos) << bad.err;
    Result order = runCli({"--base", t.path, "jobs", "--from", "2024-05-02", "--to", "2024-05-01"});
    EXPECT_NE(order.code, 0);

    const std::string file = t.path + "/JobRecord.db";
    { std::ofstream(file) << "these bytes are not a database, and must stay as they are"; }
    Result corrupt = runCli({"--base", t.path, "jobs"});
    EXPECT_NE(corrupt.code, 0);
    EXPECT_NE(corrupt.err.find("error: cannot open the job database: file is not a database"), std::string::npos)
        << corrupt.err;
    std::string content;
    ASSERT_TRUE(platform::readFile(file, content));
    EXPECT_EQ(content, "these bytes are not a database, and must stay as they are");
}

TEST(JobsConsole, RefusedConditionKeepsRowsAndSaysWhy) {
    TempBase t;
    std::string out = runConsole(t.path,
                              "call AUXDBFuns 0; call DBRecordSave a.prn; call DBRecordSelect; "
                              "call DBRecordSelect \"Where Date_T >='2024-05-01' or 1=1\"; get job.m_nRows; "
                              "get job.lastError; call DBRow 5; call AUXDBFuns 7");
    EXPECT_NE(out.find("DBRecordSelect = 1\nDBRecordSelect = 1\njob.m_nRows = 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("job.lastError = refused condition"), std::string::npos) << out;
    EXPECT_NE(out.find("error = row 5 not loaded (1 rows)"), std::string::npos) << out;
    EXPECT_NE(out.find("AUXDBFuns = 0\n"), std::string::npos);
}
