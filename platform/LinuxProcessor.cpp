#include "platform/LinuxProcessor.h"

#include "platform/AccessStatus.h"
#include "platform/IntegerText.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define HOST_IS_X86 1
#endif

namespace platform {

namespace {

constexpr uint32_t kTimeStampCounter = 0x10;

uint32_t maskOfSet(const cpu_set_t& set)
{
    uint32_t mask = 0;
    for (int n = 0; n < 32; ++n)
        if (CPU_ISSET(n, &set))
            mask |= 1u << n;
    return mask;
}

// A CPU number of a kernel list: decimal, nothing when it does not fit an int.
std::optional<int> cpuNumber(std::string_view text)
{
    return leadingInteger(text, IntegerBase::Decimal, IntegerOverflow::Refuse);
}

int niceForThread(ThreadPriority priority)
{
    switch (priority) {
    case ThreadPriority::AboveNormal: return -5;
    case ThreadPriority::TimeCritical: return -20;
    default: return 0;
    }
}

pid_t currentThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// SCHED_FIFO where the process may use it, nice -20 otherwise.
void raiseToRealtime(pid_t tid)
{
    sched_param param{};
    param.sched_priority = 1;
    if (sched_setscheduler(tid, SCHED_FIFO, &param) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), -20);
}

} // namespace

LinuxProcessor::LinuxProcessor() : LinuxProcessor(Paths{}) {}

LinuxProcessor::LinuxProcessor(Paths paths) : m_paths(std::move(paths))
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        m_processMask = maskOfSet(set);
    uint32_t online = 0;
    std::ifstream onlineFile(m_paths.onlineCpus);
    std::string list;
    if (onlineFile && std::getline(onlineFile, list))
        online = parseCpuList(list);
    // Without either list the other stands alone.
    if (m_processMask == 0)
        m_systemMask = online;
    else if (online == 0 || (online & m_processMask) == 0)
        m_systemMask = m_processMask;
    else
        m_systemMask = online & m_processMask;
}

LinuxProcessor::ModuleLoad LinuxProcessor::loadMsrModule(const std::vector<std::string>& candidates)
{
    const std::string* program = nullptr;
    for (const std::string& candidate : candidates) {
        if (!candidate.empty() && candidate.front() == '/' && ::access(candidate.c_str(), X_OK) == 0) {
            program = &candidate;
            break;
        }
    }
    if (!program)
        return ModuleLoad::NoModprobe;
    const char* argv[] = {"modprobe", "msr", nullptr};
    const char* envp[] = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LANG=C", nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program->c_str(), nullptr, nullptr, const_cast<char* const*>(argv),
                    const_cast<char* const*>(envp))
        != 0)
        return ModuleLoad::Failed;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return ModuleLoad::Failed;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ModuleLoad::Loaded : ModuleLoad::Failed;
}

LinuxProcessor::~LinuxProcessor() { closeAll(); }

uint32_t LinuxProcessor::parseCpuList(const std::string& list)
{
    uint32_t mask = 0;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t end = list.find(',', pos);
        if (end == std::string::npos)
            end = list.size();
        const std::string_view part = std::string_view(list).substr(pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        // A part with a number that is missing or beyond int counts for nothing.
        const size_t dash = part.find('-');
        const std::optional<int> first = cpuNumber(part.substr(0, dash));
        const std::optional<int> last = dash == std::string_view::npos ? first : cpuNumber(part.substr(dash + 1));
        if (!first || !last)
            continue;
        for (int n = std::max(*first, 0); n <= *last && n < 32; ++n)
            mask |= 1u << n;
    }
    return mask;
}

