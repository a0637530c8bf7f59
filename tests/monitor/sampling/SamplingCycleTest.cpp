// One tick of the sampling cycle and Reset, on a table-driven processor.
#include "hw/CoreMap.h"
#include "tests/support/CoreMasks.h"
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "hw/ProcessorInfo.h"
#include "monitor/sampling/SamplingCycle.h"
#include "monitor/settings/MonitorSettings.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace therm = msr::therm_status;
namespace modulation = msr::clock_modulation;

const std::string Degrees = "\xC2\xB0" "C";

uint64_t thermStatus(int readout, bool status = false, bool log = false)
{
    uint64_t value = therm::ReadingValid.set(0, 1);
    value = therm::DigitalReadout.set(value, static_cast<uint64_t>(readout));
    value = therm::ThermalStatus.set(value, status ? 1 : 0);
    return therm::ThermalStatusLog.set(value, log ? 1 : 0);
}

uint64_t onDemand(int duty) { return modulation::Enable.set(modulation::DutyCycle.set(0, static_cast<uint64_t>(duty)), 1); }

class SamplingCycleTest : public testing::Test {
protected:
    // A quad core with Hyper-Threading: core slot n is logical CPU 2n, whose
    // sibling 2n + 1 reads differently so that a read on the wrong CPU shows.
    explicit SamplingCycleTest(int cores = 4)
        : processor(fake::FakeProcessor::intel(0x106A5, "", apicIds(cores), 16, 8)), access(processor)
    {
        for (int cpu = 0; cpu < 2 * cores; ++cpu) {
            processor.setMsr(cpu, msr::IA32_THERM_STATUS, thermStatus(cpu % 2 == 0 ? 50 : 11));
            processor.setMsr(cpu, msr::IA32_CLOCK_MODULATION, cpu % 2 == 0 ? 0 : onDemand(1));
        }
        for (int slot = 0; slot < cores && slot < 4; ++slot)
            info.coreCpu[slot] = cpuOf(slot);
        info.tjMax.fill(100);
    }

    static std::vector<uint32_t> apicIds(int cores)
    {
        std::vector<uint32_t> ids;
        for (uint32_t id = 0; id < static_cast<uint32_t>(2 * cores); ++id)
            ids.push_back(id);
        return ids;
    }
    static int cpuOf(int slot) { return 2 * slot; }

    void setReadout(int slot, int readout, bool status = false, bool log = false)
    {
        processor.setMsr(cpuOf(slot), msr::IA32_THERM_STATUS, thermStatus(readout, status, log));
    }
    void setModulation(int slot, uint64_t value) { processor.setMsr(cpuOf(slot), msr::IA32_CLOCK_MODULATION, value); }

    fake::FakeProcessor processor;
    hw::HardwareAccess access;
    hw::ProcessorInfo info;
    monitor::MonitorSettings settings;
};

TEST_F(SamplingCycleTest, ReadsEachCoreOnItsOwnProcessor)
{
    setReadout(0, 45);
    setReadout(1, 40, false, true);
    setReadout(2, 0, true, true);
    setReadout(3, 78, true);
    info.tjMax[1] = 90;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.tick();

    const monitor::SampleSet& s = cycle.samples();
    const struct {
        const char* temperature;
        const char* readout;
        const char* status;
    } expected[] = {{"55", "45", "OK"}, {"50", "40", "LOG"}, {"100", "0", "HOT"}, {"150", "78", "--"}};
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(s.cores[slot].temperatureText, expected[slot].temperature) << slot;
        EXPECT_EQ(s.cores[slot].readoutText, expected[slot].readout) << slot;
        EXPECT_EQ(s.cores[slot].statusText, expected[slot].status) << slot;
    }
    EXPECT_EQ(s.tooltipText, "Core 0:  55" + Degrees + "\nCore 1:  50" + Degrees + "\nCore 2:  100" + Degrees +
                                 "\nCore 3:  150" + Degrees);
    EXPECT_EQ(s.captionText, "55" + Degrees + " 50" + Degrees + " 100" + Degrees + " 150" + Degrees);
    EXPECT_EQ(s.hottestTemperature, 150);
    EXPECT_EQ(s.closestReadout, 0);
    EXPECT_EQ(s.tickCount, 1);
    EXPECT_EQ(processor.currentCpu(), 0);
}

