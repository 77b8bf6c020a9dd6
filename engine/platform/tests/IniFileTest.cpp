#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>

#include <atomic>
#include <cfloat>
#include <climits>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "testsupport/ScratchDir.h"
#include "platform/IniFile.h"

using testsupport::ScratchDir;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    CIniFile ini;
    void use(const std::string& text) {
        dir.write("t.ini", text);
        ini.SetFileName(dir.file("t.ini"));
    }
    std::string disk() const { return dir.read("t.ini"); }
};

TEST_F(IniFileTest, FreshObjectHasDefaultNameAndEmptyCopy) {
    CIniFile fresh;
    EXPECT_EQ(fresh.GetFileName(), "ini.ini");
    EXPECT_TRUE(fresh.Lines().empty());
    EXPECT_EQ(fresh.OpenResult(), 0);
}

TEST_F(IniFileTest, FileWithoutSectionsReadsDefaultsAndFirstWriteAppendsSection) {
    use("a=1\nb=2\n");
    EXPECT_EQ(ini.ReadString("S", "a", "def"), "def");
    EXPECT_EQ(ini.ReadInt("S", "a", 42), 42);
    EXPECT_TRUE(ini.WriteString("S", "k", "v"));
    EXPECT_EQ(disk(), "a=1\r\nb=2\r\n[S]\r\nk=v\r\n");
}

TEST_F(IniFileTest, KeyOfAnotherSectionIsNotFound) {
    use("[A]\nuiPass=4\n[B]\nother=1\n");
    EXPECT_EQ(ini.ReadInt("B", "uiPass", 2), 2);
    EXPECT_EQ(ini.ReadInt("A", "uiPass", 2), 4);
    EXPECT_EQ(ini.ReadInt("A", "other", 9), 9);
}

TEST_F(IniFileTest, BlanksAroundHeadersKeysAndValuesAreIgnored) {
    use("  \t[ PRINTMODE ]  \n  uiPass = 4  \t\n\tcsName\t=\t two words \n");
    EXPECT_EQ(ini.ReadInt("PRINTMODE", "uiPass", 2), 4);
    EXPECT_EQ(ini.ReadString("PRINTMODE", "csName", ""), "two words");
    // The text after "]" is ignored; the name is still trimmed.
    use("[ MEDIA ] trailing\nuiWidth1=7\n");
    EXPECT_EQ(ini.ReadInt("MEDIA", "uiWidth1", 0), 7);
}

TEST_F(IniFileTest, NamesAreCaseSensitive) {
    use("[printmode]\nuiPass=4\n[PRINTMODE]\nUIPASS=5\n");
    EXPECT_EQ(ini.ReadInt("PRINTMODE", "uiPass", 2), 2);
    EXPECT_EQ(ini.ReadInt("printmode", "uiPass", 2), 4);
}

TEST_F(IniFileTest, PresentButEmptyOrNonNumericValuesReadZero) {
    use("[P]\nuiPass=\nbad=abc\nlead=12abc\nneg= -7x\nplus=+5\nf=\nfbad=x1\n");
    EXPECT_EQ(ini.ReadInt("P", "uiPass", 2), 0);
    EXPECT_EQ(ini.ReadInt("P", "bad", 2), 0);
    EXPECT_EQ(ini.ReadInt("P", "lead", 2), 12);
    EXPECT_EQ(ini.ReadInt("P", "neg", 2), -7);
    EXPECT_EQ(ini.ReadInt("P", "plus", 2), 5);
    EXPECT_EQ(ini.ReadFloat("P", "f", 1.5f), 0.0f);
    EXPECT_EQ(ini.ReadFloat("P", "fbad", 1.5f), 0.0f);
    EXPECT_EQ(ini.ReadFloat("P", "missing", 1.5f), 1.5f);
    EXPECT_EQ(ini.ReadString("P", "uiPass", "d"), "");
}

