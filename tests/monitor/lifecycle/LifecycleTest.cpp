// The monitor's start-up order, the work of a tick, suspend and resume, and
// the shutdown, on simulated processors.

#include "tests/hw/RecordingMessages.h"

#include "hw/BuildFlavour.h"
#include "registers/MsrIndex.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/lifecycle/MonitorShutdown.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "monitor/lifecycle/PowerEvents.h"
#include "monitor/settings/PackedPosition.h"
#include "platform/IniFile.h"
#include "sim/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace {

namespace fs = std::filesystem;
using namespace monitor;

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ostrel-lifecycle-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        iniPath = (dir / "Ostrel.ini").string();
    }
    void TearDown() override
    {
        records.reset();
        cpu.reset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void create(const std::string& profile, const std::string& settingsText)
    {
        std::ofstream(iniPath) << settingsText;
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 30;
        options.pinnedReadouts = {40, 40, 40, 40};
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
        ASSERT_TRUE(created.processor) << created.error;
        cpu = std::move(created.processor);
        records = std::make_unique<MonitorRecords>(*cpu, hw::FourCoreBuild, iniPath);
    }

    StartupOutcome start() { return RunStartup(*records, messages); }

    // Position of the first write to `index` in the write list; -1 when none.
    long firstWrite(uint32_t index) const
    {
        const std::vector<sim::WriteRecord> writes = cpu->writes();
        const auto found = std::find_if(writes.begin(), writes.end(),
                                        [&](const sim::WriteRecord& w) { return w.index == index; });
        return found == writes.end() ? -1 : long(found - writes.begin());
    }

    std::set<int> cpusWritten(uint32_t index, uint64_t value) const
    {
        std::set<int> cpus;
        for (const sim::WriteRecord& w : cpu->writes())
            if (w.index == index && w.value == value)
                cpus.insert(w.cpu);
        return cpus;
    }

    fs::path dir;
    std::string iniPath;
    std::unique_ptr<sim::SimulatedProcessor> cpu;
    std::unique_ptr<MonitorRecords> records;
    fake::RecordingMessages messages;
};

const std::set<int> AllEight{0, 1, 2, 3, 4, 5, 6, 7};

TEST_F(Lifecycle, StartupProgramsCountersThenStoredLimitsThenClockModulation)
{
    create("i7-2600k", "[Ostrel]\nClockMod=24\n[Pavolt]\nOneADEAX=0x22232425\nOneADEDX=0\n");
    ASSERT_EQ(start(), StartupOutcome::Running);
    EXPECT_TRUE(messages.shown.empty());

    const long counters = firstWrite(msr::IA32_PERFEVTSEL0);
    const long ratios = firstWrite(msr::MSR_TURBO_RATIO_LIMIT);
    const long modulation = firstWrite(msr::IA32_CLOCK_MODULATION);
    ASSERT_GE(counters, 0);
    ASSERT_GE(ratios, 0);
    ASSERT_GE(modulation, 0);
    EXPECT_LT(counters, ratios);
    EXPECT_LT(ratios, modulation);
    EXPECT_EQ(cpusWritten(msr::IA32_CLOCK_MODULATION, 24), AllEight);
    EXPECT_EQ(cpusWritten(msr::MSR_TURBO_RATIO_LIMIT, 0x22232425), AllEight);

    EXPECT_TRUE(records->running());
    EXPECT_EQ(records->signatureText, "206A7");
    EXPECT_EQ(records->info.tjMax[0], 98);
    EXPECT_EQ(records->info.tjMaxDetected[0], 98);
    EXPECT_TRUE(records->clockThread.running());
    EXPECT_FALSE(records->loadThread.started());
}

