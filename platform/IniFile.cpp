#include "platform/IniFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>
#include <set>

namespace platform {

namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr time_t kStaleTemporaryAge = 60; // seconds
constexpr std::string_view kTemporaryLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kTemporarySuffix = 6;

// What is at the settings path.
enum class Found { Missing, Regular, Refused };

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

std::string errorText(int error)
{
    return std::strerror(error);
}

const char* kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISLNK(mode))
        return "a symbolic link";
    return "not a regular file";
}

// Each problem is told once: the settings file is loaded several times at
// start-up and saved at exit, and the same refusal would repeat each time.
void report(const std::string& line)
{
    static std::mutex guard;
    static std::set<std::string> told;
    std::lock_guard<std::mutex> lock(guard);
    if (told.insert(line).second)
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, line.c_str());
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    ~Descriptor() { reset(); }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool readAll(int fd, std::string& bytes, size_t limit)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > limit)
            return true; // the caller refuses it
    }
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

std::string temporaryName(const std::string& name)
{
    unsigned char random[kTemporarySuffix];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        std::random_device device;
        for (unsigned char& byte : random)
            byte = static_cast<unsigned char>(device());
    }
    std::string result = "." + name + ".";
    for (const unsigned char byte : random)
        result += kTemporaryLetters[byte % kTemporaryLetters.size()];
    return result;
}

bool isTemporaryOf(std::string_view entry, const std::string& name)
{
    const size_t prefix = name.size() + 2;
    if (entry.size() != prefix + kTemporarySuffix || entry[0] != '.'
        || entry.substr(1, name.size()) != name || entry[prefix - 1] != '.')
        return false;
    return entry.substr(prefix).find_first_not_of(kTemporaryLetters) == std::string_view::npos;
}

// Removes the temporary files of `name` that a killed save left: regular
// files of the temporary pattern last changed over a minute ago. A save in
// progress keeps its file fresh, so it is never taken.
void removeStaleTemporaries(int folder, const std::string& name)
{
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, name))
            continue;
        struct stat info {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(info.st_mode) && now - info.st_mtime > kStaleTemporaryAge)
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}

void syncFolder(int folder)
{
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename is already done
        ::close(fd);
    }
}

// Why root does not read a settings file that someone else controls: what
// it holds (an alarm program to start, a log path) would be acted on with
// root's rights. The file must belong to root or to the user root runs for,
// have no other name, and be writable by nobody else. nullopt: trusted.
std::optional<std::string> distrustedByRoot(const struct stat& file, const std::optional<InvokingUser>& user)
{
    if (file.st_uid != 0 && !(user && file.st_uid == user->uid)) {
        const std::string owners = user ? "user " + std::to_string(user->uid) + ", for whom this program runs as root,"
                                        : std::string("root, as whom this program runs,");
        return "it belongs to user " + std::to_string(file.st_uid) + ", not to " + owners
            + " and its content would be acted on with root's rights; give the file to "
            + (user ? "that user" : "root") + " (chown) or remove it";
    }
    if (file.st_nlink > 1)
        return "it has other hard links, so it is also another file; replace it with a copy "
               "of its own (cp, then mv over it) or remove it";
    if (othersMayWrite(file))
        return "users other than its owner may change it; take their write access away "
               "(chmod go-w) or remove it";
    return std::nullopt;
}

} // namespace

struct IniFile::Target {
    Descriptor folder;
    std::string folderProblem; // why the folder could not be opened
    Found found = Found::Missing;
    struct stat info {};   // of the regular file
    std::string refusal;   // why the path is refused: "it is ..."
};

IniFile::IniFile(std::string path)
    : m_path(std::move(path))
{
}

void IniFile::setInvokingUser(std::optional<InvokingUser> user)
{
    m_userSource = UserSource::Given;
    m_givenUser = user;
}

std::optional<InvokingUser> IniFile::user() const
{
    return m_userSource == UserSource::Given ? m_givenUser : invokingUser();
}

bool IniFile::fail(std::string problem) const
{
    m_problem = std::move(problem);
    report(m_problem);
    return false;
}