TEST_F(IniFileTest, LeadingNumbersAreDecimalAndClamped) {
    EXPECT_EQ(CIniFile::LeadingInt("0x10"), 0);
    EXPECT_EQ(CIniFile::LeadingInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(CIniFile::LeadingInt("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(CIniFile::LeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(CIniFile::LeadingInt("-"), 0);
    EXPECT_FLOAT_EQ(CIniFile::LeadingFloat("8.582700"), 8.5827f);
    EXPECT_FLOAT_EQ(CIniFile::LeadingFloat("-.5"), -0.5f);
    EXPECT_FLOAT_EQ(CIniFile::LeadingFloat("1.5e"), 1.5f);
    EXPECT_FLOAT_EQ(CIniFile::LeadingFloat("2.5e+1mm"), 25.0f);
    EXPECT_FLOAT_EQ(CIniFile::LeadingFloat("7."), 7.0f);
    EXPECT_EQ(CIniFile::LeadingFloat("."), 0.0f);
    EXPECT_EQ(CIniFile::LeadingFloat("inf"), 0.0f);
    EXPECT_EQ(CIniFile::LeadingFloat("nan"), 0.0f);
    EXPECT_EQ(CIniFile::LeadingFloat("0x1p3"), 0.0f);
    EXPECT_EQ(CIniFile::LeadingFloat("1e999"), FLT_MAX);
    EXPECT_EQ(CIniFile::LeadingFloat("-1e999"), -FLT_MAX);
    EXPECT_EQ(CIniFile::LeadingFloat("1e-999"), 0.0f);
}

TEST_F(IniFileTest, OnlyTheFirstHeaderAndTheFirstKeyLineCount) {
    use("[P]\na=1\na=9\n[Q]\nx=0\n[P]\na=2\nb=3\n");
    EXPECT_EQ(ini.ReadInt("P", "a", 0), 1);
    EXPECT_EQ(ini.ReadInt("P", "b", 0), 0); // only in the second PRINTMODE-like header
    ini.WriteInt("P", "a", 5);
    ini.WriteInt("P", "b", 6);
    EXPECT_EQ(disk(), "[P]\r\na=5\r\na=9\r\nb=6\r\n[Q]\r\nx=0\r\n[P]\r\na=2\r\nb=3\r\n");
}

TEST_F(IniFileTest, LineWithoutEqualsNeverMatches) {
    use("[P]\nk\nk=3\n");
    EXPECT_EQ(ini.ReadInt("P", "k", 0), 3);
    use("[P]\nk\n");
    EXPECT_EQ(ini.ReadInt("P", "k", 8), 8);
}

TEST_F(IniFileTest, ReplacingAKeyLineDropsTheRestOfIt) {
    use("[P]\n  uiPass =  4   extra\n");
    ini.ReadInt("P", "uiPass", 0);
    ini.WriteInt("P", "uiPass", 3);
    EXPECT_EQ(disk(), "[P]\r\nuiPass=3\r\n");
}

TEST_F(IniFileTest, NewKeyGoesAfterTheLastLineOfTheLastSection) {
    use("[A]\nx=1\n[B]\ny=2\n\n");
    ini.Load();
    ini.WriteString("B", "z", "3");
    EXPECT_EQ(disk(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n\r\nz=3\r\n");
}

TEST_F(IniFileTest, NewKeyGoesDirectlyBeforeTheNextHeader) {
    use("[A]\nx=1\n\n  [B]\ny=2\n");
    ini.Load();
    ini.WriteString("A", "z", "3");
    EXPECT_EQ(disk(), "[A]\r\nx=1\r\n\r\nz=3\r\n  [B]\r\ny=2\r\n");
}

TEST_F(IniFileTest, CrLfAndLfBothReadAndSaveWritesCrLf) {
    use("[A]\r\nx=1\r\n[B]\ny=2");
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
    EXPECT_EQ(ini.ReadInt("B", "y", 0), 2);
    ASSERT_EQ(ini.Lines().size(), 4u);
    EXPECT_EQ(ini.Lines()[1], "x=1");
    ini.WriteInt("B", "y", 5);
    EXPECT_EQ(disk(), "[A]\r\nx=1\r\n[B]\r\ny=5\r\n");
}

TEST_F(IniFileTest, ByteOrderMarkDoesNotHideTheFirstSectionAndSurvivesASave) {
    use("\xEF\xBB\xBF[A]\nx=1\n");
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
    ini.WriteInt("A", "x", 2);
    EXPECT_EQ(disk(), "\xEF\xBB\xBF[A]\r\nx=2\r\n");
    EXPECT_EQ(ini.Lines().front(), "[A]"); // for readers of the lines, the mark is not there
    // Only the first mark is one: a line behind a second stays what it was, save after save.
    use("\xEF\xBB\xBF\xEF\xBB\xBF[A]\nx=1\n");
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(ini.ReadInt("A", "x", 0), 0) << round;
        ini.WriteInt("B", "y", round);
    }
}

TEST_F(IniFileTest, WritesEditTheCopyOfTheLastReadWithoutReloading) {
    use("[A]\nx=1\n");
    ini.ReadInt("A", "x", 0);
    dir.write("t.ini", "[A]\nx=1\n[OTHER]\nq=1\n"); // changed behind the object's back
    ini.WriteInt("A", "y", 2);
    EXPECT_EQ(disk(), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(IniFileTest, FreshObjectReplacesTheFileWithItsWrites) {
    use("[A]\nx=1\n[B]\ny=2\n");
    ini.WriteString("C", "k", "v");
    EXPECT_EQ(disk(), "[C]\r\nk=v\r\n");
}

TEST_F(IniFileTest, FailedLoadKeepsTheCopyAndReadsDefaults) {
    use("[A]\nx=1\n");
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
    ini.SetFileName(dir.file("missing.ini"));
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ini.OpenResult(), 0);
    EXPECT_EQ(ini.ReadInt("A", "x", 7), 7);
    ASSERT_EQ(ini.Lines().size(), 2u);
    EXPECT_FALSE(dir.exists("missing.ini")); // reading creates nothing
    // A directory is no settings file.
    std::filesystem::create_directory(dir.file("d.ini"));
    ini.SetFileName(dir.file("d.ini"));
    EXPECT_EQ(ini.Load(), 0);
}

TEST_F(IniFileTest, LineBreaksInValuesCannotSplitTheFile) {
    use("[A]\nx=1\n");
    ini.Load();
    ini.WriteString("A", "csName", "evil\r\n[A]\nx=9");
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
    EXPECT_EQ(ini.ReadString("A", "csName", ""), "evil  [A] x=9");
    EXPECT_EQ(ini.Lines().size(), 3u);
}

TEST_F(IniFileTest, RelativeNameResolvesAgainstTheCurrentDirectory) {
    const std::string old = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path());
    CIniFile rel;
    rel.SetFileName("rel.ini");
    rel.WriteInt("A", "x", 3);
    std::filesystem::current_path(old);
    EXPECT_EQ(dir.read("rel.ini"), "[A]\r\nx=3\r\n");
}

TEST_F(IniFileTest, SaveLeavesNoTemporaryFiles) {
    use("");
    for (int i = 0; i < 5; ++i) ini.WriteInt("A", "k" + std::to_string(i), i);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.ini"});
}

TEST_F(IniFileTest, FailedSaveKeepsTheOldFileWhole) {
    use("[A]\nx=1\n");
    ini.Load();
    // The new file cannot be written whole: the process may write files of 4 bytes only.
    {
        struct sigaction ignore {}, old {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &old);
        rlimit was{};
        ::getrlimit(RLIMIT_FSIZE, &was);
        rlimit tiny = was;
        tiny.rlim_cur = 4;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const int wrote = ini.WriteInt("A", "x", 2);
        ::setrlimit(RLIMIT_FSIZE, &was);
        ::sigaction(SIGXFSZ, &old, nullptr);
        EXPECT_EQ(wrote, 0);
    }
    EXPECT_EQ(disk(), "[A]\nx=1\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.ini"}); // no temporary left behind
    ini.SetFileName(dir.file("no/such/dir/t.ini"));
    EXPECT_EQ(ini.Save(), 0);
}

TEST_F(IniFileTest, ReadersNeverSeeAPartialFile) {
    // A large value alternately rewritten; a reader must always see one whole version.
    const std::string va(200000, 'a'), vb(200000, 'b');
    const std::string a = "[S]\r\nbig=" + va + "\r\n", b = "[S]\r\nbig=" + vb + "\r\n";
    CIniFile writer;
    writer.SetFileName(dir.file("t.ini"));
    ASSERT_EQ(writer.WriteString("S", "big", va), 1);

    std::atomic<bool> done{false};
    std::atomic<int> bad{0}, reads{0};
    std::thread reader([&] {
        while (!done || reads == 0) {
            std::string text = dir.read("t.ini");
            if (text != a && text != b) ++bad;
            ++reads;
        }
    });
    for (int i = 0; i < 30; ++i) EXPECT_EQ(writer.WriteString("S", "big", i % 2 ? va : vb), 1);
    done = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.ini"});
}

TEST_F(IniFileTest, BatchSavesOnceAtTheEndAndReadsSeePendingEdits) {
    use("[A]\nx=1\n");
    ini.Load();
    {
        CIniFile::Batch batch(ini);
        ini.WriteInt("A", "x", 2);
        ini.WriteInt("A", "y", 3);
        EXPECT_EQ(disk(), "[A]\nx=1\n"); // nothing written yet
        EXPECT_EQ(ini.ReadInt("A", "x", 0), 2);
        {
            CIniFile::Batch inner(ini);
            ini.WriteInt("B", "z", 4);
        }
        EXPECT_EQ(disk(), "[A]\nx=1\n"); // only the outermost batch saves
        EXPECT_EQ(batch.end(), 1);
    }
    EXPECT_EQ(disk(), "[A]\r\nx=2\r\ny=3\r\n[B]\r\nz=4\r\n");
    // Outside a batch every read re-loads again.
    dir.write("t.ini", "[A]\nx=8\n");
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 8);
}

// What a load could not understand is reported with the file name, line numbers and texts; blank
// lines and sound lines are not.
TEST_F(IniFileTest, LoadReportsTheLinesItCannotUnderstand) {
    struct Case {
        const char* text;
        const char* warning; // "" when the file is sound
    };
    const Case cases[] = {
        {"[A]\nx=1\n\n  \n[B]\ny=\n", ""},
        {"[A]\nx=1\ngarbage here\n", "t.ini: 1 line not understood: line 3 \"garbage here\""},
        {"k=1\n[A]\nx=1\n", "t.ini: 1 line not understood: line 1 \"k=1\""}, // before any section
        {"[A]\na\nb\nc\nd\ne\n",
         "t.ini: 5 lines not understood: line 2 \"a\", line 3 \"b\", line 4 \"c\" and 2 more"},
        {"[A]\n\"q\\\xff\n", "t.ini: 1 line not understood: line 2 \"\\x22q\\x5C\\xFF\""},
    };
    for (const Case& c : cases) {
        use(c.text);
        EXPECT_EQ(ini.Load(), 1);
        EXPECT_EQ(ini.LoadWarning(), c.warning) << c.text;
    }
    // A long line is cut in the report.
    use("[A]\n" + std::string(100, 'z') + "\n");
    ini.Load();
    EXPECT_EQ(ini.LoadWarning(), "t.ini: 1 line not understood: line 2 \"" + std::string(40, 'z') + "...\"");
}

TEST_F(IniFileTest, RandomBytesAreReportedAsBinary) {
    std::string bytes;
    uint32_t x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += static_cast<char>(x >> 24);
    }
    use(bytes);
    EXPECT_EQ(ini.Load(), 1);
    const std::string w = ini.LoadWarning();
    EXPECT_EQ(w.rfind("t.ini: binary data (", 0), 0u) << w;
    EXPECT_NE(w.find("lines not understood: line "), std::string::npos) << w;
    EXPECT_EQ(w.find('\n'), std::string::npos); // one line, no raw control bytes
    EXPECT_EQ(w.find('\0'), std::string::npos);
}

TEST_F(IniFileTest, UnreadableAndOversizedFilesAreReportedAndNotRead) {
    use("[A]\nx=1\n");
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
    EXPECT_EQ(ini.LoadWarning(), "");
    // A directory in place of the file cannot be read, whoever runs the test.
    std::filesystem::remove(dir.file("t.ini"));
    std::filesystem::create_directory(dir.file("t.ini"));
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ini.LoadWarning(), "t.ini: cannot be read");
    EXPECT_EQ(ini.ReadInt("A", "x", 7), 7);
    // One byte beyond the limit (a sparse file: no disk space needed).
    std::filesystem::remove(dir.file("t.ini"));
    dir.write("t.ini", "[A]\nx=2\n");
    std::filesystem::resize_file(dir.file("t.ini"), CIniFile::kMaxFileBytes + 1);
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ini.LoadWarning(), "t.ini: larger than 16 MiB, not read");
    EXPECT_EQ(ini.ReadInt("A", "x", 7), 7);
    // Exactly at the limit it is read.
    std::filesystem::resize_file(dir.file("t.ini"), CIniFile::kMaxFileBytes);
    EXPECT_EQ(ini.ReadInt("A", "x", 7), 2);
    EXPECT_NE(ini.LoadWarning().find("binary data"), std::string::npos); // the zero bytes of the hole
    // A missing file is no fault: the defaults are what a fresh machine has.
    std::filesystem::remove(dir.file("t.ini"));
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ini.LoadWarning(), "");
}

