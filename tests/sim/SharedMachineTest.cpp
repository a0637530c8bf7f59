// Simulated processors on one machine share its registers, counters and
// temperatures, as programs on one computer do; the machine's file goes with
// its last holder and survives holders that were killed.

#include "SimTestSupport.h"

#include "sim/SimulatedMachine.h"

#include <csignal>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace msr;

std::string freshMachineName()
{
    static int count = 0;
    return "machine-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
}

std::string machineFile(const std::string& name, const std::string& profile)
{
    return sim::SimulatedMachine::defaultFolder() + "/" + name + "." + profile;
}

std::unique_ptr<sim::SimulatedProcessor> onMachine(const std::string& name, double load,
                                                   std::shared_ptr<sim::Clock> clock = nullptr)
{
    sim::Options options = simtest::Rig::fixedLoad(load);
    options.machineName = name;
    if (!clock)
        clock = std::make_shared<sim::ManualClock>();
    sim::SimulatedCreation created = sim::createSimulatedProcessor("i7-2600k", options, clock);
    EXPECT_TRUE(created.processor) << created.error;
    return std::move(created.processor);
}

uint64_t read(sim::SimulatedProcessor& processor, int cpu, uint32_t index)
{
    EXPECT_NE(simtest::setThreadMask(processor, 1u << cpu), 0u);
    uint32_t low = 0, high = 0;
    EXPECT_TRUE(processor.readMsr(index, low, high));
    return join(low, high);
}

void write(sim::SimulatedProcessor& processor, int cpu, uint32_t index, uint64_t value)
{
    EXPECT_NE(simtest::setThreadMask(processor, 1u << cpu), 0u);
    EXPECT_TRUE(processor.writeMsr(index, lowHalf(value), highHalf(value)));
}

uint64_t ratio(sim::SimulatedProcessor& processor) { return perf_status::OperatingRatio.get(read(processor, 0, IA32_PERF_STATUS)); }

void disableTurbo(sim::SimulatedProcessor& processor)
{
    uint64_t misc = read(processor, 0, IA32_MISC_ENABLE);
    write(processor, 0, IA32_MISC_ENABLE, misc_enable::TurboDisengage.set(misc, 1));
}

// Two programs on one machine, and a third on a machine of its own, on one clock.
struct TwoHoldersAndOneElsewhere {
    std::string name = freshMachineName();
    std::shared_ptr<sim::ManualClock> clock = std::make_shared<sim::ManualClock>();
    std::unique_ptr<sim::SimulatedProcessor> first, second, elsewhere;

    explicit TwoHoldersAndOneElsewhere(double load)
        : first(onMachine(name, load, clock)), second(onMachine(name, load, clock)),
          elsewhere(onMachine(freshMachineName(), load, clock))
    {
    }
    bool ready() const { return first && second && elsewhere; }
};

TEST(SharedMachine, ProcessorsOnOneMachineSeeEachOthersWrites)
{
    TwoHoldersAndOneElsewhere machines(100);
    ASSERT_TRUE(machines.ready());
    auto& [name, clock, first, second, elsewhere] = machines;
    EXPECT_EQ(ratio(*second), 35u);

    disableTurbo(*first);
    EXPECT_EQ(ratio(*second), 34u) << "the other processor drops to the base ratio";
    EXPECT_EQ(ratio(*elsewhere), 35u) << "another machine is another computer";

    clock->advanceSeconds(30.0);
    EXPECT_EQ(first->coreCelsius(1), second->coreCelsius(1)) << "one set of temperatures";
    EXPECT_EQ(read(*first, 3, IA32_TIME_STAMP_COUNTER), read(*second, 3, IA32_TIME_STAMP_COUNTER));
}

TEST(SharedMachine, AWriteByOneProgramChangesTheCountsAnotherReads)
{
    std::string name = freshMachineName();
    auto clock = std::make_shared<sim::ManualClock>();
    auto writer = onMachine(name, 100, clock);
    auto reader = onMachine(name, 100, clock);
    ASSERT_TRUE(writer && reader);
    const auto mperfOverOneSecond = [&] {
        uint64_t before = read(*reader, 2, IA32_MPERF);
        clock->advanceSeconds(1.0);
        return double(read(*reader, 2, IA32_MPERF) - before);
    };
    const double full = mperfOverOneSecond();
    write(*writer, 2, IA32_CLOCK_MODULATION, clock_modulation::DutyCycle.set(clock_modulation::Enable.set(0, 1), 4));
    EXPECT_NEAR(mperfOverOneSecond() / full, 0.5, 1e-6) << "the reader counts at the duty the writer set";
}

// Each holder brings the whole machine up to date before it changes a rate,
// with the rates the other holder set before: the counts come out as on a
// machine where one program made both changes.
TEST(SharedMachine, RateChangesByEitherHolderKeepWhatWasCounted)
{
    TwoHoldersAndOneElsewhere machines(30);
    ASSERT_TRUE(machines.ready());
    auto& [name, clock, first, second, alone] = machines;
    clock->advanceSeconds(1.0);
    first->setLoad(3, 100);
    alone->setLoad(3, 100);
    clock->advanceSeconds(1.0);
    second->setLoad(5, 100);
    alone->setLoad(5, 100);
    clock->advanceSeconds(1.0);
    for (int cpu : {3, 5, 7}) {
        for (uint32_t index : {IA32_APERF, IA32_MPERF, MSR_PKG_ENERGY_STATUS}) {
            const uint64_t shared = read(*first, cpu, index), single = read(*alone, cpu, index);
            EXPECT_LE(shared > single ? shared - single : single - shared, 1u)
                << std::hex << "register 0x" << index << std::dec << " on cpu " << cpu;
        }
    }
}

