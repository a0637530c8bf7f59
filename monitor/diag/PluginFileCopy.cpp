#include "monitor/diag/PluginFileCopy.h"

#include "platform/OpenAsUser.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace monitor {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string errorText(int error) { return std::strerror(error); }

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads a plug-in file beside the program. Only a regular file that root or
// the user it runs for owns is read, never through a symbolic link, and for
// an invoking user only one that user may read: the copy becomes theirs.
std::optional<std::string> readSource(const std::string& source, const std::optional<platform::InvokingUser>& owner,
                                      std::string& bytes)
{
    const platform::OpenedFile opened = platform::openForReadingAs(source, owner);
    const Descriptor in(opened.fd);
    if (in.get() < 0) {
        if (opened.error == ELOOP)
            return source + ": it is a symbolic link, which is never followed; put the file itself there";
        if (owner && (opened.error == EACCES || opened.error == EPERM))
            return source + ": " + errorText(opened.error) + " for user " + std::to_string(owner->uid)
                   + ", for whom this program runs as root";
        return source + ": " + errorText(opened.error);
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return source + ": " + errorText(errno);
    if (!S_ISREG(info.st_mode))
        return source + ": not a regular file";
    if (info.st_uid != 0 && info.st_uid != ::geteuid() && !(owner && info.st_uid == owner->uid))
        return source + ": it belongs to user " + std::to_string(info.st_uid)
               + ", who may have put anything there; give it to root or to the user running the program";
    if (static_cast<size_t>(info.st_size) > MaxPluginFileSize)
        return source + ": larger than a plug-in file can be";
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(in.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return source + ": " + (got < 0 ? errorText(errno) : std::string("shorter than it was"));
        done += static_cast<size_t>(got);
    }
    return std::nullopt;
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

std::string temporaryNameFor(const std::string& name)
{
    unsigned char random[6] {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        std::memset(random, 0, sizeof random);
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string temporary = "." + name + ".";
    for (unsigned char r : random)
        temporary += letters[r % (sizeof letters - 1)];
    return temporary;
}

} // namespace

std::optional<std::string> copyPluginFile(const std::string& source, const std::string& target,
                                          const std::optional<platform::InvokingUser>& owner)
{
    std::string bytes;
    if (std::optional<std::string> problem = readSource(source, owner, bytes))
        return problem;

    const std::string folderPath = folderOf(target);
    const Descriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        return folderPath + ": " + errorText(errno);
    if (owner) {
        struct stat folderInfo {};
        if (::fstat(folder.get(), &folderInfo) != 0 || !platform::userMayWriteFolder(folderInfo, *owner))
            return folderPath + ": user " + std::to_string(owner->uid)
                   + ", for whom this program runs as root, may not write in this folder";
    }

    const std::string name = nameOf(target);
    std::string temporary;
    Descriptor out;
    for (int attempt = 0; attempt < 100 && out.get() < 0; ++attempt) {
        temporary = temporaryNameFor(name);
        out.reset(::openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           0600));
        if (out.get() < 0 && errno != EEXIST)
            break;
    }
    if (out.get() < 0)
        return folderPath + ": " + errorText(errno);

    int error = 0;
    const auto step = [&error](auto&& action) {
        if (error == 0 && !action())
            error = errno != 0 ? errno : EIO;
    };
    if (owner)
        step([&] { return ::fchown(out.get(), owner->uid, owner->gid) == 0; });
    step([&] { return ::fchmod(out.get(), 0644) == 0; });
    step([&] { return writeAll(out.get(), bytes); });
    step([&] { return ::fsync(out.get()) == 0; });
    step([&] { return ::close(out.release()) == 0; });
    step([&] { return ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) == 0; });
    if (error != 0) {
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return target + ": " + errorText(error);
    }
    return std::nullopt;
}

} // namespace monitor