TEST_F(IniFileTest, SnapshotReadsTheFileOnceAndGivesDefaultsWhenItCannot) {
    use("[A]\nx=1\n");
    {
        CIniFile::Snapshot snapshot(ini);
        dir.write("t.ini", "[A]\nx=5\n"); // replaced behind its back: the snapshot keeps its copy
        EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
        {
            CIniFile::Snapshot inner(ini); // nested: no second load
            EXPECT_EQ(ini.ReadInt("A", "x", 0), 1);
        }
    }
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 5);
    // The copy of the last good load stays for later writes, but reads give the defaults.
    ini.SetFileName(dir.file("missing.ini"));
    {
        CIniFile::Snapshot snapshot(ini);
        EXPECT_EQ(ini.ReadInt("A", "x", 9), 9);
    }
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[A]", "x=5"}));
    EXPECT_FALSE(dir.exists("missing.ini")); // reading wrote nothing
}

// Lines keep their order through edits: replaced in place, new keys at the end of their section.
TEST_F(IniFileTest, EditsKeepTheFileOrderAcrossDuplicateSections) {
    use("top\n[A]\nx=1\n[B]\ny=1\n[A]\nx=2\n");
    ini.Load();
    ini.WriteInt("A", "x", 3);
    ini.WriteInt("A", "z", 4);
    ini.WriteInt("B", "w", 5);
    ini.WriteInt("C", "v", 6);
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"top", "[A]", "x=3", "z=4", "[B]", "y=1", "w=5", "[A]", "x=2",
                                                     "[C]", "v=6"}));
    EXPECT_EQ(ini.ReadInt("A", "x", 0), 3);
    EXPECT_EQ(ini.ReadInt("A", "z", 0), 4);
}

} // namespace

