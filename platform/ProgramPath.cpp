#include "platform/ProgramPath.h"

#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    text.remove_prefix(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

} // namespace

std::string programPath(const std::string& selfLink)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(selfLink.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(n));
            constexpr std::string_view deleted = " (deleted)";
            if (path.size() > deleted.size() && path.ends_with(deleted))
                path.resize(path.size() - deleted.size());
            return path;
        }
        if (buffer.size() >= (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2); // the path may have been cut short
    }
}

std::string settingsPathFor(std::string_view programPath)
{
    if (programPath.empty())
        return {};
    const std::string_view name = programPath.substr(programPath.rfind('/') + 1);
    if (name.size() > 4 && endsWithNoCase(name, ".exe"))
        return std::string(programPath.substr(0, programPath.size() - 4)) + ".ini";
    return std::string(programPath) + ".ini";
}

std::string programDataFile(const std::string& fileName, const std::string& programPath)
{
    if (fileName.find('/') != std::string::npos || ::access(fileName.c_str(), R_OK) == 0)
        return fileName;
    const size_t slash = programPath.rfind('/');
    if (programPath.empty() || slash == std::string::npos)
        return fileName;
    const std::string folder = programPath.substr(0, slash + 1);
    // <prefix>/bin/program -> <prefix>/share/ostrel/
    const size_t prefixEnd = slash == 0 ? std::string::npos : programPath.rfind('/', slash - 1);
    std::vector<std::string> candidates = {folder + fileName};
    if (prefixEnd != std::string::npos)
        candidates.push_back(programPath.substr(0, prefixEnd + 1) + "share/ostrel/" + fileName);
    for (const std::string& candidate : candidates) {
        if (::access(candidate.c_str(), R_OK) == 0)
            return candidate;
    }
    return fileName;
}

} // namespace platform