TEST_F(SamplingCycleTest, EmptySlotsAreSkippedAndKeepTheirTexts)
{
    info.coreCpu[1] = hw::NoCpu;
    info.coreCpu[3] = hw::NoCpu;
    setReadout(0, 60);
    setReadout(2, 30);
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.samples().cores[1].temperatureText = "old";
    cycle.tick();
    const monitor::SampleSet& s = cycle.samples();
    EXPECT_EQ(s.cores[1].temperatureText, "old");
    EXPECT_EQ(s.cores[3].minTemperature, 128);
    EXPECT_EQ(s.cores[2].temperatureText, "70");
    EXPECT_EQ(s.tooltipText, "Core 0:  40" + Degrees + "\nCore 2:  70" + Degrees);
}

TEST_F(SamplingCycleTest, ExtremesKeepTheTimeTheyWereFirstReached)
{
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    const monitor::CoreSample& core = cycle.samples().cores[0];
    const struct {
        int readout;
        int second;
        const char* minTime;
        const char* maxTime;
        int min;
        int max;
    } ticks[] = {
        {50, 1, "10:00:01", "10:00:01", 50, 50},
        {50, 2, "10:00:01", "10:00:01", 50, 50}, // equal reading: no move
        {45, 3, "10:00:01", "10:00:03", 50, 55},
        {52, 4, "10:00:04", "10:00:03", 48, 55},
        {45, 5, "10:00:04", "10:00:03", 48, 55},
    };
    for (const auto& t : ticks) {
        setReadout(0, t.readout);
        processor.setTime(10, 0, t.second);
        cycle.tick();
        EXPECT_EQ(monitor::clockText(core.minTemperatureTime), t.minTime) << t.second;
        EXPECT_EQ(monitor::clockText(core.maxTemperatureTime), t.maxTime) << t.second;
        EXPECT_EQ(core.minTemperature, t.min);
        EXPECT_EQ(core.maxTemperature, t.max);
    }
    EXPECT_EQ(core.minTemperatureText, "48" + Degrees);
    EXPECT_EQ(core.maxTemperatureText, "55" + Degrees);
    EXPECT_EQ(core.minReadout, 45);
    EXPECT_EQ(core.maxReadout, 52);
    EXPECT_EQ(core.temperatureSum, 50 + 50 + 55 + 48 + 55);
    EXPECT_EQ(core.readoutSum, 50 + 50 + 45 + 52 + 45);
    EXPECT_EQ(monitor::averageOf(core.temperatureSum, cycle.samples().tickCount), 52); // 51.6 + 0.5
}

TEST_F(SamplingCycleTest, ResetClearsBookkeepingAndHandsOver)
{
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    std::vector<std::string> order;
    cycle.setResetStep(monitor::ResetStep::WindowRefresh, [&] { order.push_back("window"); });
    cycle.setResetStep(monitor::ResetStep::GpuExtremes, [&] { order.push_back("gpu"); });
    cycle.setGpuReading([] { return std::optional<int>(60); });
    processor.setTime(9, 0, 0);
    cycle.tick();
    cycle.tick();
    processor.setTime(9, 30, 0);
    cycle.reset();

    const monitor::SampleSet& s = cycle.samples();
    EXPECT_EQ(order, (std::vector<std::string>{"gpu", "window"}));
    EXPECT_EQ(s.tickCount, 0);
    EXPECT_EQ(s.averagingStart.tm_min, 30);
    for (const monitor::CoreSample& core : s.cores) {
        EXPECT_EQ(core.minTemperature, 256);
        EXPECT_EQ(core.maxTemperature, -64);
        EXPECT_EQ(core.minReadout, 128);
        EXPECT_EQ(core.maxReadout, -64);
        EXPECT_EQ(core.temperatureSum, 0);
        EXPECT_EQ(core.readoutSum, 0);
        EXPECT_EQ(core.minTemperatureText, "");
        EXPECT_FALSE(core.maxTemperatureTime.has_value());
    }
    EXPECT_EQ(s.gpu.minTemperature, 256);
    EXPECT_EQ(s.gpu.maxTemperature, -64);
    EXPECT_EQ(s.gpu.temperatureSum, 0);

    cycle.tick();
    EXPECT_EQ(s.cores[0].minTemperature, 50);
    EXPECT_EQ(s.cores[0].maxTemperature, 50);
    EXPECT_EQ(s.gpu.minTemperature, 60);
    EXPECT_EQ(s.tickCount, 1);
}

