// The privileged register helper over a fake device root: plain files stand
// in for /dev/cpu/N/msr, so every access shows as bytes at the register's
// offset. What it must never do is touch a file for a request it refused.

#include "helper/MsrHelper.h"
#include "registers/MsrIndex.h"
#include "platform/HelperProcessor.h"
#include "platform/LinuxProcessor.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::msrhelper::Operation;
using platform::msrhelper::Reply;
using platform::msrhelper::Request;

constexpr int kCpus = 4;

class FakeDeviceRoot : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ostrel-helper-XXXXXX";
        m_root = ::mkdtemp(pattern);
        const int cpus = std::max(kCpus, static_cast<int>(std::thread::hardware_concurrency()));
        for (int cpu = 0; cpu < cpus; ++cpu) {
            fs::create_directories(m_root / std::to_string(cpu));
            // A byte pattern of its own on every CPU, so a value read shows
            // both its offset and its CPU.
            std::string bytes(0x700, '\0');
            for (size_t offset = 0; offset < bytes.size(); ++offset)
                bytes[offset] = static_cast<char>((offset * 7 + cpu * 101) & 0xFF);
            std::ofstream(msrFile(cpu), std::ios::binary) << bytes;
            // Clock modulation off, as at power-on: the writes below change
            // only its duty and enable bits.
            put(cpu, msr::IA32_CLOCK_MODULATION, 0);
        }
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path msrFile(int cpu) const { return m_root / std::to_string(cpu) / "msr"; }
    std::string contents(int cpu) const
    {
        std::ifstream in(msrFile(cpu), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    uint64_t at(int cpu, uint32_t index) const
    {
        uint64_t value = 0;
        std::memcpy(&value, contents(cpu).data() + index, 8);
        return value;
    }
    void put(int cpu, uint32_t index, uint64_t value) const
    {
        std::fstream file(msrFile(cpu), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(index);
        file.write(reinterpret_cast<const char*>(&value), sizeof value);
    }
    std::string everything() const
    {
        std::string all;
        for (int cpu = 0; cpu < kCpus; ++cpu)
            all += contents(cpu);
        return all;
    }

    fs::path m_root;
};

Request request(Operation operation, uint32_t cpu, uint32_t index, uint64_t value = 0)
{
    Request r;
    r.operation = static_cast<uint32_t>(operation);
    r.cpu = cpu;
    r.index = index;
    r.value = value;
    return r;
}

TEST_F(FakeDeviceRoot, ServesTheListedRegistersAndRefusesTheRest)
{
    helper::MsrHelper msrHelper(m_root.string());
    namespace misc = msr::misc_enable;
    // IA32_MISC_ENABLE as a Core 2 powers on: fast strings, automatic thermal
    // control, performance monitoring, SpeedStep.
    const uint64_t miscEnable = 0x850089;
    struct Case {
        const char* name;
        std::optional<uint64_t> held; // the register's value before the request; else the file's pattern
        Request request;
        int error; // 0: served
    };
    const Case cases[] = {
        {"read on CPU 1", {}, request(Operation::Read, 1, msr::IA32_THERM_STATUS), 0},
        {"write on CPU 2", {}, request(Operation::Write, 2, msr::IA32_CLOCK_MODULATION, 0x1E), 0},
        {"read of an unlisted register", {}, request(Operation::Read, 0, 0x3A), EPERM},
        {"write of a read-only register", {}, request(Operation::Write, 3, msr::IA32_THERM_STATUS, 1), EPERM},
        {"write of an unlisted register", {}, request(Operation::Write, 0, 0x1D9, 1), EPERM},
        {"CPU without a device", {}, request(Operation::Read, 900, msr::IA32_THERM_STATUS), ENOENT},
        {"turbo switched off", miscEnable,
         request(Operation::Write, 1, msr::IA32_MISC_ENABLE, misc::TurboDisengage.set(miscEnable, 1)), 0},
        {"SpeedStep off, the CPUID limit lifted", misc::LimitCpuidMaxValue.set(miscEnable, 1),
         request(Operation::Write, 0, msr::IA32_MISC_ENABLE, misc::EnhancedSpeedStep.set(miscEnable, 0)), 0},
        // Bits of listed registers that no program writes.
        {"no-execute protection off", miscEnable,
         request(Operation::Write, 0, msr::IA32_MISC_ENABLE, miscEnable | msr::bit(34).mask()), EPERM},
        {"automatic thermal control off", miscEnable,
         request(Operation::Write, 0, msr::IA32_MISC_ENABLE, misc::AutomaticThermalControl.set(miscEnable, 0)),
         EPERM},
        {"package power limit all ones", 0x00DD80C800148168,
         request(Operation::Write, 2, msr::MSR_PKG_POWER_LIMIT, ~0ull), EPERM},
        {"package power limit time window", 0x00DD80C800148168,
         request(Operation::Write, 2, msr::MSR_PKG_POWER_LIMIT,
                 msr::pkg_power_limit::TimeWindow1.set(0x00DD80C800148168, 0x7F)),
         EPERM},
        {"performance control junk", 0x1A00, request(Operation::Write, 3, msr::IA32_PERF_CTL, 0xDEADBEEFCAFEBABE),
         EPERM},
        {"performance control target ratio", 0x1A00, request(Operation::Write, 3, msr::IA32_PERF_CTL, 0x2200), EPERM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int cpu = static_cast<int>(c.request.cpu);
        if (c.held)
            put(cpu, c.request.index, *c.held);
        const std::string before = everything();
        const Reply reply = msrHelper.handle(c.request);
        EXPECT_EQ(reply.ok != 0, c.error == 0);
        EXPECT_EQ(reply.error, c.error);
        const bool wrote = c.error == 0 && c.request.operation == static_cast<uint32_t>(Operation::Write);
        if (wrote) {
            EXPECT_EQ(at(cpu, c.request.index), c.request.value);
        } else {
            EXPECT_EQ(everything(), before) << "a refused or read request changed a device file";
        }
        if (c.error == 0 && !wrote) {
            EXPECT_EQ(reply.value, at(cpu, c.request.index));
        }
    }
}

// Feeds `bytes` to the helper's conversation loop and returns its outcome
// and the replies it wrote.
std::pair<int, std::vector<Reply>> converse(helper::MsrHelper& msrHelper, const std::string& bytes)
{
    int in[2];
    int out[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, in), 0);
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, out), 0);
    EXPECT_EQ(::write(in[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::shutdown(in[1], SHUT_WR);
    const int outcome = msrHelper.serve(in[0], out[0]);
    ::shutdown(out[0], SHUT_WR);
    std::vector<Reply> replies;
    Reply reply;
    while (::read(out[1], &reply, sizeof reply) == sizeof reply)
        replies.push_back(reply);
    for (int fd : {in[0], in[1], out[0], out[1]})
        ::close(fd);
    return {outcome, replies};
}

std::string bytesOf(const Request& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }

TEST_F(FakeDeviceRoot, MalformedTruncatedAndRandomRequestsNeverReachADevice)
{
    helper::MsrHelper msrHelper(m_root.string());
    const std::string write = bytesOf(request(Operation::Write, 0, msr::IA32_CLOCK_MODULATION, 0x12));
    Request badMagic = request(Operation::Write, 0, msr::IA32_CLOCK_MODULATION, 0x12);
    badMagic.magic ^= 1;
    Request badOperation = request(Operation::Write, 0, msr::IA32_CLOCK_MODULATION, 0x12);
    badOperation.operation = 3;
    Request readWithValue = request(Operation::Read, 0, msr::IA32_CLOCK_MODULATION, 5);

    struct Case {
        const char* name;
        std::string bytes;
        size_t replies;
    };
    std::mt19937_64 random(20261208);
    std::string noise(24 * 64, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const Case cases[] = {
        {"wrong magic", bytesOf(badMagic), 1},
        {"unknown operation", bytesOf(badOperation), 1},
        {"read carrying a value", bytesOf(readWithValue), 1},
        {"truncated", write.substr(0, 23), 1},
        {"oversized: a request cut short after it", write.substr(0, 24) + write.substr(0, 7), 2},
        {"a request and a malformed one, sent together", write + bytesOf(badMagic), 2},
        {"random bytes", noise, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = everything();
        auto [outcome, replies] = converse(msrHelper, c.bytes);
        EXPECT_EQ(outcome, 1) << "the conversation must end";
        ASSERT_EQ(replies.size(), c.replies);
        EXPECT_FALSE(replies.back().ok);
        EXPECT_EQ(replies.back().error, EPROTO);
        if (c.replies == 1)
            EXPECT_EQ(everything(), before);
        else
            EXPECT_EQ(at(0, msr::IA32_CLOCK_MODULATION), 0x12u) << "the whole request before the cut is served";
    }
    // Input closed between two requests: a normal end.
    EXPECT_EQ(converse(msrHelper, write).first, 0);
}

// The helper as its own process, started as the monitor starts it (without
// pkexec here): the same readings as the direct backend on the same files.
TEST_F(FakeDeviceRoot, HelperBackendReadsWhatTheDirectBackendReads)
{
    platform::LinuxProcessor::Paths paths;
    paths.deviceRoot = m_root.string();
    platform::LinuxProcessor direct(paths);
    platform::HelperProcessor viaHelper({OSTREL_MSR_HELPER, "--device-root", m_root.string()}, paths);
    direct.initialise();
    viaHelper.initialise();
    ASSERT_EQ(direct.status(), 0);
    ASSERT_EQ(viaHelper.status(), 0);
    EXPECT_TRUE(viaHelper.capabilityTest());

    for (int cpu = 0; cpu < std::min<int>(kCpus, std::thread::hardware_concurrency()); ++cpu) {
        SCOPED_TRACE(cpu);
        ASSERT_FALSE(viaHelper.setThreadAffinity(platform::CpuSet::of(cpu)).empty());
        sched_yield();
        for (uint32_t index : {msr::IA32_THERM_STATUS, msr::IA32_PERF_STATUS, msr::MSR_TEMPERATURE_TARGET}) {
            uint32_t low1 = 0, high1 = 0, low2 = 1, high2 = 1;
            ASSERT_TRUE(direct.readMsr(index, low1, high1));
            ASSERT_TRUE(viaHelper.readMsr(index, low2, high2));
            EXPECT_EQ(low1, low2);
            EXPECT_EQ(high1, high2);
            // From the device of the CPU the thread is pinned to.
            EXPECT_EQ((uint64_t(high2) << 32) | low2, at(viaHelper.currentCpu(), index));
        }
        // A batch (more than one exchange carries) answers each register as a
        // single read does, an unlisted one refused in its place only.
        const uint32_t batchIndices[] = {msr::IA32_THERM_STATUS, 0x3A, msr::IA32_PERF_STATUS,
                                         msr::MSR_TEMPERATURE_TARGET};
        std::vector<platform::MsrRead> batch(41);
        for (size_t i = 0; i < batch.size(); ++i)
            batch[i].index = batchIndices[i % 4];
        viaHelper.readMsrs(batch);
        for (const platform::MsrRead& read : batch) {
            SCOPED_TRACE(read.index);
            EXPECT_EQ(read.ok, read.index != 0x3A);
            EXPECT_EQ(read.value, read.ok ? at(viaHelper.currentCpu(), read.index) : 0u);
        }
        ASSERT_TRUE(viaHelper.writeMsr(msr::IA32_CLOCK_MODULATION, 0x1A, 0));
        uint32_t low = 0, high = 0;
        ASSERT_TRUE(direct.readMsr(msr::IA32_CLOCK_MODULATION, low, high));
        EXPECT_EQ(low, 0x1Au);
        EXPECT_FALSE(viaHelper.readMsr(0x3A, low, high)) << "an unlisted register must be refused";
    }
    viaHelper.setThreadAffinity(platform::CpuSet::range(0, 1023));

    const pid_t helperPid = viaHelper.helperProcess();
    ASSERT_GT(helperPid, 0);
    viaHelper.deinitialise();
    EXPECT_NE(::kill(helperPid, 0), 0) << "the helper must end with the program's access layer";
}

// Run in a child of its own (a death test), where SIGPIPE has its default
// disposition: the program would end at a write to the gone helper unless the
// write holds the signal off, and nothing may change the disposition for the
// rest of the program.
std::string writeToAGoneHelper(const fs::path& root)
{
    std::signal(SIGPIPE, SIG_DFL);
    platform::HelperProcessor gone({OSTREL_MSR_HELPER, "--device-root", root.string()});
    gone.initialise();
    if (gone.status() != 0)
        return "the helper did not start";
    ::kill(gone.helperProcess(), SIGKILL);
    ::waitpid(gone.helperProcess(), nullptr, 0);
    uint32_t low = 0, high = 0;
    if (gone.readMsr(msr::IA32_THERM_STATUS, low, high))
        return "a read through a gone helper succeeded";
    struct sigaction action {};
    sigset_t blocked, pending;
    ::sigaction(SIGPIPE, nullptr, &action);
    ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    ::sigpending(&pending);
    if (action.sa_handler != SIG_DFL)
        return "the disposition of SIGPIPE was changed";
    if (sigismember(&blocked, SIGPIPE) || sigismember(&pending, SIGPIPE))
        return "SIGPIPE was left blocked or pending";
    return {};
}

TEST_F(FakeDeviceRoot, AGoneHelperFailsTheWriteWithoutSigpipe)
{
    EXPECT_EXIT(
        {
            const std::string failure = writeToAGoneHelper(m_root);
            std::fputs(failure.c_str(), stderr);
            std::_Exit(failure.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FakeDeviceRoot, AHelperThatCannotStartOrDiesIsADriverFailure)
{
    platform::HelperProcessor missing({(m_root / "no-such-helper").string()});
    missing.initialise();
    EXPECT_EQ(missing.status(), platform::StatusDriverNotLoaded);
    EXPECT_FALSE(missing.capabilityTest());

    platform::HelperProcessor noDevices({OSTREL_MSR_HELPER, "--device-root", (m_root / "empty").string()});
    noDevices.initialise();
    EXPECT_EQ(noDevices.status(), platform::StatusDriverNotFound);
    noDevices.deinitialise();

    platform::HelperProcessor dying({OSTREL_MSR_HELPER, "--device-root", m_root.string()});
    dying.initialise();
    ASSERT_EQ(dying.status(), 0);
    ::kill(dying.helperProcess(), SIGKILL);
    ::waitpid(dying.helperProcess(), nullptr, 0);
    uint32_t low = 0, high = 0;
    EXPECT_FALSE(dying.readMsr(msr::IA32_THERM_STATUS, low, high));
    EXPECT_EQ(dying.status(), platform::StatusUnknownError);
}

} // namespace
