#include "exporter/TextfileWriter.h"

#include "platform/FullIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exporter {
namespace {

std::string failure(const std::string& what, const std::string& path, int error)
{
    return what + " " + path + ": " + std::strerror(error) +
           "; check that the folder exists and that this user may write there";
}

} // namespace

TextfileWriter::TextfileWriter(std::string path) : m_path(std::move(path)) {}

std::string TextfileWriter::write(const std::string& text)
{
    // node_exporter reads only files ending in .prom, so the temporary name
    // (a dot file with another ending) is never collected half written.
    const std::filesystem::path target(m_path);
    std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return failure("cannot create a temporary file beside", m_path, errno);
    bool written = ::fchmod(fd, 0644) == 0 && platform::writeFully(fd, text.data(), text.size());
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), m_path.c_str()) == 0)
        return {};
    if (written)
        error = errno;
    ::unlink(temporary.c_str());
    return failure(written ? "cannot rename a temporary file over" : "cannot write", m_path, error);
}

} // namespace exporter
