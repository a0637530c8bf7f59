#pragma once
// Opening a file for reading with the rights of the user root works for.
//
// Root may open any file. A file that root reads on a desktop user's behalf
// and then hands to that user (a copy in the user's own folders) must be one
// that user could have opened: it is opened by a short-lived child process
// that first takes the user's groups, group and user id, and the descriptor
// is passed back to this process. Path lookup, permissions and access control
// lists are then the kernel's, exactly as for the user. The file is never
// reached through a final symbolic link, and a FIFO or device opens without
// blocking (the caller judges what it got from the descriptor).

#include "platform/InvokingUser.h"

#include <optional>
#include <string>

namespace platform {

struct OpenedFile {
    int fd = -1;   // owned by the caller; -1 when the file was not opened
    int error = 0; // errno of the failed step when fd is -1 (ELOOP: a symbolic link)
};

// Opens `path` read-only (O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC): as `user`
// when one is given, otherwise with this process's own rights.
OpenedFile openForReadingAs(const std::string& path, const std::optional<InvokingUser>& user);

} // namespace platform
