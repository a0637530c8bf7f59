#include "platform/ProgramPlaces.h"

#include "platform/ProgramPath.h"

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
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
        makeUserFolder(places.settingsFile.substr(0, places.settingsFile.rfind('/')), facts.invokingUser);
        makeUserFolder(places.logFolder, facts.invokingUser);
    }
    return places;
}

bool makeUserFolder(const std::string& folder, const std::optional<InvokingUser>& user)
{
    if (folder.empty())
        return false;
    size_t at = 1;
    for (;;) {
        const size_t next = folder.find('/', at);
        const std::string part = folder.substr(0, next);
        if (::mkdir(part.c_str(), 0700) == 0) {
            if (user && ::chown(part.c_str(), user->uid, user->gid) != 0)
                return false;
        } else if (errno != EEXIST) {
            return false;
        }
        if (next == std::string::npos)
            break;
        at = next + 1;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace platform
