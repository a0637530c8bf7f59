#include "platform/HelperProcessor.h"

#include "platform/FullIo.h"
#include "platform/SigpipeGuard.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

constexpr uint32_t TimeStampCounter = 0x10;

} // namespace

std::vector<std::string> HelperProcessor::defaultCommand()
{
    return {"/usr/bin/pkexec", InstalledHelper};
}

bool HelperProcessor::installed()
{
    return ::access(InstalledHelper, X_OK) == 0 && ::access("/usr/bin/pkexec", X_OK) == 0;
}

HelperProcessor::HelperProcessor(std::vector<std::string> command, Paths paths)
    : LinuxProcessor(std::move(paths)), m_command(std::move(command))
{
}

HelperProcessor::~HelperProcessor() { stopHelper(); }

void HelperProcessor::initialise()
{
    if (m_pid > 0)
        return;
    m_status = StatusDriverNotLoaded;
    if (m_command.empty())
        return;
    int toHelper[2];
    int fromHelper[2];
    if (::pipe2(toHelper, O_CLOEXEC) != 0)
        return;
    if (::pipe2(fromHelper, O_CLOEXEC) != 0) {
        ::close(toHelper[0]);
        ::close(toHelper[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toHelper[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromHelper[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& part : m_command)
        argv.push_back(part.data());
    argv.push_back(nullptr);
    // pkexec gives the helper a clean environment of its own; what the
    // program passes on does not reach root.
    const int error = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toHelper[0]);
    ::close(fromHelper[1]);
    if (error != 0) {
        m_pid = -1;
        ::close(toHelper[1]);
        ::close(fromHelper[0]);
        return;
    }
    m_toHelper = toHelper[1];
    m_fromHelper = fromHelper[0];

    msrhelper::Reply reply;
    msrhelper::Request request;
    request.operation = static_cast<uint32_t>(msrhelper::Operation::Read);
    request.index = TimeStampCounter;
    if (!roundTrip(request, reply)) {
        stopHelper();
        m_status = StatusDriverNotLoaded;
        return;
    }
    if (reply.ok)
        m_status = StatusReady;
    else if (reply.error == ENOENT || reply.error == ENXIO || reply.error == ENODEV)
        m_status = StatusDriverNotFound;
    else if (reply.error == EACCES || reply.error == EPERM)
        m_status = StatusDriverNotLoaded;
    else
        m_status = StatusUnknownError;
}

int HelperProcessor::status()
{
    return m_status;
}

bool HelperProcessor::capabilityTest()
{
    uint64_t value = 0;
    return exchange(msrhelper::Operation::Read, TimeStampCounter, value);
}

bool HelperProcessor::readMsr(uint32_t index, uint32_t& low, uint32_t& high)
{
    uint64_t value = 0;
    if (!exchange(msrhelper::Operation::Read, index, value))
        return false;
    low = static_cast<uint32_t>(value);
    high = static_cast<uint32_t>(value >> 32);
    return true;
}

bool HelperProcessor::writeMsr(uint32_t index, uint32_t low, uint32_t high)
{
    uint64_t value = (static_cast<uint64_t>(high) << 32) | low;
    return exchange(msrhelper::Operation::Write, index, value);
}

void HelperProcessor::readMsrs(std::span<MsrRead> reads)
{
    for (MsrRead& read : reads) {
        read.ok = false;
        read.value = 0;
    }
    const int cpu = accessCpu();
    if (cpu < 0)
        return;
    std::lock_guard<std::mutex> lock(m_lock);
    // A batch at a time that one pipe write carries whole.
    constexpr size_t Batch = 32;
    for (size_t first = 0; first < reads.size() && m_pid > 0; first += Batch) {
        const std::span<MsrRead> part = reads.subspan(first, std::min(Batch, reads.size() - first));
        msrhelper::Request requests[Batch];
        msrhelper::Reply replies[Batch];
        for (size_t i = 0; i < part.size(); ++i) {
            requests[i].operation = static_cast<uint32_t>(msrhelper::Operation::Read);
            requests[i].cpu = static_cast<uint32_t>(cpu);
            requests[i].index = part[i].index;
        }
        if (!roundTrip(std::span(requests, part.size()), std::span(replies, part.size()))) {
            m_status = StatusUnknownError;
            return;
        }
        for (size_t i = 0; i < part.size(); ++i) {
            part[i].ok = replies[i].ok != 0;
            part[i].value = part[i].ok ? replies[i].value : 0;
        }
    }
}

void HelperProcessor::deinitialise()
{
    stopHelper();
    m_status = StatusDriverNotLoaded;
}

bool HelperProcessor::exchange(msrhelper::Operation operation, uint32_t index, uint64_t& value)
{
    const int cpu = accessCpu();
    if (cpu < 0)
        return false;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pid <= 0)
        return false;
    msrhelper::Request request;
    request.operation = static_cast<uint32_t>(operation);
    request.cpu = static_cast<uint32_t>(cpu);
    request.index = index;
    request.value = operation == msrhelper::Operation::Write ? value : 0;
    msrhelper::Reply reply;
    if (!roundTrip(request, reply)) {
        // The helper is gone: every later access fails as on a lost driver.
        m_status = StatusUnknownError;
        return false;
    }
    if (!reply.ok)
        return false;
    if (operation == msrhelper::Operation::Read)
        value = reply.value;
    return true;
}

bool HelperProcessor::roundTrip(std::span<const msrhelper::Request> requests, std::span<msrhelper::Reply> replies)
{
    bool sent = false;
    {
        // A helper that ended (authorisation refused, or it died) makes the
        // write fail; it must not end this program with SIGPIPE.
        SigpipeGuard guard;
        sent = writeFully(m_toHelper, requests.data(), requests.size_bytes());
    }
    return sent && readFully(m_fromHelper, replies.data(), replies.size_bytes()) == replies.size_bytes();
}

void HelperProcessor::stopHelper()
{
    if (m_toHelper >= 0)
        ::close(m_toHelper); // the helper ends when its input closes
    if (m_fromHelper >= 0)
        ::close(m_fromHelper);
    m_toHelper = m_fromHelper = -1;
    if (m_pid > 0) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
}

} // namespace platform
