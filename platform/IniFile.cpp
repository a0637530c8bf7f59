#include "platform/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr mode_t kNewFileMode = 0644;

// Where the bytes go: the path itself, or the final target of a symbolic link.
std::string resolvedTarget(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr)
            return resolved;
    }
    return path;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename is already done
        ::close(fd);
    }
}

} // namespace

IniFile::IniFile(std::string path)
    : m_path(std::move(path))
{
}

std::optional<IniDocument> IniFile::load() const
{
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return IniDocument();
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return IniDocument::parse(bytes);
}

bool IniFile::save(const IniDocument& document) const
{
    const std::string target = resolvedTarget(m_path);
    const std::string folder = folderOf(target);
    std::string temporary = folder + "/." + nameOf(target) + ".XXXXXX";

    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    struct stat original {};
    const bool exists = ::stat(target.c_str(), &original) == 0;
    bool ok = true;
    if (exists) {
        ok = ::fchmod(fd, original.st_mode & 07777) == 0;
        // Keeps the owner when root saves a user's file; others cannot give a
        // file away, and for them the mode is what matters.
        if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
        }
    } else {
        ok = ::fchmod(fd, kNewFileMode) == 0;
    }
    ok = ok && writeAll(fd, document.serialize()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

int IniFile::readInt(std::string_view section, std::string_view key, int defaultValue) const
{
    return load().value_or(IniDocument()).readInt(section, key, defaultValue);
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    return load().value_or(IniDocument()).readString(section, key, defaultValue);
}

bool IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    std::optional<IniDocument> document = load();
    if (!document || !document->writeString(section, key, value))
        return false;
    return save(*document);
}

bool IniFile::writeInt(std::string_view section, std::string_view key, int value)
{
    return writeString(section, key, std::to_string(value));
}

} // namespace platform
