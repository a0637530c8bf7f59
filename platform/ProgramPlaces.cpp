#include "platform/ProgramPlaces.h"

#include "platform/ProgramPath.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace platform {
namespace {

// Folders of installed programs: even root, who may write them, does not
// keep settings there.
bool systemFolder(const std::string& folder)
{
    for (const char* prefix : {"/usr/", "/bin", "/sbin", "/lib", "/opt/"}) {
        const std::string p = prefix;
        if (folder.compare(0, p.size(), p) == 0 || folder + "/" == p)
            return true;
    }
    return false;
}

std::string absoluteOrEmpty(const std::optional<std::string>& value)
{
    return value && !value->empty() && (*value)[0] == '/' ? *value : std::string();
}

constexpr int LevelFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

std::string errnoText(int error) { return std::strerror(error); }

class FolderDescriptor {
public:
    explicit FolderDescriptor(int fd) : m_fd(fd) {}
    FolderDescriptor(const FolderDescriptor&) = delete;
    FolderDescriptor& operator=(const FolderDescriptor&) = delete;
    FolderDescriptor& operator=(FolderDescriptor&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~FolderDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

struct LevelOutcome {
    int fd = -1;
    int error = 0;   // errno when fd < 0
    std::string why; // a refusal, when it is not just errno
};

// Opens the folder `name` inside `parent`. For a user whom root works for, a
// symbolic link is followed only where that user cannot have made it: root
// owns it and the user may not write the folder that holds it (a system
// link such as /home to another disk). Anything else runs with this
// process's own rights, links included.
LevelOutcome openLevel(int parent, const std::string& name, const std::optional<InvokingUser>& user)
{
    LevelOutcome outcome;
    outcome.fd = ::openat(parent, name.c_str(), LevelFlags | O_NOFOLLOW);
    if (outcome.fd >= 0)
        return outcome;
    outcome.error = errno;
    struct stat entry {};
    if ((outcome.error != ENOTDIR && outcome.error != ELOOP)
        || ::fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(entry.st_mode))
        return outcome;
    if (user) {
        struct stat holder {};
        if (entry.st_uid != 0 || ::fstat(parent, &holder) != 0 || userMayWriteFolder(holder, *user)) {
            outcome.error = ELOOP;
            outcome.why = "is a symbolic link that user " + std::to_string(user->uid)
                + " may have made, and root never follows one for that user; put a real folder in its place";
            return outcome;
        }
    }
    outcome.fd = ::openat(parent, name.c_str(), LevelFlags);
    outcome.error = outcome.fd < 0 ? errno : 0;
    return outcome;
}

// Whether the folder holds nothing.
bool isEmptyFolder(int folder)
{
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return false;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

// Gives the folder this process has just made to the user, through its
// descriptor. Should another folder have been put in its place before it was
// opened, it is given away only when that can hand over nothing: an empty
// folder of root's (the user could have removed it anyway) or one the user
// already owns.
std::optional<std::string> handOver(int folder, const InvokingUser& user)
{
    struct stat info {};
    if (::fstat(folder, &info) != 0)
        return "cannot be examined (" + errnoText(errno) + ")";
    if (info.st_uid == user.uid)
        return std::nullopt;
    if (info.st_uid != ::geteuid() || !isEmptyFolder(folder))
        return "was replaced by another folder while it was made; remove it and start the program again";
    if (::fchown(folder, user.uid, user.gid) != 0)
        return "cannot be given to user " + std::to_string(user.uid) + " (" + errnoText(errno) + ")";
    return std::nullopt;
}

} // namespace

PlaceFacts currentPlaceFacts()
{
    PlaceFacts facts;
    facts.environment = processEnvironment();
    facts.invokingUser = invokingUser();
    facts.effectiveUid = geteuid();
    const std::optional<InvokingUser> user = facts.invokingUser;
    facts.userMayWrite = [user](const std::string& folder) {
        return user ? userMayWriteFolder(folder, *user) : ::access(folder.c_str(), W_OK) == 0;
    };
    facts.homeOf = [](uid_t uid) -> std::string {
        struct passwd entry {};
        struct passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
            return {};
        return found->pw_dir ? found->pw_dir : "";
    };
    return facts;
}

ProgramPlaces placesFor(const std::string& programPath, const PlaceFacts& facts)
{
    ProgramPlaces places;
    places.settingsFile = settingsPathFor(programPath);
    const size_t slash = programPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : programPath.substr(0, slash);
    if (!systemFolder(folder) && facts.userMayWrite && facts.userMayWrite(folder))
        return places;

    places.installed = true;
    // Through sudo or pkexec the environment may be root's: the invoking
    // user's own folders come from the password database.
    std::string home;
    std::string config;
    std::string state;
    if (facts.invokingUser) {
        home = facts.homeOf ? facts.homeOf(facts.invokingUser->uid) : std::string();
    } else {
        home = absoluteOrEmpty(facts.environment("HOME"));
        if (home.empty() && facts.homeOf)
            home = facts.homeOf(facts.effectiveUid);
        config = absoluteOrEmpty(facts.environment("XDG_CONFIG_HOME"));
        state = absoluteOrEmpty(facts.environment("XDG_STATE_HOME"));
    }
    if (home.empty())
        home = "/tmp";
    if (config.empty())
        config = home + "/.config";
    if (state.empty())
        state = home + "/.local/state";
    const std::string settingsName = places.settingsFile.substr(places.settingsFile.rfind('/') + 1);
    places.settingsFile = config + "/ostrel/" + settingsName;
    places.logFolder = state + "/ostrel";
    return places;
}

ProgramPlaces placesFor(const std::string& programPath)
{
    return placesFor(programPath, currentPlaceFacts());
}

ProgramPlaces prepareProgramPlaces(const std::string& programPath)
{
    const PlaceFacts facts = currentPlaceFacts();
    ProgramPlaces places = placesFor(programPath, facts);
    if (places.installed) {
        for (const std::string& folder :
             {places.settingsFile.substr(0, places.settingsFile.rfind('/')), places.logFolder}) {
            if (const std::optional<std::string> problem = makeUserFolder(folder, facts.invokingUser))
                std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, problem->c_str());
        }
    }
    return places;
}

std::optional<std::string> makeUserFolder(const std::string& folder, const std::optional<InvokingUser>& user)
{
    if (folder.empty())
        return std::string("no folder given");
    const auto fail = [&folder](const std::string& level, const std::string& why) -> std::optional<std::string> {
        return "the folder " + folder + " cannot be made: " + level + " " + why;
    };
    FolderDescriptor parent(::open(folder[0] == '/' ? "/" : ".", LevelFlags));
    if (parent.get() < 0)
        return fail(folder[0] == '/' ? "/" : ".", "cannot be opened (" + errnoText(errno) + ")");
    std::string walked = folder[0] == '/' ? "" : ".";
    size_t at = 0;
    while (at < folder.size()) {
        const size_t slash = folder.find('/', at);
        const size_t end = slash == std::string::npos ? folder.size() : slash;
        const std::string name = folder.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".")
            continue;
        walked += "/" + name;

        LevelOutcome level = openLevel(parent.get(), name, user);
        bool created = false;
        if (level.fd < 0 && level.error == ENOENT) {
            if (::mkdirat(parent.get(), name.c_str(), 0700) == 0)
                created = true;
            else if (errno != EEXIST)
                return fail(walked, "cannot be created (" + errnoText(errno) + ")");
            // Opened again by name: whatever is there now is judged as any
            // level is, so a link the user swapped in is not followed.
            level = openLevel(parent.get(), name, user);
        }
        if (level.fd < 0)
            return fail(walked, level.why.empty() ? "cannot be opened (" + errnoText(level.error) + ")" : level.why);
        FolderDescriptor opened(level.fd);
        if (created && user) {
            if (std::optional<std::string> why = handOver(opened.get(), *user))
                return fail(walked, *why);
        }
        parent = std::move(opened);
    }
    return std::nullopt;
}

} // namespace platform
