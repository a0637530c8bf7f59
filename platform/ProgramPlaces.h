#pragma once
// Where a program keeps its settings file and, by default, its logs.
//
// A program in a folder its user may write (the build tree, a portable copy)
// keeps both beside itself: the settings file is the program's path +
// ".ini", the logs go into the current folder. An installed program (a
// folder the user may not write, or a system folder such as /usr/bin) keeps
// its settings in $XDG_CONFIG_HOME/ostrel/<program>.ini (default ~/.config)
// and its logs in $XDG_STATE_HOME/ostrel/ (default ~/.local/state). Run as
// root through sudo or pkexec, "the user" is the invoking user: that user's
// home, never root's.

#include "platform/InvokingUser.h"

#include <functional>
#include <optional>
#include <string>

namespace platform {

struct ProgramPlaces {
    std::string settingsFile;
    std::string logFolder; // empty: the current folder
    bool installed = false;
};

struct PlaceFacts {
    EnvironmentLookup environment;
    std::optional<InvokingUser> invokingUser;
    uid_t effectiveUid = 0;
    // Whether the desktop user may write the folder.
    std::function<bool(const std::string& folder)> userMayWrite;
    // The home folder of a user id (from the password database).
    std::function<std::string(uid_t uid)> homeOf;
};

// This process's facts.
PlaceFacts currentPlaceFacts();

ProgramPlaces placesFor(const std::string& programPath, const PlaceFacts& facts);
ProgramPlaces placesFor(const std::string& programPath);

// This program's places, with the folders of an installed program created
// (owned by the invoking user when there is one).
ProgramPlaces prepareProgramPlaces(const std::string& programPath);

// Creates `folder` and its missing parents (mode 0700), owned by the invoking
// user when there is one. The path is walked level by level through folder
// descriptors: each new level is made inside the one opened before and handed
// to the user through its own descriptor, never by name. For an invoking user
// a symbolic link on the way is followed only when root made it in a folder
// the user may not write. nullopt when the folder is there, otherwise why not.
std::optional<std::string> makeUserFolder(const std::string& folder, const std::optional<InvokingUser>& user);

} // namespace platform
