#pragma once
// Copies one of the plug-in's files into another program's folder, replacing
// what is there. The copy is written as a temporary file in the target's
// folder and renamed over the target, so the target is never reached through
// a symbolic link and a failed copy leaves the old file as it was. Run as
// root for a desktop user, the copy goes only into a folder that user may
// write and belongs to that user.
//
// The source must be a regular file that belongs to root or to the user the
// program runs as (or for); a symbolic link is never followed. For a desktop
// user the source is opened with that user's rights (platform/OpenAsUser.h),
// so root never copies what the user could not read.

#include "platform/InvokingUser.h"

#include <optional>
#include <string>

namespace monitor {

// Plug-in files larger than this are refused.
constexpr size_t MaxPluginFileSize = 64u * 1024 * 1024;

// Copies `source` to `target`; the target's folder must exist. nullopt on
// success, otherwise what went wrong.
std::optional<std::string> copyPluginFile(const std::string& source, const std::string& target,
                                          const std::optional<platform::InvokingUser>& owner);

} // namespace monitor
