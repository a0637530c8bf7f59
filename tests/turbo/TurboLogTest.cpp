#include "turbo/TurboLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace turbo {
namespace {

namespace fs = std::filesystem;

std::tm at(int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = 111; // 2011
    t.tm_mon = 4;
    t.tm_mday = 19;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long lineCount(const fs::path& path)
{
    std::string text = readFile(path);
    return std::count(text.begin(), text.end(), '\n');
}

class TurboLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("turbo_log_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
    }
    fs::path dir;
};

TEST_F(TurboLogTest, LinesWithNotesInBothFormats)
{
    struct Case {
        LogFormat format;
        const char* expected;
    };
    const Case cases[] = {
        {LogFormat::Text,
         "  DATE     TIME    PEAK  CMULTI STDEV  LOAD%  NOTES\r\n"
         "05/19/11 14:02:59 25.123 24.876 0.321  99.50 raised_voltage\r\n"
         "05/19/11 14:03:00  9.000  8.500 0.000   3.25 a_b c__d\r\n"},
        {LogFormat::Csv,
         "DATE,TIME,PEAK,C_MULTI,STD_DEV,LOAD%,NOTES\r\n"
         "05/19/11,14:02:59,25.123,24.876,0.321,99.50,raised_voltage\r\n"
         "05/19/11,14:03:00,9.000,8.500,0.000,3.25,a_b,c__d\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        TurboLog log(dir.string());
        log.addNote("raised voltage");
        log.appendLine(at(14, 2, 59), 25.123, 24.876, 0.321, 99.5);
        // Two notes in one second join without a separator; a comma stays a
        // comma in CSV and becomes a blank in text.
        log.addNote("a b");
        log.addNote(",c  d");
        log.appendLine(at(14, 3, 0), 9.0, 8.5, 0.0, 3.25);
        EXPECT_TRUE(log.pendingNote().empty());
        EXPECT_EQ(log.onTick(at(14, 3, 0), LogState::On, c.format), TurboLog::WriteResult::Written);
        EXPECT_EQ(readFile(dir / TurboLog::fileName(c.format)), c.expected);
        EXPECT_TRUE(log.buffer().empty());
    }
}

TEST_F(TurboLogTest, NoteGoesOnTheNextLineOnly)
{
    TurboLog log(dir.string());
    log.appendLine(at(10, 0, 1), 20, 20, 0, 50);
    log.addNote("x");
    log.appendLine(at(10, 0, 2), 20, 20, 0, 50);
    log.appendLine(at(10, 0, 3), 20, 20, 0, 50);
    EXPECT_EQ(log.buffer(),
              "05/19/11 10:00:01 20.000 20.000 0.000  50.00\n"
              "05/19/11 10:00:02 20.000 20.000 0.000  50.00 x\n"
              "05/19/11 10:00:03 20.000 20.000 0.000  50.00\n");
}

TEST_F(TurboLogTest, LineBreaksInANoteDoNotSplitTheLine)
{
    TurboLog log(dir.string());
    log.addNote("one\ntwo\r");
    log.appendLine(at(10, 0, 1), 20, 20, 0, 50);
    EXPECT_EQ(log.buffer(), "05/19/11 10:00:01 20.000 20.000 0.000  50.00 one_two_\n");
}

TEST_F(TurboLogTest, HeaderOnlyInAnEmptyFile)
{
    struct Case {
        const char* existing; // nullptr: no file
        LogFormat format;
        bool header;
    };
    const Case cases[] = {
        {nullptr, LogFormat::Csv, true},
        {"", LogFormat::Csv, true},
        {"  DATE     TIME    PEAK  CMULTI STDEV  LOAD%  NOTES\r\nold\r\n", LogFormat::Csv, false},
        {"old line\r\n", LogFormat::Text, false},
        {nullptr, LogFormat::Text, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing ? c.existing : "(none)");
        fs::path file = dir / TurboLog::fileName(c.format);
        fs::remove(file);
        if (c.existing)
            std::ofstream(file, std::ios::binary) << c.existing;
        TurboLog log(dir.string());
        log.appendLine(at(8, 0, 0), 20, 20, 0, 100);
        ASSERT_EQ(log.write(c.format), TurboLog::WriteResult::Written);
        std::string expected = c.existing ? c.existing : "";
        if (c.header)
            expected += c.format == LogFormat::Csv ? "DATE,TIME,PEAK,C_MULTI,STD_DEV,LOAD%,NOTES\r\n"
                                                   : "  DATE     TIME    PEAK  CMULTI STDEV  LOAD%  NOTES\r\n";
        expected += c.format == LogFormat::Csv ? "05/19/11,08:00:00,20.000,20.000,0.000,100.00\r\n"
                                               : "05/19/11 08:00:00 20.000 20.000 0.000 100.00\r\n";
        EXPECT_EQ(readFile(file), expected);
    }
}

TEST_F(TurboLogTest, WrittenAtTheFullMinuteOnlyAndDroppedWhenOff)
{
    TurboLog log(dir.string());
    fs::path file = dir / TurboLog::fileName(LogFormat::Text);
    log.appendLine(at(9, 59, 58), 20, 20, 0, 50);
    EXPECT_EQ(log.onTick(at(9, 59, 58), LogState::On, LogFormat::Text), TurboLog::WriteResult::NothingToWrite);
    log.appendLine(at(9, 59, 59), 20, 20, 0, 50);
    log.onTick(at(9, 59, 59), LogState::On, LogFormat::Text);
    EXPECT_FALSE(fs::exists(file));
    log.appendLine(at(10, 0, 0), 20, 20, 0, 50);
    EXPECT_EQ(log.onTick(at(10, 0, 0), LogState::On, LogFormat::Text), TurboLog::WriteResult::Written);
    EXPECT_EQ(lineCount(file), 4);

    // Logging off at the full minute: the buffered lines are discarded.
    log.appendLine(at(10, 0, 30), 20, 20, 0, 50);
    log.onTick(at(10, 0, 30), LogState::Off, LogFormat::Text);
    EXPECT_FALSE(log.buffer().empty());
    log.onTick(at(10, 1, 0), LogState::Off, LogFormat::Text);
    EXPECT_TRUE(log.buffer().empty());

    // Shutdown writes what is left while logging is on.
    log.appendLine(at(10, 1, 5), 20, 20, 0, 50);
    EXPECT_EQ(log.flush(LogState::Off, LogFormat::Text), TurboLog::WriteResult::NothingToWrite);
    EXPECT_EQ(log.flush(LogState::On, LogFormat::Text), TurboLog::WriteResult::Written);
    EXPECT_EQ(lineCount(file), 5);
}

TEST_F(TurboLogTest, UnopenableFileKeepsTheBufferForTheNextMinute)
{
    TurboLog log(dir.string());
    log.addNote("kept");
    log.appendLine(at(11, 0, 0), 21, 20, 0.5, 95);
    const std::string buffered = log.buffer();
    // A folder in the file's place cannot be opened for writing, not even by root.
    fs::create_directory(dir / "SparvelLog.csv");
    EXPECT_EQ(log.onTick(at(11, 0, 0), LogState::On, LogFormat::Csv), TurboLog::WriteResult::CannotOpen);
    EXPECT_EQ(log.buffer(), buffered); // not converted in place either

    fs::remove(dir / "SparvelLog.csv");
    log.appendLine(at(11, 0, 1), 21, 20, 0.5, 95);
    EXPECT_EQ(log.onTick(at(11, 1, 0), LogState::On, LogFormat::Csv), TurboLog::WriteResult::Written);
    EXPECT_EQ(readFile(dir / "SparvelLog.csv"),
              "DATE,TIME,PEAK,C_MULTI,STD_DEV,LOAD%,NOTES\r\n"
              "05/19/11,11:00:00,21.000,20.000,0.500,95.00,kept\r\n"
              "05/19/11,11:00:01,21.000,20.000,0.500,95.00\r\n");
}

TEST_F(TurboLogTest, MissingDirectoryCannotBeOpened)
{
    TurboLog log((dir / "missing").string());
    log.appendLine(at(11, 0, 0), 21, 20, 0.5, 95);
    EXPECT_EQ(log.write(LogFormat::Text), TurboLog::WriteResult::CannotOpen);
    EXPECT_FALSE(log.buffer().empty());
}

TEST_F(TurboLogTest, LinesLeftInAnUnwritableFolderAreCountedAtShutdown)
{
    // Root with a sudo user writes only where that user may: a folder of root.
    // Without root, a folder without write permission.
    const fs::path folder = dir / "closed";
    fs::create_directory(folder);
    TurboLog log(folder.string());
    if (::geteuid() == 0) {
        platform::UserFileAccess access;
        access.effectiveUid = 0;
        access.invokingUser = platform::InvokingUser{65534, 65534};
        log.setFileAccess(access);
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    for (int second = 57; second < 60; ++second)
        log.appendLine(at(12, 0, second), 20, 20, 0, 50);
    EXPECT_EQ(log.flush(LogState::On, LogFormat::Text), TurboLog::WriteResult::CannotOpen);
    const std::string path = (folder / "SparvelLog.txt").string();
    ASSERT_TRUE(log.lastError());
    EXPECT_EQ(log.unwrittenReport(),
              "Sparvel: 3 log lines could not be written to " + path + " (" + log.lastError()->reason + ")");
    EXPECT_FALSE(fs::exists(path));
    fs::permissions(folder, fs::perms::owner_all);
}

TEST(TurboLogFormat, CsvCollapsesRunsOfBlanksLongestFirst)
{
    struct Case {
        const char* in;
        const char* csv;
        const char* text;
    };
    const Case cases[] = {
        {"a b", "a,b", "a b"},
        {"a  b", "a,b", "a  b"},
        {"a   b", "a,b", "a   b"},
        {"a    b", "a,b", "a    b"},
        {"a     b", "a,,b", "a     b"},
        {"a,b c", "a,b,c", "a b c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TurboLog::convert(c.in, LogFormat::Csv), c.csv) << c.in;
        EXPECT_EQ(TurboLog::convert(c.in, LogFormat::Text), c.text) << c.in;
    }
}

} // namespace
} // namespace turbo