TEST(SharedMachine, TheLastHolderRemovesTheFile)
{
    std::string name = freshMachineName();
    std::string file = machineFile(name, "i7-2600k");
    auto first = onMachine(name, 0);
    auto second = onMachine(name, 0);
    EXPECT_TRUE(std::filesystem::exists(file));
    first.reset();
    EXPECT_TRUE(std::filesystem::exists(file));
    second.reset();
    EXPECT_FALSE(std::filesystem::exists(file));
}

// A child attaches to the machine, does `work`, tells the parent and waits to be killed.
template <typename Work>
void runAndKill(Work work)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        work();
        char done = 'x';
        (void)!::write(ready[1], &done, 1);
        while (true)
            ::pause();
    }
    char done = 0;
    EXPECT_EQ(::read(ready[0], &done, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(SharedMachine, AHolderKilledHoldingTheLockPassesItOn)
{
    std::string name = freshMachineName();
    auto survivor = onMachine(name, 100);
    ASSERT_TRUE(survivor);
    runAndKill([&] {
        // Another process switches turbo off, then dies in the middle of an update.
        auto other = onMachine(name, 100);
        disableTurbo(*other);
        other.release();
        sim::MachineOpening opening = sim::SimulatedMachine::openShared(*sim::findProfile("i7-2600k"), name);
        if (!opening.machine)
            ::_exit(2);
        opening.machine->lock();
        opening.machine.release();
    });
    EXPECT_EQ(ratio(*survivor), 34u) << "the other process's switch shows here, and the lock was passed on";
    auto next = onMachine(name, 100);
    ASSERT_TRUE(next);
    uint64_t misc = read(*next, 0, IA32_MISC_ENABLE);
    EXPECT_TRUE(misc_enable::TurboDisengage.test(misc)) << "a newcomer joins the running machine";
    write(*next, 0, IA32_MISC_ENABLE, misc_enable::TurboDisengage.set(misc, 0));
    EXPECT_EQ(ratio(*survivor), 35u);
}

TEST(SharedMachine, AMachineLeftByKilledProgramsPowersOnAgain)
{
    std::string name = freshMachineName();
    runAndKill([&] {
        auto doomed = onMachine(name, 100);
        disableTurbo(*doomed);
        doomed.release();
    });
    EXPECT_TRUE(std::filesystem::exists(machineFile(name, "i7-2600k"))) << "nobody detached";
    auto next = onMachine(name, 100);
    ASSERT_TRUE(next);
    EXPECT_FALSE(misc_enable::TurboDisengage.test(read(*next, 0, IA32_MISC_ENABLE))) << "power-on state";
    EXPECT_EQ(ratio(*next), 35u);
    next.reset();
    EXPECT_FALSE(std::filesystem::exists(machineFile(name, "i7-2600k")));
}

// Another program of the user's writes over the file of a running machine or
// cuts it short. Programs that come later are refused with the message; the
// holders neither crash nor hang, and carry on with a machine of their own,
// powered on afresh.
struct Damage {
    const char* name;
    std::function<void(const std::string& file)> apply;
};

void overwrite(const std::string& file, off_t offset, const std::string& bytes)
{
    const int fd = ::open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

class DamagedMachineFile : public testing::TestWithParam<Damage> {};

TEST_P(DamagedMachineFile, RefusesNewcomersAndHoldersCarryOnAlone)
{
    const std::string name = freshMachineName();
    const std::string file = machineFile(name, "i7-2600k");
    auto clock = std::make_shared<sim::ManualClock>();
    auto holder = onMachine(name, 100, clock);
    auto other = onMachine(name, 100, clock);
    ASSERT_TRUE(holder && other);
    disableTurbo(*holder);
    ASSERT_EQ(ratio(*other), 34u);

    GetParam().apply(file);

    sim::Options options = simtest::Rig::fixedLoad(100);
    options.machineName = name;
    sim::SimulatedCreation newcomer = sim::createSimulatedProcessor("i7-2600k", options, clock);
    EXPECT_FALSE(newcomer.processor);
    EXPECT_NE(newcomer.error.find("belongs to another build of these programs, or another program changed it"),
              std::string::npos)
        << newcomer.error;

    for (sim::SimulatedProcessor* processor : {holder.get(), other.get()}) {
        EXPECT_FALSE(misc_enable::TurboDisengage.test(read(*processor, 0, IA32_MISC_ENABLE))) << "powered on afresh";
        EXPECT_EQ(ratio(*processor), 35u);
        const uint64_t before = read(*processor, 1, IA32_TIME_STAMP_COUNTER);
        clock->advanceSeconds(1.0);
        EXPECT_GT(read(*processor, 1, IA32_TIME_STAMP_COUNTER), before);
    }
    disableTurbo(*holder);
    EXPECT_EQ(ratio(*other), 35u) << "each holder now has a machine of its own";
    holder.reset();
    other.reset();
    EXPECT_FALSE(std::filesystem::exists(file)) << "the last holder removes the broken file";
}

INSTANTIATE_TEST_SUITE_P(
    SharedMachine, DamagedMachineFile,
    testing::Values(Damage{"HeaderOverwritten", [](const std::string& file) { overwrite(file, 0, "not a machine"); }},
                    Damage{"ProfileOverwritten", [](const std::string& file) { overwrite(file, 16, "e8400"); }},
                    Damage{"TruncatedToNothing", [](const std::string& file) { ASSERT_EQ(::truncate(file.c_str(), 0), 0); }},
                    Damage{"TruncatedAfterOnePage",
                           [](const std::string& file) { ASSERT_EQ(::truncate(file.c_str(), 4096), 0); }}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

} // namespace