TEST_F(SamplingCycleTest, FahrenheitAndUnitText)
{
    settings.Fahrenheit = true;
    settings.unitText = "\xC2\xB0" "F";
    setReadout(0, 63); // 37 °C
    setReadout(1, 101); // -1 °C
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.setGpuReading([] { return std::optional<int>(-1); });
    cycle.tick();
    const monitor::SampleSet& s = cycle.samples();
    EXPECT_EQ(s.cores[0].temperature, 99);
    EXPECT_EQ(s.cores[1].temperature, 30);
    EXPECT_EQ(s.cores[1].minTemperatureText, "30\xC2\xB0" "F");
    EXPECT_EQ(s.gpu.temperature, 30);
    EXPECT_EQ(s.gpuText, "GPU  30\xC2\xB0" "F");
}

TEST_F(SamplingCycleTest, IdleCalibrationAndFormulaByBuild)
{
    settings.Idle[0] = 20;
    settings.OldFormula = 1;
    setReadout(0, 40);
    monitor::SamplingCycle fourCore(access, info, settings, hw::FourCoreBuild);
    fourCore.tick();
    EXPECT_EQ(fourCore.samples().cores[0].temperature, 60);
    // The six-core build has only the current formula.
    monitor::SamplingCycle sixCore(access, info, settings, hw::SixCoreBuild);
    sixCore.tick();
    EXPECT_EQ(sixCore.samples().cores[0].temperature, 62);
    settings.OldFormula = 0;
    fourCore.tick();
    EXPECT_EQ(fourCore.samples().cores[0].temperature, 62);
}

TEST_F(SamplingCycleTest, AlarmFromCoresAndGpu)
{
    settings.Alarm = 1;
    settings.Alarm1 = 60;
    settings.Alarm2 = 80;
    std::optional<int> gpu;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.setGpuReading([&] { return gpu; });
    bool seenByAlarmStep = false;
    cycle.setStep(monitor::CycleStep::Alarm, [&] { seenByAlarmStep = cycle.samples().alarmThisTick; });

    const struct {
        int readout;
        std::optional<int> gpu;
        int alarmOn;
        bool alarm;
    } ticks[] = {{41, std::nullopt, 1, false}, {40, std::nullopt, 1, true}, {41, 79, 1, false},
                 {41, 80, 1, true},             {30, 90, 0, false}};
    for (const auto& t : ticks) {
        setReadout(2, t.readout);
        gpu = t.gpu;
        settings.Alarm = t.alarmOn;
        cycle.tick();
        EXPECT_EQ(cycle.samples().alarmThisTick, t.alarm) << t.readout;
        EXPECT_EQ(seenByAlarmStep, t.alarm);
    }
}

TEST_F(SamplingCycleTest, ClockModulationHeadingChangesOnlyWithTheDuty)
{
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    const monitor::SampleSet& s = cycle.samples();
    const struct {
        uint64_t core1;
        uint64_t core2;
        const char* heading;
        bool changed;
    } ticks[] = {
        {0, 0, "Thermal Status", false},
        {onDemand(5), onDemand(3), "Clock Modulation  37.5%", true},
        {onDemand(3), onDemand(5), "Clock Modulation  37.5%", false},
        {onDemand(7), 0, "Clock Modulation  87.5%", true},
        {onDemand(0), onDemand(4), "Clock Modulation  50.0%", true},
        {modulation::DutyCycle.set(0, 2), 0, "Thermal Status", true}, // a duty without the enable bit is off
    };
    for (const auto& t : ticks) {
        setModulation(1, t.core1);
        setModulation(2, t.core2);
        cycle.tick();
        EXPECT_EQ(s.modulationHeading, t.heading);
        EXPECT_EQ(s.modulationHeadingChanged, t.changed) << t.heading;
    }
}

TEST_F(SamplingCycleTest, FourthTickStopsClockThreadOnlyWithKillMhz)
{
    const struct {
        bool killMhz;
        int flagBefore;
        int flagAfterThird;
        int flagAfterFourth;
    } cases[] = {{true, 1, 1, -1}, {false, 1, 1, 1}, {true, 0, 0, 0}};
    for (const auto& c : cases) {
        info.killMhz = c.killMhz;
        std::atomic<int> flag(c.flagBefore);
        monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
        cycle.attachClockThread(&flag);
        for (int n = 0; n < 3; ++n)
            cycle.tick();
        EXPECT_EQ(flag.load(), c.flagAfterThird);
        cycle.tick();
        EXPECT_EQ(flag.load(), c.flagAfterFourth);
        flag = 1;
        cycle.tick();
        EXPECT_EQ(flag.load(), 1) << "only the fourth tick asks";
    }
}