TEST_F(Lifecycle, TjMaxOverrideReachesTheSamplingAndTMLoadStartsTheLoadThread)
{
    create("i7-2600k", "[Ostrel]\nTjMax1=105\nTjMax2=69\nTMLoad=1\n");
    ASSERT_EQ(start(), StartupOutcome::Running);
    EXPECT_EQ(records->info.tjMax[1], 105);
    EXPECT_EQ(records->info.tjMaxDetected[1], 98);
    EXPECT_EQ(records->info.tjMax[2], 98);
    EXPECT_TRUE(records->loadThread.started());
    RunTimerTick(*records);
    EXPECT_EQ(records->cycle->samples().cores[1].temperature, 105 - 40);
}

// Reading the settings only reads: start-up opens the GPU sensors with the
// key GPU before the keys that depend on them, and acts on the stored turbo
// limits (nehalemClass only) and ClockMod after them.
TEST_F(Lifecycle, StartupOpensTheGpuSensorsBeforeTheKeysAndActsOnThemAfter)
{
    for (const bool nehalemClass : {true, false}) {
        SCOPED_TRACE(nehalemClass);
        records.reset();
        create(nehalemClass ? "i7-2600k" : "q9550",
               "[Ostrel]\nGPU=2\nPollInterval=9\nClockMod=24\n[Pavolt]\nOneADEAX=0x22232425\n");
        int gpuKey = -1;
        long writesBeforeSensors = -1;
        StartupHooks hooks;
        hooks.openGpuSensors = [&](MonitorSettings& s) {
            gpuKey = s.GPU;
            writesBeforeSensors = long(cpu->writes().size());
            s.atiPresent = (s.GPU & 2) != 0;
        };
        ASSERT_EQ(RunStartup(*records, messages, hooks), StartupOutcome::Running);

        EXPECT_EQ(gpuKey, 2);
        EXPECT_EQ(records->settings->PollInterval, 9); // read because the ATI sensor works
        EXPECT_GE(firstWrite(msr::IA32_CLOCK_MODULATION), writesBeforeSensors);
        EXPECT_TRUE(cpusWritten(msr::IA32_CLOCK_MODULATION, 24).contains(0));
        if (nehalemClass) {
            EXPECT_GE(firstWrite(msr::MSR_TURBO_RATIO_LIMIT), writesBeforeSensors);
            EXPECT_EQ(records->settings->OneADEAX, 0x22232425u);
        } else {
            EXPECT_EQ(firstWrite(msr::MSR_TURBO_RATIO_LIMIT), -1);
            EXPECT_EQ(records->settings->OneADEAX, 0u);
        }
    }
}

TEST_F(Lifecycle, EveryTickReprogramsTheCountersOnEveryProcessor)
{
    create("i7-2600k", "[Ostrel]\n");
    ASSERT_EQ(start(), StartupOutcome::Running);
    cpu->clearWrites();
    RunTimerTick(*records);
    EXPECT_EQ(records->cycle->samples().tickCount, 1);
    std::set<int> select0, select1, global;
    for (const sim::WriteRecord& w : cpu->writes()) {
        if (w.index == msr::IA32_PERFEVTSEL0 && msr::lowHalf(w.value) == msr::perfevtsel::UnhaltedCoreCycles)
            select0.insert(w.cpu);
        if (w.index == msr::IA32_PERFEVTSEL1 && msr::lowHalf(w.value) == msr::perfevtsel::UnhaltedReferenceCycles)
            select1.insert(w.cpu);
        if (w.index == msr::IA32_PERF_GLOBAL_CTRL && msr::perf_global_ctrl::Pmc0Enable.test(w.value) &&
            msr::perf_global_ctrl::Pmc1Enable.test(w.value))
            global.insert(w.cpu);
    }
    EXPECT_EQ(select0, AllEight);
    EXPECT_EQ(select1, AllEight);
    EXPECT_EQ(global, AllEight);
}

