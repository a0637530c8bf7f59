// The Debian package as scripts/package makes it (CPack on this build),
// unpacked with dpkg-deb: every file an installed copy needs, where the
// programs, pkexec, polkit and the desktop look for it.

#include "platform/HelperProcessor.h"
#include "platform/ProgramPath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
};

// Runs a shell command line; its exit status and what it printed (both streams).
Outcome run(const std::string& command)
{
    Outcome outcome;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return outcome;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outcome.output.append(buffer, got);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of `key` in a desktop entry; empty when it has none.
std::string desktopValue(const std::string& entry, const std::string& key)
{
    std::istringstream lines(entry);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

TEST(DebianPackage, HoldsEveryFileWhereTheProgramsAndTheDesktopLookForIt)
{
    if (run("command -v dpkg-deb").status != 0)
        GTEST_SKIP() << "dpkg-deb is not installed";

    std::string pattern = (fs::temp_directory_path() / "ostrel-package-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path work = pattern;
    const fs::path root = work / "root";

    const Outcome made = run(std::string(OSTREL_CPACK) + " -G DEB --config " + quoted(OSTREL_CPACK_CONFIG) +
                             " -B " + quoted(work / "out"));
    ASSERT_EQ(made.status, 0) << made.output;
    fs::path deb;
    for (const fs::directory_entry& entry : fs::directory_iterator(work / "out"))
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    ASSERT_FALSE(deb.empty()) << made.output;
    EXPECT_EQ(deb.filename().string().rfind("ostrel_", 0), 0u) << deb;
    const Outcome unpacked = run("dpkg-deb -x " + quoted(deb) + " " + quoted(root));
    ASSERT_EQ(unpacked.status, 0) << unpacked.output;

    const std::string helper = platform::HelperProcessor::InstalledHelper;
    struct Expected {
        std::string path;
        bool executable;
    };
    const Expected files[] = {
        {"/usr/bin/Ostrel", true},
        {"/usr/bin/OstrelHX", true},
        {"/usr/bin/OstrelXL", true},
        {"/usr/bin/Sparvel", true},
        {"/usr/bin/Morvath", true},
        {"/usr/bin/ostrel-exporter", true},
        {"/usr/lib/systemd/system/ostrel-exporter.service", false},
        {"/usr/share/ostrel/grafana/ostrel-exporter.json", false},
        {"/usr/share/man/man1/ostrel-exporter.1.gz", false},
        {helper, true},
        {"/usr/share/polkit-1/actions/org.ostrel.msr-helper.policy", false},
        {"/usr/lib/modules-load.d/ostrel.conf", false},
        {"/usr/share/ostrel/OLWarning.wav", false},
        {"/usr/share/man/man1/Ostrel.1.gz", false},
        {"/usr/share/man/man1/OstrelHX.1.gz", false},
        {"/usr/share/man/man1/OstrelXL.1.gz", false},
        {"/usr/share/man/man1/Sparvel.1.gz", false},
        {"/usr/share/man/man1/Morvath.1.gz", false},
        {"/usr/share/doc/ostrel/copyright", false},
        {"/usr/share/doc/ostrel/changelog.gz", false},
        {"/usr/share/doc/ostrel/README.md", false}, // the About box's home page
    };
    for (const Expected& file : files) {
        SCOPED_TRACE(file.path);
        struct stat info {};
        ASSERT_EQ(::stat((root.string() + file.path).c_str(), &info), 0) << "missing";
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0111, file.executable ? 0111u : 0u);
    }

    // Owners and modes as dpkg will install them: all root's, the helper a
    // plain 0755 program (pkexec gives it its rights, never a set-user-id bit).
    const Outcome listing = run("dpkg-deb -c " + quoted(deb));
    ASSERT_EQ(listing.status, 0) << listing.output;
    std::istringstream lines(listing.output);
    std::string line;
    int helperLines = 0;
    while (std::getline(lines, line)) {
        EXPECT_NE(line.find(" root/root "), std::string::npos) << line;
        EXPECT_EQ(line.substr(0, 10).find_first_of("sStT"), std::string::npos) << line;
        if (line.ends_with(" ." + helper)) {
            ++helperLines;
            EXPECT_EQ(line.rfind("-rwxr-xr-x root/root ", 0), 0u) << line;
        }
    }
    EXPECT_EQ(helperLines, 1);

    // One polkit action, kept for the active session, for exactly the helper
    // the backend starts.
    const std::string policy = contents(root / "usr/share/polkit-1/actions/org.ostrel.msr-helper.policy");
    size_t actions = 0;
    for (size_t at = policy.find("<action "); at != std::string::npos; at = policy.find("<action ", at + 1))
        ++actions;
    EXPECT_EQ(actions, 1u);
    EXPECT_NE(policy.find("<allow_active>auth_admin_keep</allow_active>"), std::string::npos);
    EXPECT_NE(policy.find("<annotate key=\"org.freedesktop.policykit.exec.path\">" + helper + "</annotate>"),
              std::string::npos);

    const std::string modules = contents(root / "usr/lib/modules-load.d/ostrel.conf");
    EXPECT_NE(("\n" + modules).find("\nmsr\n"), std::string::npos) << modules;

    EXPECT_EQ(contents(root / "usr/share/ostrel/OLWarning.wav").substr(0, 4), "RIFF");
    // The installed monitor finds it there.
    EXPECT_EQ(platform::programDataFile("OLWarning.wav", (root / "usr/bin/Ostrel").string()),
              (root / "usr/share/ostrel/OLWarning.wav").string());

    // A menu entry per program, naming an installed program and an installed icon.
    std::set<std::string> launched;
    for (const fs::directory_entry& entry : fs::directory_iterator(root / "usr/share/applications")) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string desktop = contents(entry.path());
        const std::string exec = desktopValue(desktop, "Exec");
        const std::string program = exec.substr(0, exec.find(' '));
        ASSERT_FALSE(program.empty());
        const fs::path installed = program[0] == '/' ? root / program.substr(1) : root / "usr/bin" / program;
        EXPECT_EQ(::access(installed.c_str(), X_OK), 0) << installed;
        const std::string icon = desktopValue(desktop, "Icon");
        EXPECT_TRUE(fs::is_regular_file(root / "usr/share/icons/hicolor/scalable/apps" / (icon + ".svg"))) << icon;
        launched.insert(program);
    }
    EXPECT_EQ(launched, (std::set<std::string>{"Ostrel", "OstrelHX", "OstrelXL", "Sparvel", "Morvath"}));
    if (run("command -v desktop-file-validate").status == 0) {
        const Outcome valid = run("desktop-file-validate " + quoted(root / "usr/share/applications") + "/*.desktop");
        EXPECT_EQ(valid.status, 0) << valid.output;
    }

    const Outcome depends = run("dpkg-deb -f " + quoted(deb) + " Depends");
    EXPECT_NE(depends.output.find("pkexec"), std::string::npos) << depends.output;
    EXPECT_NE(depends.output.find("libqt6widgets6"), std::string::npos) << depends.output;

    fs::remove_all(work);
}

} // namespace
