// The Linux backend against a folder of plain files standing in for /dev/cpu.
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "platform/AccessStatus.h"
#include "platform/KernelCpuMask.h"
#include "platform/LinuxProcessor.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <sched.h>
#include <unistd.h>

using platform::CpuSet;

namespace fs = std::filesystem;
using platform::LinuxProcessor;

namespace {

class FakeDeviceRoot {
public:
    explicit FakeDeviceRoot(int cpus)
    {
        char tmpl[] = "/tmp/msr-root-XXXXXX";
        m_root = mkdtemp(tmpl);
        for (int n = 0; n < cpus; ++n) {
            fs::create_directories(m_root / std::to_string(n));
            std::ofstream(file(n)).put('\0');
        }
    }
    ~FakeDeviceRoot() { fs::remove_all(m_root); }

    fs::path file(int cpu) const { return m_root / std::to_string(cpu) / "msr"; }
    std::string root() const { return m_root.string(); }

    void poke(int cpu, uint32_t index, uint64_t value) const
    {
        int fd = ::open(file(cpu).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, &value, sizeof value, index), 8);
        ::close(fd);
    }
    void pokeCpuid(int cpu, uint64_t offset, const uint32_t (&words)[4]) const
    {
        int fd = ::open((m_root / std::to_string(cpu) / "cpuid").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, words, sizeof words, static_cast<off_t>(offset)), 16);
        ::close(fd);
    }
    uint64_t peek(int cpu, uint32_t index) const
    {
        uint64_t value = 0;
        int fd = ::open(file(cpu).c_str(), O_RDONLY);
        EXPECT_EQ(pread(fd, &value, sizeof value, index), 8);
        ::close(fd);
        return value;
    }

private:
    fs::path m_root;
};

int hostCpus()
{
    cpu_set_t set;
    sched_getaffinity(0, sizeof set, &set);
    return std::min(CPU_COUNT(&set), 8);
}

LinuxProcessor::Paths pathsFor(const FakeDeviceRoot& fake)
{
    LinuxProcessor::Paths paths;
    paths.deviceRoot = fake.root();
    return paths;
}

} // namespace

TEST(AccessStatus, CodesMapToTheirTexts)
{
    const std::pair<int, const char*> cases[] = {
        {0, "No Error"},
        {1, "Unsupported Platform"},
        {2, "Driver Not Loaded\nTry Run as Administrator."},
        {3, "Driver Not Found"},
        {4, "Driver Unloaded"},
        {5, "Driver Not Found On Network"},
        {6, ""}, {7, ""}, {8, ""},
        {9, "Unknown Error"},
        {10, ""}, {255, ""}, {-1, ""},
    };
    for (auto [code, text] : cases)
        EXPECT_EQ(platform::statusText(code), text) << "status " << code;
}

TEST(AccessStatus, OpenErrorsMapToStatusCodes)
{
    const std::pair<int, int> cases[] = {
        {EACCES, 2}, {EPERM, 2}, {ENOENT, 3}, {ENODEV, 3}, {ENXIO, 3}, {EIO, 9}, {EBUSY, 9}, {0, 0},
    };
    for (auto [error, status] : cases)
        EXPECT_EQ(LinuxProcessor::statusForOpenError(error), status) << "errno " << error;
    EXPECT_FALSE(platform::statusHint(2).empty());
    EXPECT_FALSE(platform::statusHint(3).empty());
}

TEST(LinuxProcessor, MissingDeviceFilesReportDriverNotFound)
{
    LinuxProcessor::Paths paths;
    paths.deviceRoot = "/nonexistent/cpu";
    LinuxProcessor processor(paths);
    processor.initialise();
    EXPECT_EQ(processor.status(), platform::StatusDriverNotFound);
    EXPECT_FALSE(processor.capabilityTest());
    uint32_t low = 0, high = 0;
    EXPECT_FALSE(processor.readMsr(0x19C, low, high));
    EXPECT_FALSE(processor.writeMsr(0x19A, 0, 0));
}

