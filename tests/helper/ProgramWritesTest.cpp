// Every register write the programs make passes the helper's bit masks: the
// real write paths of the monitor (both builds) and the turbo monitor run on
// every simulated processor, and each write is checked against the
// register's value just before it, as the helper checks it. A field added to
// a write without its bits in the access list fails here.

#include "tests/hw/RecordingMessages.h"

#include "hw/BuildFlavour.h"
#include "registers/MsrIndex.h"
#include "registers/RegisterAccessList.h"
#include "monitor/lifecycle/ClockModulation.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/lifecycle/MonitorShutdown.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "monitor/lifecycle/PowerEvents.h"
#include "monitor/controls/FeatureSwitches.h"
#include "monitor/controls/PowerLimitRegisters.h"
#include "monitor/controls/TurboLimitRegisters.h"
#include "platform/ForwardingProcessor.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/ProcessorSwitches.h"
#include "turbo/TurboSampler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using hw::SwitchState;

// Reads the register before each write and keeps the writes that would
// change a bit the helper refuses to change. A register that cannot be read
// cannot be written either (the processor faults both): the helper refuses
// that write as the processor would.
class MaskCheckingProcessor : public platform::ForwardingProcessor {
public:
    explicit MaskCheckingProcessor(std::unique_ptr<sim::SimulatedProcessor> simulated)
        : ForwardingProcessor(*simulated), m_simulated(std::move(simulated))
    {
    }

    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override
    {
        uint32_t heldLow = 0;
        uint32_t heldHigh = 0;
        const bool readable = inner().readMsr(index, heldLow, heldHigh);
        const uint64_t held = msr::join(heldLow, heldHigh);
        const uint64_t wanted = msr::join(low, high);
        const bool written = inner().writeMsr(index, low, high);
        std::lock_guard lock(m_lock);
        if (readable && registers::writeAllowed(index, held, wanted)) {
            m_written.insert(index);
        } else if (readable || written) {
            char text[96];
            std::snprintf(text, sizeof text, "0x%X: 0x%016llX over 0x%016llX%s", index,
                          static_cast<unsigned long long>(wanted), static_cast<unsigned long long>(held),
                          readable ? "" : " (written, but unreadable)");
            m_refused.emplace_back(text);
        }
        return written;
    }

    std::vector<std::string> refused() const
    {
        std::lock_guard lock(m_lock);
        return m_refused;
    }
    std::set<uint32_t> written() const
    {
        std::lock_guard lock(m_lock);
        return m_written;
    }

private:
    std::unique_ptr<sim::SimulatedProcessor> m_simulated;
    mutable std::mutex m_lock;
    std::vector<std::string> m_refused;
    std::set<uint32_t> m_written;
};

struct Machine {
    explicit Machine(const sim::Profile& profile)
    {
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 50;
        sim::SimulatedCreation created =
            sim::createSimulatedProcessor(profile.name, options, std::make_shared<sim::ManualClock>());
        EXPECT_TRUE(created.processor) << created.error;
        cpu = created.processor.get();
        if (!cpu)
            return;
        // What firmware or another program may have left, so that the bits
        // the programs only ever clear, and every bit of an event select
        // they program, change too.
        for (int n = 0; n < cpu->cpuCount(); ++n) {
            for (uint32_t select : {msr::IA32_PERFEVTSEL0, msr::IA32_PERFEVTSEL1})
                cpu->poke(n, select, msr::join(~0u, 0));
            cpu->poke(n, msr::IA32_PERF_CTL, msr::perf_ctl::TurboDisengage.set(*cpu->peek(n, msr::IA32_PERF_CTL), 1));
            cpu->poke(n, msr::IA32_MISC_ENABLE,
                      msr::misc_enable::LimitCpuidMaxValue.set(*cpu->peek(n, msr::IA32_MISC_ENABLE), 1));
        }
        checked = std::make_shared<MaskCheckingProcessor>(std::move(created.processor));
    }
    sim::SimulatedProcessor* cpu = nullptr;
    // Shared with the monitor's worker threads, which may outlive a shutdown
    // on a clock that moves only when slept on.
    std::shared_ptr<MaskCheckingProcessor> checked;
};

class ProgramWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ostrel-writes-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // Start-up with stored limits and clock modulation, a tick, every switch
    // both ways, the limits windows' Apply (the locks last), a suspend and
    // resume, the settings window's clock modulation, and the shutdown.
    void runMonitor(Machine& machine, const hw::BuildFlavour& flavour)
    {
        using namespace monitor;
        const std::string iniPath = (m_dir / "Ostrel.ini").string();
        const char* turboSection = flavour.sixCoreRules ? "Ostrel" : "Pavolt";
        std::ofstream(iniPath) << "[Ostrel]\nClockMod=26\n[" << turboSection
                               << "]\nOneADEAX=0x1A1B1C1D\nOneADEDX=0x16171819\nTDPTDC=0x7FFF7FFF\n";
        MonitorRecords records(machine.checked, flavour, iniPath);
        fake::RecordingMessages messages;
        ASSERT_EQ(RunStartup(records, messages), StartupOutcome::Running);
        RunTimerTick(records);

        for (SwitchState state : {SwitchState::On, SwitchState::Off, SwitchState::On}) {
            SetC1E(records.access, records.info, state);
            SetEist(records.access, state);
            SetTurboDisabled(records.access, state);
        }

        TurboLimitRegisters turbo(records.access);
        TurboLimitValues turboValues = turbo.read();
        turboValues.tdpWatts = HighestTdpWatts;
        turboValues.tdcAmps = 0;
        turboValues.ratios.fill(HighestTurboRatio);
        turbo.write(turboValues);

        PowerLimitRegisters power(records.access);
        PowerLimitValues powerValues = power.read();
        powerValues.limit1Watts = power.limitMax();
        powerValues.limit2Watts = 1;
        powerValues.enable1 = !powerValues.enable1;
        powerValues.enable2 = !powerValues.enable2;
        powerValues.clamp1 = !powerValues.clamp1;
        powerValues.clamp2 = !powerValues.clamp2;
        powerValues.currentAmps = 1;
        power.write(powerValues);
        powerValues.powerLocked = true;
        powerValues.currentLocked = true;
        power.write(powerValues);

        PowerEvents events(records.access, records.info, [] {});
        events.suspending();
        events.resumed();

        for (uint32_t value = 0; value <= msr::clock_modulation::DutyAndEnable.mask(); ++value)
            WriteClockModulation(records.access, value);

        RunShutdown(records, ExitState{});
    }

    void runTurboMonitor(Machine& machine)
    {
        using turbo::ProcessorSwitches;
        hw::HardwareAccess access(*machine.checked);
        turbo::TurboStartup startup = turbo::TurboSampler::start(access);
        ASSERT_TRUE(startup.sampler) << startup.message();
        machine.cpu->clock().sleep(1000);
        startup.sampler->programCounters();
        startup.sampler->tick();

        ProcessorSwitches switches(access, startup.sampler->nehalemClass() ? ProcessorSwitches::ProcessorClass::Nehalem
                                                                           : ProcessorSwitches::ProcessorClass::Core2);
        for (SwitchState state : {SwitchState::On, SwitchState::Off, SwitchState::On}) {
            switches.setTurboDisable(state);
            switches.setEist(state);
            switches.writeCStates(state);
        }
    }

    fs::path m_dir;
};

TEST_F(ProgramWrites, EveryWriteOfEveryProgramPassesTheHelpersMasks)
{
    std::set<uint32_t> written;
    for (const sim::Profile& profile : sim::profiles()) {
        for (const hw::BuildFlavour* flavour : {&hw::FourCoreBuild, &hw::SixCoreBuild}) {
            SCOPED_TRACE(std::string(profile.name) + (flavour->sixCoreRules ? ", OstrelHX" : ", Ostrel"));
            Machine machine(profile);
            ASSERT_TRUE(machine.cpu);
            runMonitor(machine, *flavour);
            EXPECT_EQ(machine.checked->refused(), std::vector<std::string>{});
            const std::set<uint32_t> here = machine.checked->written();
            written.insert(here.begin(), here.end());
        }
        SCOPED_TRACE(std::string(profile.name) + ", Sparvel");
        Machine machine(profile);
        ASSERT_TRUE(machine.cpu);
        runTurboMonitor(machine);
        EXPECT_EQ(machine.checked->refused(), std::vector<std::string>{});
        const std::set<uint32_t> here = machine.checked->written();
        written.insert(here.begin(), here.end());
    }
    // Each writable register is written by some program: the list holds none
    // that nothing writes.
    std::set<uint32_t> listed;
    for (const registers::WritableRegister& entry : registers::WritableRegisters)
        listed.insert(entry.index);
    EXPECT_EQ(written, listed);
}

} // namespace