std::shared_ptr<IniFile::Target> IniFile::inspect(const std::string& path, std::string* bytes,
                                                  const std::optional<InvokingUser>& user)
{
    auto target = std::make_shared<IniFile::Target>();
    const std::string folder = folderOf(path);
    // O_PATH: the folder is only searched, never listed through this descriptor.
    const int folderFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        const int error = errno;
        target->folderProblem = "its folder " + folder + " cannot be opened (" + errorText(error)
            + "); create the folder or choose another place for the program";
        if (error == ENOENT || error == ENOTDIR) {
            target->found = Found::Missing;
        } else {
            target->found = Found::Refused;
            target->refusal = "its folder " + folder + " cannot be searched (" + errorText(error)
                + "); check the folder's permissions";
        }
        return target;
    }
    target->folder = Descriptor(folderFd);

    const std::string name = nameOf(path);
    Descriptor file(::openat(folderFd, name.c_str(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        if (error == ENOENT) {
            target->found = Found::Missing;
        } else if (error == ELOOP) {
            target->found = Found::Refused;
            target->refusal = "it is a symbolic link, which is never followed; put the settings "
                              "file itself in its place";
        } else {
            target->found = Found::Refused;
            target->refusal = "it cannot be read (" + errorText(error)
                + "); give this user read access to it";
        }
        return target;
    }

    if (::fstat(file.get(), &target->info) != 0) {
        target->found = Found::Refused;
        target->refusal = "it cannot be examined (" + errorText(errno) + ")";
        return target;
    }
    if (!S_ISREG(target->info.st_mode)) {
        target->found = Found::Refused;
        target->refusal = std::string("it is ") + kindOf(target->info.st_mode)
            + ", not a regular file; remove it or put a settings file in its place";
        return target;
    }
    if (::geteuid() == 0) {
        if (std::optional<std::string> distrust = distrustedByRoot(target->info, user)) {
            target->found = Found::Refused;
            target->refusal = *distrust;
            return target;
        }
    }
    const auto tooLarge = [&](size_t size) {
        target->found = Found::Refused;
        target->refusal = "it is larger than 1 MiB (" + std::to_string(size)
            + " bytes), too large for a settings file; remove it or cut it down";
    };
    if (static_cast<unsigned long long>(target->info.st_size) > IniFile::kMaxSize) {
        tooLarge(static_cast<size_t>(target->info.st_size));
        return target;
    }
    target->found = Found::Regular;
    if (bytes != nullptr) {
        if (!readAll(file.get(), *bytes, IniFile::kMaxSize)) {
            target->found = Found::Refused;
            target->refusal = "it cannot be read (" + errorText(errno) + ")";
        } else if (bytes->size() > IniFile::kMaxSize) {
            tooLarge(bytes->size());
        }
    }
    return target;
}

std::optional<IniDocument> IniFile::load() const
{
    m_problem.clear();
    std::string bytes;
    m_target = inspect(m_path, &bytes, user());
    if (m_target->found == Found::Refused) {
        fail("settings file " + m_path + " skipped: " + m_target->refusal
             + ". Using the defaults.");
        return std::nullopt;
    }
    if (m_target->found == Found::Missing)
        return IniDocument();
    return IniDocument::parse(bytes);
}

std::string IniFile::refusal() const
{
    return m_target && m_target->found == Found::Refused ? m_target->refusal : std::string();
}

bool IniFile::save(const IniDocument& document) const
{
    m_problem.clear();
    if (!m_target)
        m_target = inspect(m_path, nullptr, user());
    Target& target = *m_target;
    const std::string notSaved = "settings file " + m_path + " not saved: ";
    if (target.found == Found::Refused)
        return fail(notSaved + target.refusal);
    if (target.folder.get() < 0)
        return fail(notSaved + target.folderProblem);
    const int folder = target.folder.get();
    const std::string name = nameOf(m_path);

    const std::optional<InvokingUser> owner = user();
    if (owner) {
        struct stat folderInfo {};
        if (::fstat(folder, &folderInfo) != 0 || !userMayWriteFolder(folderInfo, *owner))
            return fail(notSaved + "user " + std::to_string(owner->uid)
                        + ", for whom this program runs as root, may not write in the folder "
                        + folderOf(m_path) + "; let that user write there or run the program "
                          "from a folder of that user");
    }
    // A file root would not read (inspect refused it) has already failed above.

    const std::string bytes = document.serialize();
    if (bytes.size() > kMaxSize)
        return fail(notSaved + "it would grow to " + std::to_string(bytes.size())
                    + " bytes, over the 1 MiB a settings file may have, and could not be loaded "
                      "again; the old file is unchanged. Remove lines this program does not use "
                      "from it");

    removeStaleTemporaries(folder, name);

    std::string temporary;
    Descriptor fd;
    for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
        temporary = temporaryName(name);
        fd = Descriptor(::openat(folder, temporary.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.get() < 0 && errno != EEXIST)
            break;
    }
    if (fd.get() < 0)
        return fail(notSaved + "no temporary file can be created in " + folderOf(m_path) + " ("
                    + errorText(errno) + "); let this user write in that folder");

    // Each step runs only while all before it succeeded; `error` keeps the
    // first failure's errno.
    int error = 0;
    const auto step = [&error](auto&& action) {
        if (error != 0)
            return;
        if (!action())
            error = errno != 0 ? errno : EIO;
    };
    const int out = fd.get();
    if (target.found == Found::Regular) {
        // Keeps the owner when root saves a user's file; others cannot give a
        // file away, and for them the mode is what matters. The owner goes
        // first: a change of owner clears set-id bits.
        if (::fchown(out, target.info.st_uid, target.info.st_gid) != 0) {
        }
        step([&] { return ::fchmod(out, target.info.st_mode & 07777) == 0; });
    } else {
        if (owner)
            step([&] { return ::fchown(out, owner->uid, owner->gid) == 0; });
        step([&] { return ::fchmod(out, kNewFileMode) == 0; });
    }
    step([&] { return writeAll(out, bytes); });
    step([&] { return ::fsync(out) == 0; });
    struct stat written {};
    step([&] { return ::fstat(out, &written) == 0; });
    step([&] { return ::close(fd.release()) == 0; });
    step([&] { return ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0; });
    const bool ok = error == 0;
    if (!ok) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return fail(notSaved + "writing the new file failed (" + errorText(error)
                    + "); the old file is unchanged. Free some disk space or check the "
                      "folder's permissions");
    }
    syncFolder(folder);
    // A later save in this batch replaces what this one wrote.
    target.found = Found::Regular;
    target.info = written;
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