TEST(LinuxProcessor, CapabilityTestReadsTheTimeStampCounterOfCpu0)
{
    FakeDeviceRoot fake(1);
    LinuxProcessor processor(pathsFor(fake));
    processor.initialise();
    EXPECT_EQ(processor.status(), platform::StatusReady);
    // A one-byte file has nothing at offset 0x10: the read fails.
    EXPECT_FALSE(processor.capabilityTest());
    processor.deinitialise();
    fake.poke(0, msr::IA32_TIME_STAMP_COUNTER, 0x123456789ull);
    EXPECT_TRUE(processor.capabilityTest());
}

TEST(LinuxProcessor, AccessesGoToTheSelectedCpusDevicesWithoutMovingTheThread)
{
    const int cpus = hostCpus();
    FakeDeviceRoot fake(cpus);
    for (int n = 0; n < cpus; ++n) {
        fake.poke(n, msr::IA32_THERM_STATUS, 0x88000000ull | (uint64_t(40 + n) << 16) | (uint64_t(n) << 32));
        fake.poke(n, msr::MSR_PKG_POWER_LIMIT, 0);
        // Leaf 0xB, sub-leaf 1 of CPU n: EDX carries its x2APIC id.
        const uint32_t words[4] = {1, 2, 0x201, uint32_t(100 + n)};
        fake.pokeCpuid(n, (1ull << 32) | 0xB, words);
    }
    // Plain files address bytes, not registers: the two registers used here lie
    // more than eight bytes apart so they do not overlap in the stand-in files.
    LinuxProcessor processor(pathsFor(fake));
    processor.initialise();
    hw::HardwareAccess access(processor);
    const std::optional<CpuSet> affinity = platform::KernelCpuMask::of(0);
    for (int n = 0; n < cpus; ++n) {
        ASSERT_TRUE(access.pin(n));
        uint32_t low = 0, high = 0;
        ASSERT_TRUE(processor.readMsr(msr::IA32_THERM_STATUS, low, high));
        EXPECT_EQ(msr::therm_status::DigitalReadout.get(msr::join(low, high)), 40u + n);
        EXPECT_EQ(high, uint32_t(n));
        EXPECT_TRUE(processor.writeMsr(msr::MSR_PKG_POWER_LIMIT, 0x18 + n, 0x8000));
        EXPECT_EQ(processor.cpuid(0xB, 1).edx, uint32_t(100 + n));
    }
    access.unpin();
    EXPECT_EQ(platform::KernelCpuMask::of(0), affinity) << "selecting a CPU moved the thread";
    for (int n = 0; n < cpus; ++n)
        EXPECT_EQ(fake.peek(n, msr::MSR_PKG_POWER_LIMIT), 0x0000800000000018ull + n) << "cpu " << n;
    // Nothing spilled into neighbouring registers.
    EXPECT_EQ(fake.peek(0, msr::IA32_THERM_STATUS) >> 32, 0u);
}

TEST(LinuxProcessor, RefusedWriteReturnsFalse)
{
    FakeDeviceRoot fake(1);
    // /dev/full accepts opening for writing but refuses every write, as a
    // kernel with msr writes disabled does.
    fs::remove(fake.file(0));
    fs::create_symlink("/dev/full", fake.file(0));
    LinuxProcessor processor(pathsFor(fake));
    processor.initialise();
    hw::HardwareAccess access(processor);
    access.pin(0);
    EXPECT_FALSE(processor.writeMsr(msr::IA32_CLOCK_MODULATION, 0x1A, 0));
    access.unpin();
}

TEST(LinuxProcessor, PinningOutsideTheHostFails)
{
    LinuxProcessor processor;
    CpuSet process, system;
    ASSERT_TRUE(processor.processAffinity(process, system));
    EXPECT_TRUE(system.contains(0));
    EXPECT_TRUE(processor.setThreadAffinity({}).empty());
    EXPECT_TRUE(processor.setThreadAffinity(CpuSet::of(4000)).empty()) << "a CPU the machine lacks";
    EXPECT_FALSE(processor.selectCpu(4000)) << "a CPU the machine lacks cannot be selected either";
    // The previous set comes back so callers can restore it.
    CpuSet previous = processor.setThreadAffinity(CpuSet::of(0));
    EXPECT_FALSE(previous.empty());
    EXPECT_EQ(processor.currentCpu(), 0);
    processor.setThreadAffinity(previous);
}

