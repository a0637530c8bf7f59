// Fuzz target for saving the settings file. The input is a settings file on
// disk in a scratch folder; the file must keep its promises:
// - it loads as exactly its bytes;
// - after writes and a save, loading again gives exactly the saved document,
//   with the old file's mode, and nothing else is left in the folder: no
//   temporary file of this save, and no stale one of an earlier killed save;
// - a second save in the same batch replaces the first.
// The same entry point replays the seed corpus as an ordinary test.

#include "fuzz/FuzzScratch.h"
#include "platform/IniFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

using platform::IniDocument;
using platform::IniFile;

namespace {

void check(bool ok, const char* what)
{
    fuzz::check(ok, "ini_file_fuzzer", what);
}

void plantFile(const std::string& path, std::string_view bytes, mode_t mode)
{
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    check(fd >= 0, "the input can be put in the scratch folder");
    check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
          "the input can be written to the scratch folder");
    ::fchmod(fd, mode);
    ::close(fd);
}

int entryCount(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    check(dir != nullptr, "the scratch folder can be listed");
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        count += std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..";
    ::closedir(dir);
    return count;
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    check(::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode), "the saved file is a file");
    return info.st_mode & 07777;
}

// The name of the first section header in the bytes, or a fixed one.
std::string firstSection(std::string_view bytes)
{
    const size_t open = bytes.find('[');
    const size_t close = open == std::string_view::npos ? open : bytes.find(']', open);
    if (close == std::string_view::npos)
        return "Ostrel";
    return std::string(bytes.substr(open + 1, close - open - 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (size > IniFile::kMaxSize)
        return 0;
    const std::string& folder = fuzz::scratchFolder();
    const std::string path = folder + "/Ostrel.ini";

    uint32_t hash = 2166136261u;
    for (const char c : bytes)
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    static constexpr mode_t kModes[] = {0644, 0600, 0640, 0664};
    const mode_t mode = kModes[hash % 4];
    plantFile(path, bytes, mode);
    if (hash & 4) {
        // What a save killed long ago left behind.
        const std::string stale = folder + "/.Ostrel.ini.k1LLed";
        plantFile(stale, "[Ostrel]\nTjMax0=1", 0600);
        const timespec old[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
        ::utimensat(AT_FDCWD, stale.c_str(), old, 0);
    }

    IniFile file(path);
    file.setInvokingUser(std::nullopt);
    std::optional<IniDocument> document = file.load();
    check(document.has_value(), "a small regular file loads");
    check(document->serialize() == bytes, "the file loads as its bytes");

    std::string value(bytes.substr(bytes.size() > 16 ? bytes.size() - 16 : 0));
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = '_';
    document->writeString(firstSection(bytes), "Fuzz", value);
    document->writeInt("Ostrel", "TjMax0", static_cast<int>(hash));
    check(file.save(*document), "a regular file in a writable folder saves");

    std::optional<IniDocument> reread = IniFile(path).load();
    check(reread && reread->serialize() == document->serialize(), "the saved document loads back");
    check(reread->readInt("ostrel", "tjmax0", 0) == static_cast<int>(hash), "a written key reads back");
    check(modeOf(path) == mode, "the saved file keeps the old file's mode");
    check(entryCount(folder) == 1, "the folder holds the settings file and nothing else");

    check(document->writeInt("Fuzz", "Second", 2), "a plain key can be written");
    check(file.save(*document), "a second save of the batch succeeds");
    reread = IniFile(path).load();
    check(reread && reread->serialize() == document->serialize(), "the second save loads back");
    check(modeOf(path) == mode, "the second save keeps the mode");
    check(entryCount(folder) == 1, "the second save leaves nothing else in the folder");
    return 0;
}
