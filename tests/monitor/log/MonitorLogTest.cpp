#include "monitor/log/MonitorLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace monitor;

namespace {

std::tm at(int h, int m, int s)
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

LogReadings twoCores(std::tm time)
{
    LogReadings r;
    r.time = time;
    r.clockMHz = 2400;
    r.temperatures = {45, 47};
    r.loadPercent = 12.5;
    return r;
}

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LogDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/ostrel-log-XXXXXX";
        m_dir = mkdtemp(tmpl);
        std::setlocale(LC_ALL, "C");
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::remove_all(m_dir);
    }
    LogOptions options(LogFormat format)
    {
        LogOptions o;
        o.format = format;
        o.logInterval = 5;
        o.hdWrite = 60;
        o.fileName = (m_dir / "OstrelLog").string();
        return o;
    }
    fs::path m_dir;
};

} // namespace

TEST(MonitorLogFormat, LinesAndHeadersByteForByte)
{
    LogColumns columns{{0, 1}, false};
    const std::string line = MonitorLog::formatLine(twoCores(at(14, 5, 10)), columns);
    EXPECT_EQ(line, "12/08/26  14:05:10  2400.00    45    47    12.5\n");
    EXPECT_EQ(MonitorLog::convert(line, LogFormat::Csv), "12/08/26,14:05:10,2400.00,45,47,12.5\n");
    EXPECT_EQ(MonitorLog::convert(line, LogFormat::Text), line);

    EXPECT_EQ(MonitorLog::header(columns, LogFormat::Csv), "DATE,TIME,MHz,CPU_0,CPU_1,LOAD%\n");
    EXPECT_EQ(MonitorLog::header(columns, LogFormat::Text), "  DATE      TIME      MHz    CPU_0 CPU_1  LOAD%  \n");

    LogColumns withGpu{{0, 1, 2, 3}, true};
    LogReadings r = twoCores(at(0, 0, 0));
    r.temperatures = {40, 41, 42, 43};
    r.gpuTemperature = 55;
    EXPECT_EQ(MonitorLog::formatLine(r, withGpu), "12/08/26  00:00:00  2400.00    40    41    42    43    12.5   55\n");
    EXPECT_EQ(MonitorLog::header(withGpu, LogFormat::Csv), "DATE,TIME,MHz,CPU_0,CPU_1,CPU_2,CPU_3,LOAD%,GPU\n");
    EXPECT_EQ(MonitorLog::header(withGpu, LogFormat::Text),
              "  DATE      TIME      MHz    CPU_0 CPU_1 CPU_2 CPU_3  LOAD%  GPU\n");
}

TEST(MonitorLogFormat, NumbersKeepTheirPointUnderADecimalCommaLocale)
{
    // Build a German locale into a private folder when the system has none.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        char tmpl[] = "/tmp/ostrel-locale-XXXXXX";
        const std::string dir = mkdtemp(tmpl);
        const std::string command = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", dir.c_str(), 1);
            std::setlocale(LC_ALL, "de_DE.UTF-8");
        }
    }
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma available (localedef failed)";
    EXPECT_EQ(std::string(localeconv()->decimal_point), ",");
    const std::string line = MonitorLog::formatLine(twoCores(at(14, 5, 10)), LogColumns{{0, 1}, false});
    std::setlocale(LC_ALL, "C");
    EXPECT_NE(line.find("2400.00"), std::string::npos) << line;
    EXPECT_NE(line.find("12.5"), std::string::npos) << line;
}