// The same bytes from a file and from memory make the same store: the parser is one.
TEST(IniFileBufferTest, BufferAndFileAgreeOnTheSameBytes) {
    const std::string cases[] = {
        "",
        "\xEF\xBB\xBF[S]\r\na=1\r\n",
        "[S]\nk = v \n[S]\nk=second\n",
        "x=before any header\n[S]\nnot a key line\nk=1",
        std::string("[S]\r\nk=\x01\x00z\r\r\n", 10),
        "[ S ]\rk=1\n[T]\n\n\nk=2\n",
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        ScratchDir dir;
        dir.write("t.ini", bytes);
        CIniFile file, mem;
        file.SetFileName(dir.file("t.ini"));
        mem.SetFileName(dir.file("t.ini"));
        EXPECT_EQ(file.Load(), 1);
        EXPECT_EQ(mem.LoadBuffer(bytes), 1);
        EXPECT_EQ(mem.Lines(), file.Lines());
        EXPECT_EQ(mem.LoadWarning(), file.LoadWarning());
        EXPECT_EQ(mem.Text(), file.Text());
        for (const char* key : {"k", "a", "x"})
            EXPECT_EQ(mem.ReadString("S", key, "-"), file.ReadString("S", key, "-"));
        // What a save of the file writes is what the store in memory holds.
        ASSERT_EQ(file.Save(), 1);
        EXPECT_EQ(dir.read("t.ini"), mem.Text());
    }
}

