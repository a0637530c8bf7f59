#pragma once
// A file in the user's places (a log), opened for appending.
//
// The file is never reached through a final symbolic link and is written only
// when it is a regular file. While root with an invoking user, the file must
// lie in a folder that user may write and belong to that user or to root; a
// file created here is handed to that user with mode 0644. A genuine root
// session writes its own files as any user would, but in a folder that others
// can write it refuses a file someone else owns or that has other hard links.
//
// Appending is all-or-nothing: a write that fails part-way cuts the file
// back to its old length, so a reader never finds half a batch.

#include "platform/InvokingUser.h"

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The write(2) a UserFile appends through.
using WriteFunction = std::function<ssize_t(int fd, const void* data, size_t size)>;

// On whose behalf files are written, and how. Tests pose as sudo by setting
// invokingUser and make writes fail through `write`.
struct UserFileAccess {
    uid_t effectiveUid = 0;
    std::optional<InvokingUser> invokingUser; // only meaningful when effectiveUid is 0
    WriteFunction write;                      // ::write when empty

    // This process: geteuid() and the sudo or pkexec user of the environment.
    static UserFileAccess current();
};

// Why a file could not be opened or written.
struct UserFileError {
    std::string path;
    std::string reason; // what is wrong ("Permission denied", "the file is a symbolic link")
    std::string remedy; // what to do about it; may be empty

    // "<path>: <reason>; <remedy>"
    std::string describe() const;
    bool operator==(const UserFileError&) const = default;
};

class UserFile {
public:
    // Opens `path` for appending, creating it when missing. The result holds
    // either an open file or the error.
    static UserFile openForAppend(const std::string& path, const UserFileAccess& access);

    UserFile(UserFile&& other) noexcept;
    UserFile& operator=(UserFile&& other) noexcept;
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;
    ~UserFile();

    bool isOpen() const { return m_fd >= 0; }
    // Why the file is not open; meaningful only when !isOpen().
    const UserFileError& error() const { return m_error; }
    // The file's length when it was opened.
    off_t sizeAtOpen() const { return m_sizeAtOpen; }

    // Appends the whole of `data`, or nothing: on a failed or short write the
    // file is cut back to the length it had before. nullopt on success.
    std::optional<UserFileError> appendWhole(std::string_view data);

private:
    UserFile(std::string path, WriteFunction write);
    void close();

    std::string m_path;
    WriteFunction m_write;
    int m_fd = -1;
    off_t m_sizeAtOpen = 0;
    UserFileError m_error;
};

} // namespace platform