TEST_F(Lifecycle, ShutdownSavesTheKeysWritesTheLogAndTurnsModulationOff)
{
    const std::string logName = (dir / "templog").string();
    create("i7-2600k", "[Ostrel]\nClockMod=24\nMinimizeOnClose=1\nInfoWindowIndex=2\nLogFile=1\nLogInterval=1\n"
                       "HDWrite=86400\nLogFileName=" + logName + "\n");
    ASSERT_EQ(start(), StartupOutcome::Running);
    records->settings->MinimizeOnClose = false; // as after Alt+F4: not saved
    RunTimerTick(*records);
    RunTimerTick(*records);
    ASSERT_FALSE(records->log.buffer().empty());

    ExitState exit;
    exit.windowTopLeft = ScreenPoint{100, 50};
    const ShutdownReport report = RunShutdown(*records, exit);

    EXPECT_TRUE(report.threads.clockThreadEnded);
    EXPECT_EQ(report.settingsSaved, WriteResult::Written);
    EXPECT_TRUE(report.logWritten);
    EXPECT_FALSE(records->running());
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(cpu->peek(n, msr::IA32_CLOCK_MODULATION), 0u) << "cpu " << n;

    const platform::IniFile ini(iniPath);
    EXPECT_EQ(ini.readInt("Ostrel", "ClockMod", -1), 24); // as the processor had it
    EXPECT_EQ(ini.readInt("Ostrel", "WindowXY", 0), packPosition({100, 50}));
    EXPECT_EQ(ini.readString("Ostrel", "MiniMode", ""), "0");
    EXPECT_EQ(ini.readString("Ostrel", "IconShow", ""), "1");
    EXPECT_EQ(ini.readInt("Ostrel", "InfoWindowIndex", -1), 2);
    EXPECT_EQ(ini.readString("Ostrel", "MinimizeOnClose", ""), "1"); // untouched
    EXPECT_EQ(ini.readString("Ostrel", "AnchorXY", "absent"), "absent");

    std::ifstream log(logName + ".txt");
    std::string header, line;
    ASSERT_TRUE(std::getline(log, header));
    EXPECT_EQ(header.rfind("  DATE", 0), 0u) << header;
    ASSERT_TRUE(std::getline(log, line));
}

TEST_F(Lifecycle, ShutdownWithoutAWindowRectangleKeepsTheStoredPosition)
{
    create("i7-2600k", "[Ostrel]\nWindowXY=12345678\n");
    ASSERT_EQ(start(), StartupOutcome::Running);
    RunShutdown(*records, ExitState{});
    EXPECT_EQ(platform::IniFile(iniPath).readInt("Ostrel", "WindowXY", 0), 12345678);
}

struct PowerCase {
    const char* profile;
    bool restoresLimits;
};

class PowerBroadcast : public Lifecycle, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(PowerBroadcast, ResumeRestoresTheLimitsOrRecalibrates)
{
    create(GetParam().profile, "[Ostrel]\n");
    ASSERT_EQ(start(), StartupOutcome::Running);
    int recalibrations = 0;
    PowerEvents power(records->access, records->info, [&] { ++recalibrations; });

    // A resume without a suspend before it has nothing to restore.
    cpu->clearWrites();
    power.resumed();
    if (GetParam().restoresLimits) {
        EXPECT_TRUE(cpu->writes().empty());
    }

    const uint64_t before = *cpu->peek(0, msr::MSR_TURBO_RATIO_LIMIT);
    power.suspending();
    for (int n = 0; n < cpu->cpuCount(); ++n)
        cpu->poke(n, msr::MSR_TURBO_RATIO_LIMIT, 0x1A1A1A1A); // what the firmware left after the sleep
    power.resumed();

    if (GetParam().restoresLimits) {
        EXPECT_EQ(recalibrations, 0);
        EXPECT_EQ(power.savedRatioLimit(), before);
        for (int n = 0; n < 8; ++n)
            EXPECT_EQ(cpu->peek(n, msr::MSR_TURBO_RATIO_LIMIT), before) << "cpu " << n;
    } else {
        EXPECT_EQ(recalibrations, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(ProcessorClass, PowerBroadcast,
                         ::testing::Values(PowerCase{"i7-2600k", true}, PowerCase{"e8400", false}));

} // namespace