TEST_F(SamplingCycleTest, LaterStepsRunInTheirOrderAfterTheGpu)
{
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    std::vector<std::string> order;
    cycle.setGpuReading([&] {
        order.push_back("gpu:" + cycle.samples().cores[3].temperatureText);
        return std::optional<int>(50);
    });
    const std::pair<monitor::CycleStep, const char*> steps[] = {
        {monitor::CycleStep::PushTexts, "push"},     {monitor::CycleStep::Log, "log"},
        {monitor::CycleStep::Alarm, "alarm"},         {monitor::CycleStep::MaxIcon, "max"},
        {monitor::CycleStep::Measurement, "measure"}, {monitor::CycleStep::CoreIcons, "icons"},
        {monitor::CycleStep::HeadingStyle, "heading"}, {monitor::CycleStep::WindowCaption, "caption"}};
    for (const auto& [step, name] : steps)
        cycle.setStep(step, [&order, name = std::string(name)] { order.push_back(name); });
    cycle.tick();
    EXPECT_EQ(order, (std::vector<std::string>{"gpu:50", "alarm", "icons", "caption", "measure", "log", "max",
                                               "heading", "push"}));
}

// A six-core processor: the four-core build samples slots 0-3, the six-core build 0-5.
class SixCoreCycleTest : public SamplingCycleTest {
protected:
    SixCoreCycleTest() : SamplingCycleTest(6)
    {
        for (int slot = 0; slot < 6; ++slot) {
            info.coreCpu[slot] = cpuOf(slot);
            setReadout(slot, 60 - slot);
        }
    }
};

TEST_F(SixCoreCycleTest, SlotsByBuild)
{
    monitor::SamplingCycle fourCore(access, info, settings, hw::FourCoreBuild);
    fourCore.tick();
    EXPECT_EQ(fourCore.samples().captionText, "40" + Degrees + " 41" + Degrees + " 42" + Degrees + " 43" + Degrees);
    EXPECT_EQ(fourCore.samples().cores[4].temperatureText, "");

    monitor::SamplingCycle sixCore(access, info, settings, hw::SixCoreBuild);
    sixCore.tick();
    EXPECT_EQ(sixCore.samples().cores[4].temperatureText, "44");
    EXPECT_EQ(sixCore.samples().cores[5].statusText, "OK");
    EXPECT_EQ(sixCore.samples().hottestTemperature, 45);
}

// A dual core with Hyper-Threading whose cores have APIC ids 0 and 4: the
// second core maps to slot 2 and is shown, and read, in slot 1.
TEST(DualCoreHyperThreadingTest, SecondCoreIsShownInSlotOne)
{
    fake::FakeProcessor processor = fake::FakeProcessor::intel(0x20655, "", {0, 1, 4, 5}, 16, 8);
    const int readouts[] = {40, 11, 30, 12};
    for (int cpu = 0; cpu < 4; ++cpu) {
        processor.setMsr(cpu, msr::IA32_THERM_STATUS, thermStatus(readouts[cpu]));
        processor.setMsr(cpu, msr::IA32_CLOCK_MODULATION, 0);
    }
    hw::HardwareAccess access(processor);
    hw::ProcessorInfo info;
    info.tjMax.fill(100);
    hw::mapCores(access, info);
    EXPECT_EQ(info.coreCpu[2], 2);
    hw::selectPackage(info, 0, hw::FourCoreBuild);
    EXPECT_EQ(fake::coreMasks(info.coreCpu), (fake::CoreMasks{1, 1u << 2, 0, 0, 0, 0, 0, 0}));

    monitor::MonitorSettings settings;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.tick();
    EXPECT_EQ(cycle.samples().cores[0].temperatureText, "60");
    EXPECT_EQ(cycle.samples().cores[1].temperatureText, "70");
    EXPECT_EQ(cycle.samples().cores[2].temperatureText, "");
    EXPECT_EQ(cycle.samples().tooltipText, "Core 0:  60" + Degrees + "\nCore 1:  70" + Degrees);
}

} // namespace