TEST_F(LogDir, HeaderOnlyInAnEmptyFile)
{
    LogOptions o = options(LogFormat::Csv);
    LogColumns columns{{0, 1}, false};
    MonitorLog log;
    ASSERT_TRUE(log.addLineIfDue(twoCores(at(10, 0, 55)), columns, o));
    EXPECT_FALSE(log.buffer().empty()) << "55 is not a multiple of HDWrite 60";
    ASSERT_TRUE(log.addLineIfDue(twoCores(at(10, 1, 0)), columns, o));
    EXPECT_TRUE(log.buffer().empty());
    // A later run with other columns appends without a second header.
    LogColumns more{{0, 1, 2, 3}, true};
    MonitorLog second;
    LogReadings r = twoCores(at(10, 2, 0));
    r.temperatures = {1, 2, 3, 4};
    ASSERT_TRUE(second.addLineIfDue(r, more, o));
    EXPECT_EQ(slurp(m_dir / "OstrelLog.csv"),
              "DATE,TIME,MHz,CPU_0,CPU_1,LOAD%\n"
              "12/08/26,10:00:55,2400.00,45,47,12.5\n"
              "12/08/26,10:01:00,2400.00,45,47,12.5\n"
              "12/08/26,10:02:00,2400.00,1,2,3,4,12.5,0\n");
}

TEST_F(LogDir, LinesOnlyAtMultiplesOfTheIntervalAcrossMidnight)
{
    LogOptions o = options(LogFormat::Text);
    LogColumns columns{{0}, false};
    MonitorLog log;
    std::vector<std::string> added;
    const std::tm ticks[] = {at(23, 59, 58), at(23, 59, 59), at(0, 0, 0), at(0, 0, 1), at(0, 0, 5)};
    for (const std::tm& t : ticks)
        if (log.addLineIfDue(twoCores(t), columns, o))
            added.push_back(std::to_string(MonitorLog::secondOfDay(t)));
    EXPECT_EQ(added, (std::vector<std::string>{"0", "5"}));
    // 00:00:00 is a multiple of HDWrite too: the first line went to disk at once.
    EXPECT_EQ(log.buffer().substr(8), "  00:00:05  2400.00    45    12.5\n");
    EXPECT_NE(slurp(m_dir / "OstrelLog.txt").find("00:00:00"), std::string::npos);
}

TEST_F(LogDir, UnwritableFileKeepsEveryLineUntilAWriteSucceeds)
{
    if (geteuid() == 0) {
        // Root ignores permissions: make the log path a directory instead.
        fs::create_directory(m_dir / "OstrelLog.txt");
    } else {
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    }
    LogOptions o = options(LogFormat::Text);
    o.hdWrite = 10;
    LogColumns columns{{0, 1}, false};
    MonitorLog log;
    for (int s = 0; s < 60; s += 5)
        log.addLineIfDue(twoCores(at(9, 0, s)), columns, o);
    EXPECT_EQ(std::count(log.buffer().begin(), log.buffer().end(), '\n'), 12);
    EXPECT_FALSE(log.writeOut(columns, o));

    if (geteuid() == 0)
        fs::remove(m_dir / "OstrelLog.txt");
    else
        fs::permissions(m_dir, fs::perms::owner_all);
    log.addLineIfDue(twoCores(at(9, 1, 0)), columns, o);
    EXPECT_TRUE(log.buffer().empty());
    const std::string file = slurp(m_dir / "OstrelLog.txt");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 14) << "header and 13 lines";
    EXPECT_NE(file.find("09:00:00"), std::string::npos);
    EXPECT_NE(file.find("09:01:00"), std::string::npos);
}

namespace {

LogReadings sixCores(std::tm time)
{
    LogReadings r;
    r.time = time;
    r.clockMHz = 3333.336;
    r.temperatures = {45, 47, 50, 38, 41, 44};
    r.loadPercent = 12.5;
    r.gpuTemperature = 61;
    return r;
}

} // namespace

