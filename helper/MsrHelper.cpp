#include "helper/MsrHelper.h"

#include "hw/RegisterAccessList.h"
#include "platform/LinuxProcessor.h"

#include "platform/FullIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace helper {

using platform::msrhelper::Operation;
using platform::msrhelper::Reply;
using platform::msrhelper::Request;
using platform::readFully;
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
    if (!hw::registerAllowed(request.index, write ? hw::RegisterAccess::Write : hw::RegisterAccess::Read))
        return failure(EPERM);
    int error = 0;
    const int fd = deviceFor(request.cpu, error);
    if (fd < 0)
        return failure(error);
    Reply reply;
    uint64_t value = request.value;
    const ssize_t done = write ? ::pwrite(fd, &value, sizeof value, static_cast<off_t>(request.index))
                               : ::pread(fd, &value, sizeof value, static_cast<off_t>(request.index));
    if (done != static_cast<ssize_t>(sizeof value))
        return failure(done < 0 ? errno : EIO);
    reply.ok = 1;
    reply.value = write ? 0 : value;
    return reply;
}

int MsrHelper::serve(int in, int out)
{
    unsigned char bytes[platform::msrhelper::RequestSize];
    for (;;) {
        const size_t got = readFully(in, bytes, sizeof bytes);
        if (got == 0)
            return 0;
        if (got < sizeof bytes) {
            const Reply truncated = failure(EPROTO);
            writeFully(out, &truncated, sizeof truncated);
            return 1;
        }
        const std::optional<Request> request = platform::msrhelper::decodeRequest(bytes);
        const Reply reply = request ? handle(*request) : failure(EPROTO);
        if (!writeFully(out, &reply, sizeof reply))
            return 1;
        if (!request)
            return 1;
    }
}

} // namespace helper
