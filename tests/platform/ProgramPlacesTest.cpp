// Where a program keeps its settings and logs: beside itself in a folder its
// user may write, in the user's XDG folders when installed, and for a root
// run through sudo in the invoking user's home, never root's.

#include "platform/ProgramPlaces.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <map>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::PlaceFacts;
using platform::ProgramPlaces;

PlaceFacts facts(std::map<std::string, std::string> environment, bool userMayWrite,
                 std::optional<platform::InvokingUser> user = std::nullopt)
{
    PlaceFacts f;
    f.environment = [environment](const char* name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        if (found == environment.end())
            return std::nullopt;
        return found->second;
    };
    f.invokingUser = user;
    f.effectiveUid = user ? 0 : 1000;
    f.userMayWrite = [userMayWrite](const std::string&) { return userMayWrite; };
    f.homeOf = [](uid_t uid) { return uid == 1000 ? std::string("/home/ann") : std::string("/root"); };
    return f;
}

TEST(ProgramPlaces, FollowTheFolderTheProgramIsIn)
{
    struct Case {
        const char* name;
        std::string program;
        PlaceFacts facts;
        ProgramPlaces expected;
    };
    const Case cases[] = {
        {"build tree", "/home/ann/src/build/app/Ostrel", facts({{"HOME", "/home/ann"}}, true),
         {"/home/ann/src/build/app/Ostrel.ini", "", false}},
        {"installed, XDG folders given", "/usr/bin/Ostrel",
         facts({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_STATE_HOME", "/st"}}, true),
         {"/cfg/ostrel/Ostrel.ini", "/st/ostrel", true}},
        {"installed, defaults", "/usr/bin/Sparvel", facts({{"HOME", "/home/ann"}}, false),
         {"/home/ann/.config/ostrel/Sparvel.ini", "/home/ann/.local/state/ostrel", true}},
        {"relative XDG folders are ignored", "/opt/ostrel/OstrelHX",
         facts({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}}, false),
         {"/home/ann/.config/ostrel/OstrelHX.ini", "/home/ann/.local/state/ostrel", true}},
        {"a folder the user may not write", "/srv/tools/Ostrel", facts({{"HOME", "/home/ann"}}, false),
         {"/home/ann/.config/ostrel/Ostrel.ini", "/home/ann/.local/state/ostrel", true}},
        {"sudo: the invoking user's home, not root's environment", "/usr/bin/Ostrel",
         facts({{"HOME", "/root"}, {"XDG_CONFIG_HOME", "/root/.config"}}, false, platform::InvokingUser{1000, 1000}),
         {"/home/ann/.config/ostrel/Ostrel.ini", "/home/ann/.local/state/ostrel", true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramPlaces places = platform::placesFor(c.program, c.facts);
        EXPECT_EQ(places.settingsFile, c.expected.settingsFile);
        EXPECT_EQ(places.logFolder, c.expected.logFolder);
        EXPECT_EQ(places.installed, c.expected.installed);
    }
}

namespace fs = std::filesystem;

constexpr platform::InvokingUser Nobody{65534, 65534};

struct Owner {
    uid_t uid;
    mode_t mode;
};

Owner ownerOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return {info.st_uid, info.st_mode & 07777};
}

// A scratch tree in which root poses as sudo for `Nobody`: root/ is root's,
// root/home the user's.
class UserFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to pose as another user";
        std::string pattern = (fs::temp_directory_path() / "ostrel-places-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        ASSERT_EQ(::chmod(m_root.c_str(), 0755), 0);
        m_home = m_root / "home";
        fs::create_directory(m_home);
        ASSERT_EQ(::chown(m_home.c_str(), Nobody.uid, Nobody.gid), 0);
    }
    void TearDown() override
    {
        if (!m_root.empty())
            fs::remove_all(m_root);
    }

    fs::path m_root;
    fs::path m_home;
};

TEST_F(UserFolderTest, EachNewLevelIsTheUsersAndLinksTheUserMayHaveMadeAreNotFollowed)
{
    // A folder only root may enter, and a link of root's in a folder of root's
    // (as /home may be a link to another disk).
    const fs::path rootOnly = m_root / "root-only";
    fs::create_directory(rootOnly);
    ASSERT_EQ(::chmod(rootOnly.c_str(), 0700), 0);
    fs::create_directory_symlink(m_home, m_root / "home-link");

    fs::create_directories(m_home / ".local");
    ASSERT_EQ(::chown((m_home / ".local").c_str(), Nobody.uid, Nobody.gid), 0);
    fs::create_directory_symlink(rootOnly, m_home / ".local" / "state");

    EXPECT_EQ(platform::makeUserFolder((m_root / "home-link" / ".config" / "ostrel").string(), Nobody),
              std::nullopt);
    for (const fs::path& level : {m_home / ".config", m_home / ".config" / "ostrel"}) {
        const Owner owner = ownerOf(level);
        EXPECT_EQ(owner.uid, Nobody.uid) << level;
        EXPECT_EQ(owner.mode, 0700u) << level;
    }

    const std::optional<std::string> refused =
        platform::makeUserFolder((m_home / ".local" / "state" / "ostrel").string(), Nobody);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find((m_home / ".local" / "state").string()), std::string::npos) << *refused;
    EXPECT_TRUE(fs::is_empty(rootOnly));
}