TEST(MonitorLogCompact, HeadersAndLinesByteForByte)
{
    struct Case {
        const char* name;
        LogColumns columns;
        LogFormat format;
        const char* header;
        const char* body; // the buffered line as it goes to the file
    } cases[] = {
        {"six cores, text", {{0, 1, 2, 3, 4, 5}, false, false}, LogFormat::Text,
         "  DATE     TIME     MHz   C0 C1 C2 C3 C4 C5 LOAD%\n",
         "12/08/26 14:05:10 3333.34 45 47 50 38 41 44 12.5\n"},
        {"six cores, CSV", {{0, 1, 2, 3, 4, 5}, false, false}, LogFormat::Csv,
         "DATE,TIME,MHz,CPU_0,CPU_1,CPU_2,CPU_3,CPU_4,CPU_5,LOAD%\n",
         "12/08/26,14:05:10,3333.34,45,47,50,38,41,44,12.5\n"},
        {"NVIDIA, text", {{0, 1, 2, 3, 4, 5}, true, true}, LogFormat::Text,
         "  DATE     TIME     MHz   C0 C1 C2 C3 C4 C5 NV LOAD%\n",
         "12/08/26 14:05:10 3333.34 45 47 50 38 41 44 61 12.5\n"},
        {"NVIDIA, CSV", {{0, 1, 2, 3, 4, 5}, true, true}, LogFormat::Csv,
         "DATE,TIME,MHz,CPU_0,CPU_1,CPU_2,CPU_3,CPU_4,CPU_5,GPU,LOAD%\n",
         "12/08/26,14:05:10,3333.34,45,47,50,38,41,44,61,12.5\n"},
        // The text header names the NVIDIA sensor only, so an ATI figure
        // stays out of text lines.
        {"ATI, text", {{0, 1, 2, 3, 4, 5}, true, false}, LogFormat::Text,
         "  DATE     TIME     MHz   C0 C1 C2 C3 C4 C5 LOAD%\n",
         "12/08/26 14:05:10 3333.34 45 47 50 38 41 44 12.5\n"},
        {"ATI, CSV", {{0, 1, 2, 3, 4, 5}, true, false}, LogFormat::Csv,
         "DATE,TIME,MHz,CPU_0,CPU_1,CPU_2,CPU_3,CPU_4,CPU_5,GPU,LOAD%\n",
         "12/08/26,14:05:10,3333.34,45,47,50,38,41,44,61,12.5\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MonitorLog::header(c.columns, c.format, LogLayout::Compact), c.header);
        LogColumns lineColumns = c.columns;
        lineColumns.gpu = MonitorLog::gpuColumn(c.columns, c.format, LogLayout::Compact);
        const std::string line = MonitorLog::formatLine(sixCores(at(14, 5, 10)), lineColumns, LogLayout::Compact);
        EXPECT_EQ(MonitorLog::convert(line, c.format), c.body);
    }
    // The aligned layout names the GPU column in both formats.
    const LogColumns ati{{0}, true, false};
    EXPECT_TRUE(MonitorLog::gpuColumn(ati, LogFormat::Text, LogLayout::Aligned));
    EXPECT_TRUE(MonitorLog::gpuColumn(ati, LogFormat::Csv, LogLayout::Aligned));
}

TEST_F(LogDir, CompactFileGetsItsHeaderAndLines)
{
    LogOptions o = options(LogFormat::Csv);
    o.layout = LogLayout::Compact;
    const LogColumns columns{{0, 1, 2, 3, 4, 5}, true, true};
    MonitorLog log;
    ASSERT_TRUE(log.addLineIfDue(sixCores(at(8, 59, 55)), columns, o));
    ASSERT_TRUE(log.addLineIfDue(sixCores(at(9, 0, 0)), columns, o));
    EXPECT_TRUE(log.buffer().empty());
    EXPECT_EQ(slurp(m_dir / "OstrelLog.csv"),
              "DATE,TIME,MHz,CPU_0,CPU_1,CPU_2,CPU_3,CPU_4,CPU_5,GPU,LOAD%\n"
              "12/08/26,08:59:55,3333.34,45,47,50,38,41,44,61,12.5\n"
              "12/08/26,09:00:00,3333.34,45,47,50,38,41,44,61,12.5\n");
}

namespace {

// Poses as a root process started through sudo by the user "nobody".
platform::UserFileAccess sudoAsNobody()
{
    platform::UserFileAccess access;
    access.effectiveUid = 0;
    access.invokingUser = platform::InvokingUser{65534, 65534};
    return access;
}

} // namespace

TEST_F(LogDir, RootWritesOnlyWhatTheInvokingUserCould)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to pose as sudo";
    enum class Outcome { Refused, Created, Appended };
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& folder, const fs::path& target)> plant; // gives the log's folder
        Outcome outcome;
    };
    const Case cases[] = {
        {"planted symbolic link",
         [](const fs::path& folder, const fs::path& target) {
             fs::create_symlink(target, folder / "OstrelLog.txt");
             return folder;
         },
         Outcome::Refused},
        {"planted hard link",
         [](const fs::path& folder, const fs::path& target) {
             fs::create_hard_link(target, folder / "OstrelLog.txt");
             return folder;
         },
         Outcome::Refused},
        {"root-only folder",
         [](const fs::path& folder, const fs::path&) {
             fs::create_directory(folder / "private");
             fs::permissions(folder / "private", fs::perms::owner_all);
             return folder / "private";
         },
         Outcome::Refused},
        {"file of another user",
         [](const fs::path& folder, const fs::path&) {
             std::ofstream(folder / "OstrelLog.txt") << "theirs\n";
             EXPECT_EQ(chown((folder / "OstrelLog.txt").c_str(), 65533, 65533), 0);
             return folder;
         },
         Outcome::Refused},
        {"new file", [](const fs::path& folder, const fs::path&) { return folder; }, Outcome::Created},
        {"the user's own file",
         [](const fs::path& folder, const fs::path&) {
             std::ofstream(folder / "OstrelLog.txt") << "mine\n";
             EXPECT_EQ(chown((folder / "OstrelLog.txt").c_str(), 65534, 65534), 0);
             return folder;
         },
         Outcome::Appended},
    };
    const mode_t oldMask = umask(077); // the new file's mode must not depend on it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = m_dir / "target";
        const fs::path folder = m_dir / "user";
        fs::remove_all(folder);
        fs::create_directory(folder);
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        std::ofstream(target, std::ios::trunc) << "root's\n";
        const fs::path file = c.plant(folder, target) / "OstrelLog.txt";
        const std::string before = fs::exists(file) ? slurp(file) : "";

        LogOptions o = options(LogFormat::Text);
        o.fileName = (file.parent_path() / "OstrelLog").string();
        const LogColumns columns{{0}, false};
        MonitorLog log;
        log.setFileAccess(sudoAsNobody());
        log.addLineIfDue(twoCores(at(9, 0, 5)), columns, o);
        EXPECT_EQ(log.writeOut(columns, o), c.outcome != Outcome::Refused);
        EXPECT_EQ(slurp(target), "root's\n");

        if (c.outcome == Outcome::Refused) {
            ASSERT_TRUE(log.lastError());
            EXPECT_EQ(log.lastError()->path, file.string());
            EXPECT_EQ(fs::exists(file) ? slurp(file) : "", before) << "nothing created or changed";
            EXPECT_FALSE(log.buffer().empty());
            continue;
        }
        struct stat info {};
        ASSERT_EQ(lstat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 65534u);
        const std::string text = slurp(file);
        if (c.outcome == Outcome::Created) {
            EXPECT_EQ(info.st_mode & 07777, 0644u);
            EXPECT_EQ(text.rfind("  DATE", 0), 0u) << text;
            // The user's next run, without root, appends to the same log.
            fs::permissions(m_dir, fs::perms::others_exec, fs::perm_options::add);
            const pid_t child = fork();
            if (child == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(3);
                MonitorLog later;
                later.addLineIfDue(twoCores(at(9, 0, 10)), columns, o);
                _exit(later.writeOut(columns, o) ? 0 : 1);
            }
            int status = -1;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the user's own run could not append";
            EXPECT_NE(slurp(file).find("09:00:10"), std::string::npos) << slurp(file);
        } else {
            EXPECT_EQ(text.rfind("mine\n12/08/26  09:00:05", 0), 0u) << text;
        }
    }
    umask(oldMask);
}

