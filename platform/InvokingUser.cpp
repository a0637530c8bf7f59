#include "platform/InvokingUser.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {
namespace {

std::optional<unsigned long> parseId(const std::optional<std::string>& text)
{
    if (!text || text->empty())
        return std::nullopt;
    unsigned long value = 0;
    const char* first = text->data();
    const char* last = first + text->size();
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value > 0x7FFFFFFFul)
        return std::nullopt;
    return value;
}

std::optional<gid_t> primaryGroup(uid_t uid)
{
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::nullopt;
    return found->pw_gid;
}

bool userInGroup(const InvokingUser& user, gid_t group)
{
    for (const gid_t member : groupsOf(user)) {
        if (member == group)
            return true;
    }
    return false;
}

// The owner's private group: the owner's primary group, of the owner's name,
// with no other member listed.
bool isPrivateGroupOf(gid_t gid, uid_t owner)
{
    struct passwd user {};
    struct passwd* foundUser = nullptr;
    std::vector<char> userBuffer(16384);
    if (getpwuid_r(owner, &user, userBuffer.data(), userBuffer.size(), &foundUser) != 0 || foundUser == nullptr
        || user.pw_gid != gid)
        return false;
    struct group entry {};
    struct group* found = nullptr;
    std::vector<char> buffer(16384);
    int error;
    while ((error = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE
           && buffer.size() < (1u << 24))
        buffer.resize(buffer.size() * 2);
    if (error != 0 || found == nullptr || std::strcmp(entry.gr_name, user.pw_name) != 0)
        return false;
    for (char** member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) {
        if (std::strcmp(*member, user.pw_name) != 0)
            return false;
    }
    return true;
}

} // namespace

EnvironmentLookup processEnvironment()
{
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
}

std::optional<InvokingUser> invokingUser(uid_t effectiveUid, const EnvironmentLookup& environment)
{
    if (effectiveUid != 0)
        return std::nullopt;
    std::optional<unsigned long> uid = parseId(environment("SUDO_UID"));
    std::optional<unsigned long> gid;
    if (uid)
        gid = parseId(environment("SUDO_GID"));
    else
        uid = parseId(environment("PKEXEC_UID"));
    if (!uid || *uid == 0)
        return std::nullopt;
    InvokingUser user;
    user.uid = static_cast<uid_t>(*uid);
    if (gid) {
        user.gid = static_cast<gid_t>(*gid);
    } else {
        std::optional<gid_t> primary = primaryGroup(user.uid);
        // A uid without a passwd entry keeps its own number as group.
        user.gid = primary ? *primary : static_cast<gid_t>(*uid);
    }
    return user;
}

std::optional<InvokingUser> invokingUser()
{
    return invokingUser(geteuid(), processEnvironment());
}

std::vector<gid_t> groupsOf(const InvokingUser& user)
{
    std::vector<gid_t> groups;
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(user.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        int count = 64;
        groups.resize(static_cast<size_t>(count));
        if (getgrouplist(found->pw_name, user.gid, groups.data(), &count) < 0) {
            groups.resize(static_cast<size_t>(count));
            if (getgrouplist(found->pw_name, user.gid, groups.data(), &count) < 0)
                count = 0;
        }
        groups.resize(static_cast<size_t>(count));
    }
    if (groups.empty())
        groups.push_back(user.gid);
    return groups;
}

bool userMayWriteFolder(const std::string& folder, const InvokingUser& user)
{
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0)
        return false;
    return userMayWriteFolder(info, user);
}

bool userMayWriteFolder(const struct stat& info, const InvokingUser& user)
{
    if (!S_ISDIR(info.st_mode))
        return false;
    mode_t needed;
    if (info.st_uid == user.uid)
        needed = S_IWUSR | S_IXUSR;
    else if (userInGroup(user, info.st_gid))
        needed = S_IWGRP | S_IXGRP;
    else
        needed = S_IWOTH | S_IXOTH;
    return (info.st_mode & needed) == needed;
}

bool othersMayWrite(const struct stat& file)
{
    if ((file.st_mode & S_IWOTH) != 0)
        return true;
    if ((file.st_mode & S_IWGRP) == 0 || file.st_gid == 0)
        return false;
    return !isPrivateGroupOf(file.st_gid, file.st_uid);
}

} // namespace platform
