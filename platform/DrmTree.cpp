#include "platform/DrmTree.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {

namespace fs = std::filesystem;

std::vector<std::string> DiskDrmTree::list(const std::string& folder) const
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(full(folder), error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

std::optional<std::string> DiskDrmTree::read(const std::string& file) const
{
    std::ifstream in(full(file));
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

std::optional<std::string> DiskDrmTree::resolve(const std::string& path) const
{
    std::error_code error;
    const fs::path real = fs::canonical(full(path), error);
    if (error)
        return std::nullopt;
    return real.string();
}

} // namespace platform
