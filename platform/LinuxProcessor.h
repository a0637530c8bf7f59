#pragma once
// The real processor: model-specific registers through the msr kernel module's
// device files (/dev/cpu/N/msr) of the CPU the calling thread selected, CPUID
// of that CPU through /dev/cpu/N/cpuid (or executed there), RDTSC on the CPU
// the thread runs on, and the kernel's affinity and clock calls. Selecting a
// CPU is no system call: the msr and cpuid drivers run each access on its CPU.
//
// The process set is the affinity the process started with (a cpuset, a
// container or taskset may have narrowed it); the system set is that set
// within the online CPUs, since no other CPU can be pinned to.

#include "platform/AccessStatus.h"
#include "platform/Processor.h"
#include "platform/ThreadCpuSelection.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

class LinuxProcessor : public Processor {
public:
    struct Paths {
        std::string deviceRoot = "/dev/cpu";                               // N/msr below it
        std::string onlineCpus = "/sys/devices/system/cpu/online";        // "0-3,6"
        // Where modprobe may be, by absolute path only, tried in order.
        std::vector<std::string> modprobe = {"/sbin/modprobe", "/usr/sbin/modprobe"};
    };

    // The outcome of loading the msr kernel module.
    enum class ModuleLoad { Loaded, Failed, NoModprobe };

    LinuxProcessor();
    explicit LinuxProcessor(Paths paths);
    ~LinuxProcessor() override;

    void initialise() override;
    int status() override;
    bool capabilityTest() override;
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override;
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override;
    void deinitialise() override;

    CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override;
    uint64_t rdtsc() override;
    bool selectCpu(int cpu) override;

    CpuSet setThreadAffinity(const CpuSet& cpus) override;
    bool processAffinity(CpuSet& process, CpuSet& system) override;
    bool setProcessAffinity(const CpuSet& cpus) override;
    int currentCpu() override;

    void sleep(uint32_t milliseconds) override;
    void setPriorityClass(PriorityClass priority) override;
    void setThreadPriority(ThreadPriority priority) override;

    int64_t performanceCounter() override;
    int64_t performanceFrequency() override;
    uint32_t tickCount() override;
    std::tm localTime() override;

    // Runs the first executable of candidates as "modprobe msr" with a fixed,
    // minimal environment (PATH=/usr/sbin:/usr/bin:/sbin:/bin, LANG=C) and
    // waits for it. The program is never looked up in PATH: it runs as root.
    static ModuleLoad loadMsrModule(const std::vector<std::string>& candidates);

    // The status code for an errno from opening the msr device.
    static int statusForOpenError(int error);

    // True when the msr device of CPU 0 exists and can be read.
    static bool hostHasReadableMsr(const std::string& deviceRoot = "/dev/cpu");

protected:
    // The CPU the calling thread's register accesses go to: the selected
    // one, else the one it runs on (-1 when unknown).
    int accessCpu() const;

private:
    // CPUID executed by the calling thread moved onto `cpu` for the moment,
    // where the cpuid device cannot be read; false when the move failed.
    bool cpuidOnCpu(int cpu, uint32_t leaf, uint32_t subleaf, CpuidRegisters& r);
    // The descriptor of CPU n's cpuid device; -1 when it cannot be opened
    // (module not loaded, not root), which is remembered.
    int cpuidDeviceFor(int cpu);
    // The descriptor of CPU n's device, opened on first use; -1 when it cannot be opened.
    int deviceFor(int cpu, bool forWrite);
    std::string devicePath(int cpu) const;
    std::string cpuidDevicePath(int cpu) const;
    void closeAll();

    Paths m_paths;
    CpuSet m_processCpus;
    CpuSet m_systemCpus;
    int m_status = -1; // -1 until initialise() has run

    struct Device {
        int fd = -1;
        bool writable = false;
    };
    std::mutex m_devicesLock;
    std::map<int, Device> m_devices;
    std::map<int, int> m_cpuidDevices; // descriptor, or -1 when it could not be opened
    ThreadCpuSelection m_selection;
    bool m_modprobeTried = false;
};

} // namespace platform