TEST(IniFileBufferTest, StoreInMemoryNeverTouchesItsFile) {
    ScratchDir dir;
    dir.write("t.ini", "[S]\r\nk=on disk\r\n");
    CIniFile mem;
    mem.SetFileName(dir.file("t.ini"));
    ASSERT_EQ(mem.LoadBuffer("[S]\nk=in memory\n"), 1);
    EXPECT_TRUE(mem.InMemory());
    EXPECT_EQ(mem.ReadString("S", "k", ""), "in memory"); // a read does not re-load the file
    EXPECT_EQ(mem.WriteString("S", "n", "1"), 1);
    EXPECT_EQ(dir.read("t.ini"), "[S]\r\nk=on disk\r\n");
    EXPECT_EQ(mem.Text(), "[S]\r\nk=in memory\r\nn=1\r\n");
}

TEST(IniFileBufferTest, OversizedBytesAreRefusedAndTheCopyKept) {
    CIniFile mem;
    mem.SetFileName("big.ini");
    ASSERT_EQ(mem.LoadBuffer("[S]\nk=1\n"), 1);
    EXPECT_EQ(mem.LoadBuffer(std::string(CIniFile::kMaxFileBytes, '\n')), 1); // the limit itself is read
    ASSERT_EQ(mem.LoadBuffer("[S]\nk=1\n"), 1);
    EXPECT_EQ(mem.LoadBuffer(std::string(CIniFile::kMaxFileBytes + 1, '\n')), 0);
    EXPECT_EQ(mem.LoadWarning(), "big.ini: larger than 16 MiB, not read");
    // Reads give their defaults, as after a file that could not be read; the copy stays as it was.
    EXPECT_EQ(mem.ReadString("S", "k", "default"), "default");
    EXPECT_EQ(mem.Text(), "[S]\r\nk=1\r\n");
}