// While root makes the user's folder, a process of that user swaps the new
// folder for a link to root's file and back, as fast as it can. No swap may
// make root hand its file over. The making goes on for a few seconds, and
// on a busy machine until the swapper has had its chances.
TEST_F(UserFolderTest, ALinkSwappedInWhileTheFolderIsMadeGetsNothing)
{
    const fs::path vault = m_root / "vault";
    fs::create_directory(vault);
    const fs::path secret = vault / "secret";
    std::ofstream(secret) << "root's\n";
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    void* shared = ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto* swaps = new (shared) std::atomic<long>(0);

    const pid_t swapper = ::fork();
    ASSERT_GE(swapper, 0);
    if (swapper == 0) {
        const gid_t group = Nobody.gid;
        if (::setgroups(1, &group) != 0 || ::setresgid(group, group, group) != 0
            || ::setresuid(Nobody.uid, Nobody.uid, Nobody.uid) != 0)
            ::_exit(1);
        const int home = ::open(m_home.c_str(), O_RDONLY | O_DIRECTORY);
        for (;;) {
            ::symlinkat(secret.c_str(), home, "bait");
            if (::renameat2(home, "made", home, "bait", RENAME_EXCHANGE) == 0) {
                swaps->fetch_add(1);
                volatile int hold = 0; // a moment with the link in place
                for (int spin = 0; spin < 500; ++spin)
                    hold = hold + spin;
                ::renameat2(home, "made", home, "bait", RENAME_EXCHANGE);
            }
        }
    }

    const fs::path made = m_home / "made";
    const auto start = std::chrono::steady_clock::now();
    const auto running = [&start](int seconds) {
        return std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds);
    };
    struct stat info {};
    long attempts = 0;
    while ((running(3) || (swaps->load() < 2000 && running(20))) && ::stat(secret.c_str(), &info) == 0
           && info.st_uid == 0) {
        platform::makeUserFolder(made.string(), Nobody);
        ++attempts;
        // The swapper puts the folder back under its name; remove it there.
        for (int tries = 0; tries < 100000 && ::rmdir(made.c_str()) != 0 && errno != ENOENT; ++tries) {
        }
    }
    ::kill(swapper, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(swapper, &status, 0), swapper);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the swapper could not run as the user";
    RecordProperty("folders_made", static_cast<int>(attempts));
    RecordProperty("swaps", static_cast<int>(swaps->load()));
    ::munmap(shared, sizeof(std::atomic<long>));

    for (const fs::path& path : {vault, secret}) {
        const Owner owner = ownerOf(path);
        EXPECT_EQ(owner.uid, 0u) << path;
    }
    EXPECT_EQ(ownerOf(secret).mode, 0600u);
}

} // namespace