bool LinuxProcessor::hostHasReadableMsr(const std::string& deviceRoot)
{
    int fd = ::open((deviceRoot + "/0/msr").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    uint64_t value = 0;
    bool ok = pread(fd, &value, sizeof value, kTimeStampCounter) == sizeof value;
    ::close(fd);
    return ok;
}

std::string LinuxProcessor::devicePath(int cpu) const
{
    return m_paths.deviceRoot + "/" + std::to_string(cpu) + "/msr";
}

void LinuxProcessor::initialise()
{
    struct stat st{};
    if (!m_modprobeTried && geteuid() == 0 && m_paths.deviceRoot == "/dev/cpu"
        && ::stat(devicePath(0).c_str(), &st) != 0) {
        m_modprobeTried = true;
        // A module that did not load shows in the status the open below gives.
        loadMsrModule(m_paths.modprobe);
    }
    int fd = ::open(devicePath(0).c_str(), O_RDWR | O_CLOEXEC);
    int error = errno;
    if (fd < 0 && (error == EACCES || error == EPERM)) {
        // Read-only access still lets a monitor watch; writes will fail.
        fd = ::open(devicePath(0).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            error = errno;
    }
    if (fd >= 0) {
        ::close(fd);
        m_status = StatusReady;
    } else {
        m_status = statusForOpenError(error);
    }
}

int LinuxProcessor::statusForOpenError(int error)
{
    switch (error) {
    case 0: return StatusReady;
    case EACCES:
    case EPERM: return StatusDriverNotLoaded;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return StatusDriverNotFound;
    default: return StatusUnknownError;
    }
}

int LinuxProcessor::status()
{
    return m_status < 0 ? StatusUnknownError : m_status;
}

bool LinuxProcessor::capabilityTest()
{
    int fd = deviceFor(0, false);
    if (fd < 0)
        return false;
    uint64_t value = 0;
    return pread(fd, &value, sizeof value, kTimeStampCounter) == sizeof value;
}

int LinuxProcessor::deviceFor(int cpu, bool forWrite)
{
    if (cpu < 0)
        return -1;
    std::lock_guard lock(m_devicesLock);
    Device& device = m_devices[cpu];
    if (device.fd >= 0 && (device.writable || !forWrite))
        return device.fd;
    int fd = ::open(devicePath(cpu).c_str(), O_RDWR | O_CLOEXEC);
    bool writable = fd >= 0;
    if (fd < 0 && !forWrite)
        fd = ::open(devicePath(cpu).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return device.fd;
    if (device.fd >= 0)
        ::close(device.fd);
    device.fd = fd;
    device.writable = writable;
    return fd;
}

bool LinuxProcessor::readMsr(uint32_t index, uint32_t& low, uint32_t& high)
{
    int fd = deviceFor(currentCpu(), false);
    if (fd < 0)
        return false;
    uint64_t value = 0;
    if (pread(fd, &value, sizeof value, static_cast<off_t>(index)) != sizeof value)
        return false;
    low = static_cast<uint32_t>(value);
    high = static_cast<uint32_t>(value >> 32);
    return true;
}

bool LinuxProcessor::writeMsr(uint32_t index, uint32_t low, uint32_t high)
{
    int fd = deviceFor(currentCpu(), true);
    if (fd < 0)
        return false;
    uint64_t value = (uint64_t(high) << 32) | low;
    // EPERM (kernel lockdown, msr.allow_writes=off) or EIO (#GP) leave the register as it was.
    return pwrite(fd, &value, sizeof value, static_cast<off_t>(index)) == sizeof value;
}

void LinuxProcessor::closeAll()
{
    std::lock_guard lock(m_devicesLock);
    for (auto& [cpu, device] : m_devices)
        if (device.fd >= 0)
            ::close(device.fd);
    m_devices.clear();
}

void LinuxProcessor::deinitialise() { closeAll(); }

CpuidRegisters LinuxProcessor::cpuid(uint32_t leaf, uint32_t subleaf)
{
    CpuidRegisters r;
#ifdef HOST_IS_X86
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#else
    (void)leaf;
    (void)subleaf;
#endif
    return r;
}

uint64_t LinuxProcessor::rdtsc()
{
#ifdef HOST_IS_X86
    return __rdtsc();
#else
    return static_cast<uint64_t>(performanceCounter());
#endif
}

uint32_t LinuxProcessor::setThreadAffinityMask(uint32_t mask)
{
    cpu_set_t old;
    CPU_ZERO(&old);
    if (sched_getaffinity(0, sizeof(old), &old) != 0)
        return 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int n = 0; n < 32; ++n)
        if (mask & (1u << n))
            CPU_SET(n, &set);
    if (mask == 0 || sched_setaffinity(0, sizeof(set), &set) != 0)
        return 0;
    uint32_t previous = maskOfSet(old);
    return previous ? previous : 1;
}

bool LinuxProcessor::processAffinityMask(uint32_t& processMask, uint32_t& systemMask)
{
    processMask = m_processMask;
    systemMask = m_systemMask;
    return m_systemMask != 0;
}

bool LinuxProcessor::setProcessAffinityMask(uint32_t mask)
{
    mask &= m_systemMask;
    if (mask == 0)
        return false;
    // Linux keeps affinity per thread: the process mask is the main thread's,
    // which new threads inherit.
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int n = 0; n < 32; ++n)
        if (mask & (1u << n))
            CPU_SET(n, &set);
    if (sched_setaffinity(getpid(), sizeof(set), &set) != 0)
        return false;
    // The kernel keeps only the CPUs the process may use of those asked for.
    cpu_set_t now;
    CPU_ZERO(&now);
    m_processMask = sched_getaffinity(getpid(), sizeof(now), &now) == 0 ? maskOfSet(now) : mask;
    return true;
}

int LinuxProcessor::currentCpu() { return sched_getcpu(); }

void LinuxProcessor::sleep(uint32_t milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void LinuxProcessor::setPriorityClass(PriorityClass priority)
{
    switch (priority) {
    case PriorityClass::Normal: setpriority(PRIO_PROCESS, 0, 0); break;
    case PriorityClass::AboveNormal: setpriority(PRIO_PROCESS, 0, -5); break;
    case PriorityClass::Idle: {
        sched_param param{};
        sched_setscheduler(0, SCHED_IDLE, &param);
        break;
    }
    case PriorityClass::Realtime: raiseToRealtime(0); break;
    }
}

void LinuxProcessor::setThreadPriority(ThreadPriority priority)
{
    pid_t tid = currentThreadId();
    switch (priority) {
    case ThreadPriority::Idle: {
        sched_param param{};
        sched_setscheduler(tid, SCHED_IDLE, &param);
        break;
    }
    case ThreadPriority::TimeCritical: raiseToRealtime(tid); break;
    default: setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceForThread(priority)); break;
    }
}

int64_t LinuxProcessor::performanceCounter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return int64_t(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

int64_t LinuxProcessor::performanceFrequency() { return 1000000000LL; }

uint32_t LinuxProcessor::tickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

std::tm LinuxProcessor::localTime()
{
    std::time_t now = std::time(nullptr);
    std::tm result{};
    localtime_r(&now, &result);
    return result;
}

} // namespace platform
