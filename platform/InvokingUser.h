#pragma once
// The desktop user a root process works for.
//
// Started through sudo or pkexec, the programs run as root but write into the
// invoking user's places (the settings file beside the program, logs, notes).
// Files there must end up owned by that user, must never be reached through a
// final symbolic link, and must stay inside what that user may write; started
// programs run as that user. invokingUser() names the user; the environment
// is read through an injectable lookup so tests can pose as sudo.

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct InvokingUser {
    uid_t uid = 0;
    gid_t gid = 0;
};

using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment (getenv).
EnvironmentLookup processEnvironment();

// The user on whose behalf this root process runs: SUDO_UID (with SUDO_GID,
// or the user's primary group) or PKEXEC_UID, when the effective user is root
// and the named uid is not 0. nullopt when not root, or in a genuine root
// session. Malformed values count as absent.
std::optional<InvokingUser> invokingUser(uid_t effectiveUid, const EnvironmentLookup& environment);
// The same for this process (geteuid() and the process environment).
std::optional<InvokingUser> invokingUser();

// The groups of the user: the group of `user` and every group the user
// belongs to (at least the group of `user`).
std::vector<gid_t> groupsOf(const InvokingUser& user);

// Whether `uid` may create or replace entries in `folder`, judged from the
// folder's owner, group and mode bits (root's rights are not assumed). false
// when the folder cannot be examined.
bool userMayWriteFolder(const std::string& folder, const InvokingUser& user);
// The same for a folder already examined (fstat of its descriptor).
bool userMayWriteFolder(const struct stat& folder, const InvokingUser& user);

// Whether anyone besides the file's owner and root may change the file: it is
// writable by everyone, or by a group that may hold other users. Root's group
// and the owner's private group (the owner's primary group, named as the
// owner and listing no other member) hold no one else.
bool othersMayWrite(const struct stat& file);

} // namespace platform