TEST(LinuxProcessor, ProcessMaskIsTheMainThreadsAndStaysWithinTheSystem)
{
    LinuxProcessor processor;
    CpuSet process, system;
    ASSERT_TRUE(processor.processAffinity(process, system));
    EXPECT_FALSE(processor.setProcessAffinity({}));
    EXPECT_FALSE(processor.setProcessAffinity(CpuSet::range(0, 4095).without(system))) << "CPUs that are not online";
    ASSERT_TRUE(processor.setProcessAffinity(CpuSet::of(0)));
    CpuSet narrowed;
    processor.processAffinity(narrowed, system);
    EXPECT_EQ(narrowed, CpuSet::of(0));
    cpu_set_t set;
    sched_getaffinity(getpid(), sizeof set, &set);
    EXPECT_EQ(CPU_COUNT(&set), 1);
    EXPECT_TRUE(CPU_ISSET(0, &set));
    ASSERT_TRUE(processor.setProcessAffinity(process));
}

TEST(LinuxProcessor, SystemMaskIsTheAllowedCpusThatAreOnline)
{
    // The affinity at start stands for a cpuset: only CPU 0 of the online ones.
    FakeDeviceRoot root(1);
    const std::string online = root.root() + "/online";
    std::ofstream(online) << "0-31\n";
    cpu_set_t saved;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    cpu_set_t only0;
    CPU_ZERO(&only0);
    CPU_SET(0, &only0);
    ASSERT_EQ(sched_setaffinity(0, sizeof only0, &only0), 0);
    LinuxProcessor::Paths paths;
    paths.deviceRoot = root.root();
    paths.onlineCpus = online;
    LinuxProcessor processor(paths);
    sched_setaffinity(0, sizeof saved, &saved);

    CpuSet process, system;
    ASSERT_TRUE(processor.processAffinity(process, system));
    EXPECT_EQ(process, CpuSet::of(0));
    EXPECT_EQ(system, CpuSet::of(0));
}

TEST(LinuxProcessor, ModprobeRunsByItsAbsolutePathWithAFixedEnvironment)
{
    // A modprobe first in PATH records that it ran; the one given by path
    // records its arguments and environment.
    FakeDeviceRoot dir(0);
    const fs::path bin = dir.root() + "/bin";
    fs::create_directories(bin);
    const fs::path planted = dir.root() + "/planted-ran";
    const fs::path called = dir.root() + "/called";
    const auto script = [](const fs::path& path, const std::string& body) {
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
    };
    script(bin / "modprobe", "echo ran > '" + planted.string() + "'");
    const fs::path absolute = dir.root() + "/modprobe";
    script(absolute, "echo \"$0 $*\" > '" + called.string() + "'; env | sort >> '" + called.string() + "'");

    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    setenv("OSTREL_LEAK_CHECK", "leaked", 1);
    const LinuxProcessor::ModuleLoad outcome =
        LinuxProcessor::loadMsrModule({"modprobe", dir.root() + "/missing", absolute.string()});
    const LinuxProcessor::ModuleLoad none = LinuxProcessor::loadMsrModule({"modprobe", dir.root() + "/missing"});
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("OSTREL_LEAK_CHECK");

    EXPECT_EQ(outcome, LinuxProcessor::ModuleLoad::Loaded);
    EXPECT_EQ(none, LinuxProcessor::ModuleLoad::NoModprobe) << "a bare name is never looked up in PATH";
    EXPECT_FALSE(fs::exists(planted)) << "the modprobe in PATH ran";
    std::ifstream in(called);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.substr(0, text.find('\n')), absolute.string() + " msr");
    EXPECT_NE(text.find("PATH=/usr/sbin:/usr/bin:/sbin:/bin\n"), std::string::npos) << text;
    EXPECT_NE(text.find("LANG=C\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("OSTREL_LEAK_CHECK"), std::string::npos) << "the caller's environment leaked: " << text;
}

TEST(LinuxProcessor, ClocksAdvance)
{
    LinuxProcessor processor;
    int64_t a = processor.performanceCounter();
    uint32_t t = processor.tickCount();
    processor.sleep(20);
    EXPECT_GE(processor.performanceCounter() - a, 19000000);
    EXPECT_GE(uint32_t(processor.tickCount() - t), 19u);
    EXPECT_EQ(processor.performanceFrequency(), 1000000000);
}
