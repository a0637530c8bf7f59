#include "platform/UserFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr mode_t CreatedMode = 0644;

struct PathParts {
    std::string folder;
    std::string name;
};

PathParts splitPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Closes a descriptor when it goes out of scope unless released.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string errnoText(int error) { return std::strerror(error); }

// The folder as the open descriptor sees it, so that the rights checked are
// those of the folder the file is then opened in.
std::string folderOfDescriptor(int folderFd, const std::string& folder)
{
    const std::string viaProc = "/proc/self/fd/" + std::to_string(folderFd);
    return ::access(viaProc.c_str(), F_OK) == 0 ? viaProc : folder;
}

int openEntry(int folderFd, const std::string& name, bool& created)
{
    const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    created = false;
    // Open the existing file, or create it exclusively, so that it is known
    // which of the two happened. A file that appears or goes in between is
    // tried again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = ::openat(folderFd, name.c_str(), flags);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = ::openat(folderFd, name.c_str(), flags | O_CREAT | O_EXCL, CreatedMode);
        if (fd >= 0) {
            created = true;
            return fd;
        }
        if (errno != EEXIST)
            return fd;
    }
    errno = EBUSY;
    return -1;
}

} // namespace

UserFileAccess UserFileAccess::current()
{
    UserFileAccess access;
    access.effectiveUid = ::geteuid();
    access.invokingUser = platform::invokingUser();
    return access;
}

std::string UserFileError::describe() const
{
    std::string text = path + ": " + reason;
    if (!remedy.empty())
        text += "; " + remedy;
    return text;
}

UserFile::UserFile(std::string path, WriteFunction write) : m_path(std::move(path)), m_write(std::move(write))
{
    m_error.path = m_path;
}

UserFile::UserFile(UserFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_write(std::move(other.m_write)), m_fd(other.m_fd),
      m_sizeAtOpen(other.m_sizeAtOpen), m_error(std::move(other.m_error))
{
    other.m_fd = -1;
}

UserFile& UserFile::operator=(UserFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_path = std::move(other.m_path);
        m_write = std::move(other.m_write);
        m_fd = other.m_fd;
        m_sizeAtOpen = other.m_sizeAtOpen;
        m_error = std::move(other.m_error);
        other.m_fd = -1;
    }
    return *this;
}

UserFile::~UserFile() { close(); }

void UserFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

UserFile UserFile::openForAppend(const std::string& path, const UserFileAccess& access)
{
    UserFile file(path, access.write);
    auto fail = [&file](std::string reason, std::string remedy) {
        file.m_error.reason = std::move(reason);
        file.m_error.remedy = std::move(remedy);
        return std::move(file);
    };

    const PathParts parts = splitPath(path);
    if (parts.name.empty() || parts.name == "." || parts.name == "..")
        return fail("the path names a folder, not a file", "give a file name after the last '/'");

    FdGuard folder(::open(parts.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        return fail(errnoText(errno), "create the folder " + parts.folder + " or choose another path");
    struct stat folderInfo {};
    if (::fstat(folder.get(), &folderInfo) != 0)
        return fail(errnoText(errno), "");

    const bool root = access.effectiveUid == 0;
    const std::optional<InvokingUser> user = root ? access.invokingUser : std::nullopt;
    const bool sharedFolder = (folderInfo.st_mode & (S_IWGRP | S_IWOTH)) != 0;

    if (user && !userMayWriteFolder(folderOfDescriptor(folder.get(), parts.folder), *user)) {
        return fail("user " + std::to_string(user->uid) + " may not write the folder " + parts.folder,
                    "choose a path in a folder of your own");
    }

    bool created = false;
    FdGuard fd(openEntry(folder.get(), parts.name, created));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == ELOOP)
            return fail("the file is a symbolic link", "remove the link or give the real path");
        if (error == ENXIO)
            return fail("the file is not a regular file", "choose the path of a regular file");
        if (error == EACCES || error == EPERM)
            return fail(errnoText(error), "make the file and its folder writable or choose another path");
        return fail(errnoText(error), "");
    }
    auto failCreated = [&](std::string reason, std::string remedy) {
        if (created)
            ::unlinkat(folder.get(), parts.name.c_str(), 0);
        return fail(std::move(reason), std::move(remedy));
    };

    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return failCreated(errnoText(errno), "");
    if (!S_ISREG(info.st_mode))
        return failCreated("the file is not a regular file", "choose the path of a regular file");

    if (user) {
        if (created) {
            if (::fchown(fd.get(), user->uid, user->gid) != 0 || ::fchmod(fd.get(), CreatedMode) != 0)
                return failCreated("cannot hand the new file to user " + std::to_string(user->uid) + ": " +
                                       errnoText(errno),
                                   "");
        } else {
            if (info.st_uid != user->uid && info.st_uid != 0)
                return fail("the file belongs to user " + std::to_string(info.st_uid),
                            "remove it or choose another path");
            if (info.st_nlink > 1)
                return fail("the file has other hard links", "remove it or choose another path");
        }
    } else if (root && sharedFolder && !created) {
        // A folder that others can write may hold a file planted for root.
        if (info.st_uid != 0)
            return fail("the file belongs to user " + std::to_string(info.st_uid) + " in a folder others can write",
                        "remove it or choose another path");
        if (info.st_nlink > 1)
            return fail("the file has other hard links", "remove it or choose another path");
    }

    file.m_fd = fd.release();
    file.m_sizeAtOpen = info.st_size;
    return file;
}

std::optional<UserFileError> UserFile::appendWhole(std::string_view data)
{
    if (m_fd < 0)
        return m_error;
    UserFileError error;
    error.path = m_path;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        error.reason = errnoText(errno);
        return error;
    }
    const off_t before = info.st_size;

    int failure = 0;
    while (!data.empty()) {
        const ssize_t n = m_write ? m_write(m_fd, data.data(), data.size()) : ::write(m_fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that makes no progress is a full disk in all but name.
            failure = n < 0 ? errno : ENOSPC;
            break;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    if (failure == 0)
        return std::nullopt;

    error.reason = errnoText(failure);
    if (failure == ENOSPC || failure == EDQUOT)
        error.remedy = "free some space; the lines are kept for the next attempt";
    if (::ftruncate(m_fd, before) != 0)
        error.reason += " (and the file could not be cut back: " + errnoText(errno) + ")";
    return error;
}

} // namespace platform
