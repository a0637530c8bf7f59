#include "helper/MsrHelper.h"

#include "registers/RegisterAccessList.h"
#include "platform/LinuxProcessor.h"

#include "platform/FullIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace helper {

using platform::msrhelper::Operation;
using platform::msrhelper::Reply;
using platform::msrhelper::Request;
using platform::writeFully;

namespace {

Reply failure(int error)
{
    Reply reply;
    reply.error = error;
    return reply;
}

} // namespace

MsrHelper::MsrHelper(std::string deviceRoot) : m_deviceRoot(std::move(deviceRoot)) {}

MsrHelper::~MsrHelper()
{
    for (const auto& [cpu, fd] : m_devices) {
        if (fd >= 0)
            ::close(fd);
    }
}

int MsrHelper::deviceFor(uint32_t cpu, int& error)
{
    const auto found = m_devices.find(cpu);
    if (found != m_devices.end())
        return found->second;
    const std::string path = m_deviceRoot + "/" + std::to_string(cpu) + "/msr";
    if (!m_moduleTried && m_deviceRoot == "/dev/cpu" && ::access((m_deviceRoot + "/0/msr").c_str(), F_OK) != 0) {
        m_moduleTried = true;
        platform::LinuxProcessor::loadMsrModule({"/sbin/modprobe", "/usr/sbin/modprobe"});
    }
    // O_NOFOLLOW: the device file itself, never what a link would lead to.
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !(S_ISCHR(info.st_mode) || S_ISREG(info.st_mode))) {
        ::close(fd);
        error = EINVAL;
        return -1;
    }
    m_devices[cpu] = fd;
    return fd;
}

Reply MsrHelper::handle(const Request& request)
{
    const bool write = request.operation == static_cast<uint32_t>(Operation::Write);
    if (!registers::registerAllowed(request.index, write ? registers::RegisterAccess::Write : registers::RegisterAccess::Read))
        return failure(EPERM);
    int error = 0;
    const int fd = deviceFor(request.cpu, error);
    if (fd < 0)
        return failure(error);
    const off_t offset = static_cast<off_t>(request.index);
    uint64_t value = 0;
    const ssize_t read = ::pread(fd, &value, sizeof value, offset);
    if (read != static_cast<ssize_t>(sizeof value))
        return failure(read < 0 ? errno : EIO);
    Reply reply;
    if (write) {
        // Only the bits some program writes may change; the request carries
        // every other bit as the register holds it.
        if (!registers::writeAllowed(request.index, value, request.value))
            return failure(EPERM);
        value = request.value;
        const ssize_t written = ::pwrite(fd, &value, sizeof value, offset);
        if (written != static_cast<ssize_t>(sizeof value))
            return failure(written < 0 ? errno : EIO);
        value = 0;
    }
    reply.ok = 1;
    reply.value = value;
    return reply;
}

int MsrHelper::serve(int in, int out)
{
    using platform::msrhelper::RequestSize;
    // Requests that arrived together are answered together: one read and
    // one write for a monitor's batch, in the order they came.
    constexpr size_t Batch = 64;
    unsigned char bytes[Batch * RequestSize];
    Reply replies[Batch];
    size_t held = 0; // bytes received and not yet answered (part of one request)
    for (;;) {
        const ssize_t got = ::read(in, bytes + held, sizeof bytes - held);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (held == 0)
                return 0;
            const Reply truncated = failure(EPROTO);
            writeFully(out, &truncated, sizeof truncated);
            return 1;
        }
        held += static_cast<size_t>(got);
        const size_t whole = held / RequestSize;
        size_t answered = 0;
        bool malformed = false;
        while (answered < whole && !malformed) {
            const std::optional<Request> request = platform::msrhelper::decodeRequest(bytes + answered * RequestSize);
            malformed = !request;
            replies[answered++] = request ? handle(*request) : failure(EPROTO);
        }
        if (answered > 0 && !writeFully(out, replies, answered * sizeof(Reply)))
            return 1;
        if (malformed)
            return 1;
        held -= whole * RequestSize;
        std::memmove(bytes, bytes + whole * RequestSize, held);
    }
}

} // namespace helper