TEST_F(LogDir, GenuineRootKeepsToItsOwnFilesInASharedFolder)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    struct Case {
        const char* name;
        fs::perms folderMode;
        bool link;
        bool written;
    };
    const Case cases[] = {
        {"a user's file in root's folder", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                               fs::perms::others_read | fs::perms::others_exec, false, true},
        {"a user's file in a shared folder", fs::perms::all | fs::perms::sticky_bit, false, false},
        {"a link in root's folder", fs::perms::owner_all, true, false},
    };
    platform::UserFileAccess root;
    root.effectiveUid = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = m_dir / "folder";
        fs::remove_all(folder);
        fs::create_directory(folder);
        fs::permissions(folder, c.folderMode);
        const fs::path file = folder / "OstrelLog.txt";
        std::ofstream(m_dir / "other") << "other\n";
        if (c.link) {
            fs::create_symlink(m_dir / "other", file);
        } else {
            std::ofstream(file) << "user's\n";
            ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        }
        LogOptions o = options(LogFormat::Text);
        o.fileName = (folder / "OstrelLog").string();
        const LogColumns columns{{0}, false};
        MonitorLog log;
        log.setFileAccess(root);
        log.addLineIfDue(twoCores(at(9, 0, 5)), columns, o);
        EXPECT_EQ(log.writeOut(columns, o), c.written);
        EXPECT_EQ(slurp(m_dir / "other"), "other\n");
        EXPECT_EQ(slurp(file).size() > std::string("user's\n").size(), c.written) << slurp(file);
    }
}

