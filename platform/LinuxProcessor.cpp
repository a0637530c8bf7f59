#include "platform/LinuxProcessor.h"

#include "platform/AccessStatus.h"
#include "platform/KernelCpuMask.h"

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
    m_processCpus = KernelCpuMask::of(0).value_or(CpuSet{});
    CpuSet online;
    std::ifstream onlineFile(m_paths.onlineCpus);
    std::string list;
    if (onlineFile && std::getline(onlineFile, list))
        online = CpuSet::parseList(list).value_or(CpuSet{});
    // Without either list the other stands alone.
    const CpuSet both = online & m_processCpus;
    if (m_processCpus.empty())
        m_systemCpus = online;
    else if (both.empty())
        m_systemCpus = m_processCpus;
    else
        m_systemCpus = both;
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

std::string LinuxProcessor::cpuidDevicePath(int cpu) const
{
    return m_paths.deviceRoot + "/" + std::to_string(cpu) + "/cpuid";
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

bool LinuxProcessor::selectCpu(int cpu)
{
    // The system set is every CPU this process may address; an empty one
    // (neither list readable) refuses nothing.
    if (cpu >= 0 && !m_systemCpus.empty() && !m_systemCpus.contains(cpu))
        return false;
    m_selection.select(cpu);
    return true;
}

int LinuxProcessor::accessCpu() const
{
    const int selected = m_selection.selected();
    return selected != ThreadCpuSelection::None ? selected : sched_getcpu();
}

bool LinuxProcessor::readMsr(uint32_t index, uint32_t& low, uint32_t& high)
{
    int fd = deviceFor(accessCpu(), false);
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
    int fd = deviceFor(accessCpu(), true);
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
    for (auto& [cpu, fd] : m_cpuidDevices)
        if (fd >= 0)
            ::close(fd);
    m_cpuidDevices.clear();
}

void LinuxProcessor::deinitialise() { closeAll(); }

int LinuxProcessor::cpuidDeviceFor(int cpu)
{
    std::lock_guard lock(m_devicesLock);
    auto known = m_cpuidDevices.find(cpu);
    if (known != m_cpuidDevices.end())
        return known->second;
    const int fd = ::open(cpuidDevicePath(cpu).c_str(), O_RDONLY | O_CLOEXEC);
    m_cpuidDevices[cpu] = fd;
    return fd;
}

namespace {

CpuidRegisters cpuidHere(uint32_t leaf, uint32_t subleaf)
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

} // namespace

bool LinuxProcessor::cpuidOnCpu(int cpu, uint32_t leaf, uint32_t subleaf, CpuidRegisters& r)
{
    // CPUID must really run there: this is the one register-style access
    // that moves the thread, and only where the cpuid driver is out of reach
    // (a desktop user's program, or no cpuid module).
    const CpuSet previous = setThreadAffinity(CpuSet::of(cpu));
    if (previous.empty())
        return false;
    const bool there = sched_getcpu() == cpu;
    if (there)
        r = cpuidHere(leaf, subleaf);
    setThreadAffinity(previous);
    return there;
}

CpuidRegisters LinuxProcessor::cpuid(uint32_t leaf, uint32_t subleaf)
{
    const int selected = m_selection.selected();
    if (selected == ThreadCpuSelection::None)
        return cpuidHere(leaf, subleaf);
    // The driver answers a read of 16 bytes at offset leaf + (sub-leaf << 32)
    // with EAX, EBX, ECX, EDX as that CPU's CPUID gives them.
    const int fd = cpuidDeviceFor(selected);
    uint32_t words[4] = {};
    const off_t offset = static_cast<off_t>((static_cast<uint64_t>(subleaf) << 32) | leaf);
    if (fd >= 0 && pread(fd, words, sizeof words, offset) == sizeof words)
        return {words[0], words[1], words[2], words[3]};
    CpuidRegisters r;
    if (!cpuidOnCpu(selected, leaf, subleaf, r))
        return {};
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

CpuSet LinuxProcessor::setThreadAffinity(const CpuSet& cpus)
{
    std::optional<CpuSet> previous = KernelCpuMask::of(0);
    if (!previous || cpus.empty() || !KernelCpuMask(cpus).applyTo(0))
        return {};
    return *previous;
}

bool LinuxProcessor::processAffinity(CpuSet& process, CpuSet& system)
{
    process = m_processCpus;
    system = m_systemCpus;
    return !m_systemCpus.empty();
}

bool LinuxProcessor::setProcessAffinity(const CpuSet& cpus)
{
    const CpuSet wanted = cpus & m_systemCpus;
    // Linux keeps affinity per thread: the process set is the main thread's,
    // which new threads inherit.
    if (wanted.empty() || !KernelCpuMask(wanted).applyTo(getpid()))
        return false;
    // The kernel keeps only the CPUs the process may use of those asked for.
    m_processCpus = KernelCpuMask::of(getpid()).value_or(wanted);
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
