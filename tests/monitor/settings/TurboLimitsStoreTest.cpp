// The turbo limits stored in the settings file and written back at start-up.
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/settings/TurboLimitsStore.h"
#include "SettingsTestSupport.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace monitor::test {
namespace {

constexpr uint64_t RatioBit = 1ull << 28;
constexpr uint64_t TdpBit = 1ull << 29;
// TDP 95 W, TDC 80 A without override bits, and something in the high half.
constexpr uint64_t PowerLimits = 0x0000012300000000ull | 0x028002F8ull;

struct Written {
    std::set<int> cpus;
    std::set<uint64_t> values;
};

Written writesTo(const fake::FakeProcessor& cpu, uint32_t index)
{
    Written result;
    for (const fake::FakeProcessor::Write& write : cpu.writes())
        if (write.index == index) {
            result.cpus.insert(write.cpu);
            result.values.insert(write.value);
        }
    return result;
}

class TurboLimitsStoreTest : public ScratchFolder {
protected:
    // Sixteen logical CPUs: only 0 to 7 are written.
    fake::FakeProcessor m_cpu = registerProcessor(16, {msr::MSR_PLATFORM_INFO, msr::MSR_TURBO_POWER_CURRENT_LIMIT, msr::MSR_TURBO_RATIO_LIMIT});
    hw::HardwareAccess m_hardware{m_cpu};
};

TEST_F(TurboLimitsStoreTest, StartupWritesWhatIsStoredAndProgrammable)
{
    struct Case {
        const char* name;
        uint64_t platformInfo;
        const char* file;
        const SettingsLayout* layout;
        std::optional<uint64_t> ratios; // written to every CPU 0..7, or none
        std::optional<uint64_t> power;
    } cases[] = {
        {"both programmable", RatioBit | TdpBit,
         "[Pavolt]\nOneADEAX=0x1A1A1B1C\nOneADEDX=0x1A1A\nTDPTDC=0x828082F8\n", &FourCoreSettings,
         0x00001A1A1A1A1B1Cull, 0x00000123828082F8ull},
        {"no ratio limits stored", RatioBit | TdpBit, "[Pavolt]\nOneADEAX=0\nOneADEDX=0x1A1A\n",
         &FourCoreSettings, std::nullopt, 0x00000123828082F8ull},
        {"TDPTDC missing: the register's value with both overrides", TdpBit, "",
         &FourCoreSettings, std::nullopt, 0x00000123828082F8ull},
        {"TDPTDC low values", TdpBit, "[Pavolt]\nTDPTDC=0x1F8\n", &FourCoreSettings,
         std::nullopt, 0x00000123800081F8ull},
        {"ratios not programmable", TdpBit, "[Pavolt]\nOneADEAX=0x1A1A1B1C\n",
         &FourCoreSettings, std::nullopt, 0x00000123828082F8ull},
        {"nothing programmable", 0, "[Pavolt]\nOneADEAX=0x1A1A1B1C\nTDPTDC=0x1F8\n",
         &FourCoreSettings, std::nullopt, std::nullopt},
        {"keys of the section Ostrel are not the four-core build's", RatioBit,
         "[Ostrel]\nOneADEAX=0x1A1A1B1C\n", &FourCoreSettings, std::nullopt, std::nullopt},
        {"six-core build keeps them in Ostrel", RatioBit,
         "[Ostrel]\nOneADEAX=0x1A1A1B1C\n", &SixCoreSettings, 0x1A1A1B1Cull, std::nullopt},
        {"six-core build ignores Pavolt", RatioBit, "[Pavolt]\nOneADEAX=0x1A1A1B1C\n",
         &SixCoreSettings, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::FakeProcessor cpu = registerProcessor(16, {msr::MSR_PLATFORM_INFO, msr::MSR_TURBO_POWER_CURRENT_LIMIT, msr::MSR_TURBO_RATIO_LIMIT});
        cpu.setMsrOnAll(msr::MSR_PLATFORM_INFO, c.platformInfo | 0x1400);
        cpu.setMsrOnAll(msr::MSR_TURBO_POWER_CURRENT_LIMIT, PowerLimits);
        cpu.setThreadAffinity(platform::CpuSet::range(0, 15)); // the thread starts on the system set
        hw::HardwareAccess hardware(cpu);
        writeFile(m_ini, c.file);
        MonitorSettings settings;
        ApplyStartupTurboLimits(settings, m_ini, hardware, *c.layout);

        // Every logical CPU of the processor, not only the first eight.
        const std::set<int> everyCpu = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        const Written ratios = writesTo(cpu, msr::MSR_TURBO_RATIO_LIMIT);
        const Written power = writesTo(cpu, msr::MSR_TURBO_POWER_CURRENT_LIMIT);
        if (c.ratios) {
            EXPECT_EQ(ratios.cpus, everyCpu);
            EXPECT_EQ(ratios.values, std::set<uint64_t>{*c.ratios});
        } else {
            EXPECT_TRUE(ratios.cpus.empty());
        }
        if (c.power) {
            EXPECT_EQ(power.cpus, everyCpu);
            EXPECT_EQ(power.values, std::set<uint64_t>{*c.power});
        } else {
            EXPECT_TRUE(power.cpus.empty());
        }
        EXPECT_EQ(cpu.selectedCpu(), -1) << "left selected";
    }
}

TEST_F(TurboLimitsStoreTest, SaveStoresTheProgrammableRegistersAsReadBack)
{
    struct Case {
        const char* name;
        uint64_t platformInfo;
        const SettingsLayout* layout;
        std::vector<KeyLine> keys;
    } cases[] = {
        {"both", RatioBit | TdpBit, &FourCoreSettings,
         {{"Pavolt", "TDPTDC", "0x828082F8"},
          {"Pavolt", "OneADEAX", "0x1A1A1B1C"},
          {"Pavolt", "OneADEDX", "0xFF001A1A"}}},
        {"TDP/TDC only", TdpBit, &FourCoreSettings, {{"Pavolt", "TDPTDC", "0x828082F8"}}},
        {"ratios only, six-core build", RatioBit, &SixCoreSettings,
         {{"Ostrel", "OneADEAX", "0x1A1A1B1C"}, {"Ostrel", "OneADEDX", "0xFF001A1A"}}},
        {"neither", 0, &FourCoreSettings, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_ini);
        m_cpu.setMsrOnAll(msr::MSR_PLATFORM_INFO, c.platformInfo);
        m_cpu.setMsrOnAll(msr::MSR_TURBO_POWER_CURRENT_LIMIT, 0x00000123828082F8ull);
        m_cpu.setMsrOnAll(msr::MSR_TURBO_RATIO_LIMIT, 0xFF001A1A1A1A1B1Cull);
        MonitorSettings settings;
        EXPECT_EQ(SaveTurboLimits(settings, m_ini, m_hardware, *c.layout), WriteResult::Written);
        EXPECT_EQ(keyLines(readFile(m_ini)), c.keys);
    }
}

TEST_F(TurboLimitsStoreTest, SavedLimitsComeBackAtTheNextStart)
{
    m_cpu.setMsrOnAll(msr::MSR_PLATFORM_INFO, RatioBit | TdpBit);
    m_cpu.setMsrOnAll(msr::MSR_TURBO_POWER_CURRENT_LIMIT, 0x00000123828082F8ull);
    m_cpu.setMsrOnAll(msr::MSR_TURBO_RATIO_LIMIT, 0x00001A1A1A1A1B1Cull);
    writeFile(m_ini, "; kept\n[Ostrel]\nIdle0=1.0\n");
    MonitorSettings settings;
    ASSERT_EQ(SaveTurboLimits(settings, m_ini, m_hardware), WriteResult::Written);
    EXPECT_EQ(settings.TDPTDC, 0x828082F8u);
    EXPECT_EQ(settings.OneADEAX, 0x1A1A1B1Cu);
    EXPECT_EQ(settings.OneADEDX, 0x1A1Au);
    EXPECT_EQ(readFile(m_ini).rfind("; kept\n[Ostrel]\nIdle0=1.0\n", 0), 0u);

    // A fresh processor after a reset: start-up puts the limits back.
    fake::FakeProcessor next = registerProcessor(8, {msr::MSR_PLATFORM_INFO, msr::MSR_TURBO_POWER_CURRENT_LIMIT, msr::MSR_TURBO_RATIO_LIMIT});
    next.setMsrOnAll(msr::MSR_PLATFORM_INFO, RatioBit | TdpBit);
    next.setMsrOnAll(msr::MSR_TURBO_POWER_CURRENT_LIMIT, 0x0000012300000000ull);
    next.setMsrOnAll(msr::MSR_TURBO_RATIO_LIMIT, 0x0000121212121212ull);
    hw::HardwareAccess hardware(next);
    MonitorSettings restarted;
    ApplyStartupTurboLimits(restarted, m_ini, hardware);
    for (int cpu = 0; cpu < 8; ++cpu) {
        EXPECT_EQ(next.msr(cpu, msr::MSR_TURBO_RATIO_LIMIT), 0x00001A1A1A1A1B1Cull) << cpu;
        EXPECT_EQ(next.msr(cpu, msr::MSR_TURBO_POWER_CURRENT_LIMIT), 0x00000123828082F8ull) << cpu;
    }
}

} // namespace
} // namespace monitor::test