TEST_F(LogDir, AShortWriteLeavesWholeLinesAndLosesNone)
{
    LogOptions o = options(LogFormat::Text);
    o.hdWrite = 10;
    const LogColumns columns{{0, 1}, false};
    const fs::path file = MonitorLog::pathFor(o);
    std::ofstream(file) << "earlier\n";

    // The disk fills after a part of the first line.
    bool diskFull = true;
    int calls = 0;
    platform::UserFileAccess access = platform::UserFileAccess::current();
    access.write = [&](int fd, const void* data, size_t size) -> ssize_t {
        if (!diskFull)
            return ::write(fd, data, size);
        if (calls++ == 0)
            return ::write(fd, data, std::min<size_t>(size, 13));
        errno = ENOSPC;
        return -1;
    };
    MonitorLog log;
    log.setFileAccess(access);
    for (int s = 0; s <= 10; s += 5)
        log.addLineIfDue(twoCores(at(19, 10, s)), columns, o);
    EXPECT_EQ(slurp(file), "earlier\n") << "no torn line";
    EXPECT_EQ(std::count(log.buffer().begin(), log.buffer().end(), '\n'), 3);
    ASSERT_TRUE(log.takeNewError());
    EXPECT_EQ(log.lastError()->path, file.string());
    EXPECT_EQ(log.unwrittenReport("Ostrel"),
              "Ostrel: 3 log lines could not be written to " + file.string() + " (No space left on device)");

    log.addLineIfDue(twoCores(at(19, 10, 20)), columns, o);
    EXPECT_FALSE(log.takeNewError()) << "the same failure is told once";

    diskFull = false;
    log.addLineIfDue(twoCores(at(19, 10, 30)), columns, o);
    EXPECT_TRUE(log.buffer().empty());
    EXPECT_FALSE(log.lastError());
    EXPECT_EQ(log.unwrittenReport("Ostrel"), "");
    std::string expected = "earlier\n";
    for (int s : {0, 5, 10, 20, 30})
        expected += MonitorLog::formatLine(twoCores(at(19, 10, s)), columns);
    EXPECT_EQ(slurp(file), expected);
}
