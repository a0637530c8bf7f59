#include "turbo/TurboSampler.h"

#include "hw/CoreMap.h"
#include "hw/ProcessorInfo.h"
#include "registers/MsrIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>

namespace turbo {

namespace {

// IA32_PERF_GLOBAL_CTRL comes with version 2; the sampler programs counters 0 and 1.
constexpr uint64_t kPerfmonVersionNeeded = 2;
constexpr uint64_t kGeneralCountersNeeded = 2;
constexpr int kMaxTurboRatioBytes = 6;

std::string vendorOf(platform::Processor& processor)
{
    const platform::CpuidRegisters leaf0 = processor.cpuid(msr::cpuid::LeafVendor, 0);
    std::string vendor;
    for (uint32_t value : {leaf0.ebx, leaf0.edx, leaf0.ecx})
        for (unsigned byte = 0; byte < 4; ++byte)
            vendor += static_cast<char>((value >> (8 * byte)) & 0xFF);
    return vendor;
}

// Empty when the processor has the counters the sampler programs; otherwise
// what it lacks and what to do about it.
std::string missingCounters(platform::Processor& processor)
{
    namespace leaf = msr::cpuid;
    uint64_t version = 0;
    uint64_t counters = 0;
    if (processor.cpuid(leaf::LeafVendor, 0).eax >= leaf::LeafPerformanceMonitoring) {
        const uint32_t eax = processor.cpuid(leaf::LeafPerformanceMonitoring, 0).eax;
        version = leaf::performance_monitoring_eax::Version.get(eax);
        counters = leaf::performance_monitoring_eax::GpCounterCount.get(eax);
    }
    if (version >= kPerfmonVersionNeeded && counters >= kGeneralCountersNeeded)
        return {};
    return "Architectural performance monitoring version " + std::to_string(kPerfmonVersionNeeded)
           + " or later with " + std::to_string(kGeneralCountersNeeded)
           + " general-purpose counters (CPUID leaf 0xA) is needed, but this processor reports version "
           + std::to_string(version) + " with " + std::to_string(counters)
           + ". Run Sparvel on an Intel Core 2 or later processor, outside a virtual machine that hides the counters.";
}

// A Core 2 ratio field pair as whole tenths: ratio × 10, plus 5 for the half step.
uint32_t tenths(uint64_t value, msr::Field ratio, msr::Field half)
{
    return static_cast<uint32_t>(ratio.get(value)) * 10 + (half.test(value) ? 5 : 0);
}

} // namespace

std::string TurboStartup::message() const
{
    switch (failure) {
    case StartupFailure::None:
        return {};
    case StartupFailure::DriverNotReady:
        return "Could not open WinRing0.dll";
    case StartupFailure::UnsupportedProcessor:
        return unsupportedReason;
    case StartupFailure::AllocationFailed:
        return "Memory Allocation Error";
    }
    return {};
}

TurboStartup TurboSampler::start(hw::HardwareAccess& access)
{
    TurboStartup result;
    platform::Processor& processor = access.processor();

    processor.initialise();
    processor.sleep(kStartupWaitMs);
    result.driverStatus = processor.status();
    if (result.driverStatus != 0) {
        result.failure = StartupFailure::DriverNotReady;
        return result;
    }

    // The counters and registers below are Intel's: another vendor's
    // processor is refused before any register is touched.
    const std::string vendor = vendorOf(processor);
    if (vendor != "GenuineIntel") {
        result.failure = StartupFailure::UnsupportedProcessor;
        result.unsupportedReason = "The turbo monitor measures with Intel's performance counters, and this "
                                   "processor is \"" + vendor + "\", not \"GenuineIntel\". Run Sparvel on an "
                                   "Intel processor.";
        return result;
    }

    // Make CPUID leaves 4 and 0x0A visible on this CPU. A failed read must
    // not be written back as zeros.
    uint64_t miscEnable = 0;
    if (access.read(msr::IA32_MISC_ENABLE, miscEnable))
        access.write(msr::IA32_MISC_ENABLE, msr::misc_enable::LimitCpuidMaxValue.set(miscEnable, 0));
    result.unsupportedReason = missingCounters(processor);
    if (!result.unsupportedReason.empty()) {
        result.failure = StartupFailure::UnsupportedProcessor;
        return result;
    }

    result.sampler.reset(new (std::nothrow) TurboSampler(access));
    if (!result.sampler) {
        result.failure = StartupFailure::AllocationFailed;
        return result;
    }
    TurboSampler& sampler = *result.sampler;
    sampler.buildSlotTable();
    sampler.detectRatios();
    sampler.programCounters();
    sampler.takeBaseline();
    return result;
}

TurboSampler::TurboSampler(hw::HardwareAccess& access)
    : m_access(access), m_processor(access.processor())
{
    readMasks();
    m_processor.setThreadPriority(platform::ThreadPriority::TimeCritical);
    m_processor.sleep(0);
    m_counterModulus = common::counterWrapOf(m_processor);
}

void TurboSampler::readMasks()
{
    m_access.refreshMasks();
    m_processCpus = m_access.processCpus();
    m_systemCpus = m_access.systemCpus();
    // Readings by CPU number, for every CPU the process may come to use.
    const size_t size = static_cast<size_t>(std::max(kMeasuredCpus, m_systemCpus.end()));
    if (m_ratio.size() < size) {
        m_ratio.resize(size, 0.0);
        m_c0Percent.resize(size, 0.0);
        m_previous.resize(size);
    }
}

const platform::CpuSet& TurboSampler::readProcessCpus()
{
    m_access.refreshMasks();
    return m_access.processCpus();
}

bool TurboSampler::laterTopology()
{
    namespace leaf = msr::cpuid;
    const uint32_t signature = leaf::signature(m_processor.cpuid(leaf::LeafFeatures).eax);
    return hw::isLaterRaplModel(signature) && hw::topologyLeaf(m_processor) != 0;
}

void TurboSampler::buildSlotTableInCpuOrder()
{
    // The kernel numbers the CPUs of these processors performance-core
    // threads first, one package after the other: the boxes follow it, one
    // per CPU, however many there are.
    m_slots.clear();
    m_systemCpus.forEach([&](int n) {
        if (m_access.pin(n))
            m_slots.push_back(DisplaySlot{n});
    });
    m_access.unpin();
    if (m_slots.size() < static_cast<size_t>(kSlotCount))
        m_slots.resize(kSlotCount);
}

void TurboSampler::buildSlotTable()
{
    m_slots.assign(kSlotCount, DisplaySlot{});
    if (laterTopology()) {
        buildSlotTableInCpuOrder();
        return;
    }
    for (int n = 0; n < kMeasuredCpus; ++n) {
        // A CPU that refuses the pinning gets no slot: its column stays blank.
        if (!m_systemCpus.contains(n) || !m_access.pin(n))
            continue;
        uint32_t ebx = m_processor.cpuid(msr::cpuid::LeafFeatures).ebx;
        uint64_t apic = msr::cpuid::features_ebx::InitialApicId.get(ebx);
        // Thread and core bits pick the column, the second-package bit the
        // lower row; bit 3 of the APIC ID is ignored, so a later CPU whose ID
        // differs only there takes the slot over.
        auto slot = msr::cpuid::apic_id::CoreAndThread.get(apic)
                  + (msr::cpuid::apic_id::SecondPackage.test(apic) ? 8 : 0);
        m_slots[slot] = DisplaySlot{n};
    }
    m_access.unpin();
}

void TurboSampler::detectRatios()
{
    m_signature = msr::cpuid::signature(m_processor.cpuid(msr::cpuid::LeafFeatures).eax);
    m_nehalemClass = (m_signature >= 0x106A0 && m_signature <= 0x106AF) || m_signature >= 0x106E0;

    double base = 0.0;
    if (m_access.pinAnyCpu() < 0) {
        // No CPU to read the package's ratios on: base and cap stay at 1.
    } else if (m_nehalemClass) {
        uint64_t platformInfo = 0;
        m_access.read(msr::MSR_PLATFORM_INFO, platformInfo);
        base = static_cast<double>(msr::platform_info::MaxNonTurboRatio.get(platformInfo));
        uint64_t turboLimits = 0;
        m_access.read(msr::MSR_TURBO_RATIO_LIMIT, turboLimits);
        auto oneCore = msr::turbo_ratio_limit::ratioForActiveCores(1).get(turboLimits);
        // The cap is taken against the floored base ratio, so a base ratio
        // that reads 0 cannot make the cap infinite.
        base = std::max(base, 1.0);
        m_ratioCap = static_cast<double>(oneCore) / base;
    } else {
        // The highest non-turbo ratio shows in PERF_STATUS only while turbo
        // (dynamic acceleration) is disengaged.
        uint64_t miscEnable = 0;
        bool haveMisc = m_access.read(msr::IA32_MISC_ENABLE, miscEnable);
        if (haveMisc)
            m_access.write(msr::IA32_MISC_ENABLE, msr::misc_enable::TurboDisengage.set(miscEnable, 1));
        m_processor.sleep(0);
        uint64_t perfStatus = 0;
        m_access.read(msr::IA32_PERF_STATUS, perfStatus);
        uint32_t m10 = tenths(perfStatus, msr::perf_status::MaxRatio, msr::perf_status::MaxHalfRatio);
        if (haveMisc)
            m_access.write(msr::IA32_MISC_ENABLE, miscEnable);
        uint64_t platformId = 0;
        m_access.read(msr::IA32_PLATFORM_ID, platformId);
        uint32_t p10 = tenths(platformId, msr::platform_id::MaxQualifiedRatio,
                              msr::platform_id::MaxQualifiedHalfRatio);

        // Ratios whose denominator reads 0 leave the cap and scale at 1.0.
        if (m10 == p10) {
            base = p10 / 10.0;
            uint64_t platformInfo = 0;
            m_access.read(msr::MSR_PLATFORM_INFO, platformInfo);
            uint32_t t10 = tenths(platformInfo, msr::platform_info::Core2MaxRatio,
                                  msr::platform_info::Core2MaxHalfRatio);
            if (p10 > 0)
                m_ratioCap = static_cast<double>(t10) / p10;
        } else if (m10 < p10) {
            base = m10 / 10.0;
            m_ratioCap = 1.0;
        } else {
            base = p10 / 10.0;
            if (p10 > 0) {
                m_ratioCap = static_cast<double>(m10) / p10;
                m_c0Scale = static_cast<double>(m10) / p10;
            }
        }
    }
    m_access.unpin();
    m_ratioCap = std::max(m_ratioCap, 1.0);
    m_baseRatio = std::max(base, 1.0);
}

void TurboSampler::programCounters()
{
    namespace evt = msr::perfevtsel;
    for (int n = m_systemCpus.first(); n >= 0; n = m_systemCpus.next(n)) {
        if (!m_access.pin(n))
            continue;
        // Every tick, as another program may have reprogrammed them; a
        // register that already holds its value is not written again (each
        // write is a system call on a real machine).
        uint64_t globalCtrl = 0;
        // Without the old value the other enable bits would be cleared: skip.
        if (m_access.read(msr::IA32_PERF_GLOBAL_CTRL, globalCtrl)) {
            uint64_t enabled = msr::perf_global_ctrl::Pmc0Enable.set(globalCtrl, 1);
            enabled = msr::perf_global_ctrl::Pmc1Enable.set(enabled, 1);
            if (enabled != globalCtrl)
                m_access.write(msr::IA32_PERF_GLOBAL_CTRL, enabled);
        }
        uint64_t select0 = 0;
        const bool read0 = m_access.read(msr::IA32_PERFEVTSEL0, select0);
        const uint64_t wanted0 = msr::join(evt::UnhaltedCoreCycles, msr::highHalf(select0));
        if (!read0 || wanted0 != select0)
            m_access.write(msr::IA32_PERFEVTSEL0, wanted0);
        uint64_t select1 = 0;
        const bool read1 = m_access.read(msr::IA32_PERFEVTSEL1, select1);
        const uint64_t wanted1 = msr::join(evt::UnhaltedReferenceCycles, msr::highHalf(select1));
        if (!read1 || wanted1 != select1)
            m_access.write(msr::IA32_PERFEVTSEL1, wanted1);
    }
    m_access.unpin();
}

void TurboSampler::takeBaseline()
{
    std::fill(m_c0Percent.begin(), m_c0Percent.end(), 0.0);
    std::fill(m_ratio.begin(), m_ratio.end(), 0.0);
    for (int n = m_processCpus.first(); n >= 0; n = m_processCpus.next(n)) {
        if (static_cast<size_t>(n) >= m_previous.size() || !m_access.pin(n))
            continue;
        CpuReading& previous = m_previous[static_cast<size_t>(n)];
        platform::MsrRead reads[] = {{msr::IA32_PMC0}, {msr::IA32_PMC1}, {msr::IA32_TIME_STAMP_COUNTER}};
        m_access.read(reads);
        previous = {reads[0].value, reads[1].value, reads[2].value};
    }
    m_access.unpin();
}

CoreThreadCount TurboSampler::countCoresAndThreads()
{
    readMasks();
    CoreThreadCount count;
    namespace leaf = msr::cpuid;
    platform::CpuSet refused;

    if (laterTopology()) {
        // Every CPU of the system set, its core from the topology leaf.
        const uint32_t topologyLeaf = hw::topologyLeaf(m_processor);
        std::vector<std::pair<int, int>> cores;
        m_systemCpus.forEach([&](int n) {
            if (!m_access.pin(n)) {
                refused.add(n);
                return;
            }
            if (const std::optional<hw::CpuPlace> place = hw::placeOfCpu(m_processor, topologyLeaf))
                cores.emplace_back(place->package, place->coreId);
        });
        m_access.unpin();
        std::sort(cores.begin(), cores.end());
        count.cores = static_cast<int>(std::unique(cores.begin(), cores.end()) - cores.begin());
        count.threads = (m_processCpus & m_systemCpus).without(refused).count();
        return count;
    }

    uint32_t logical = static_cast<uint32_t>(
        leaf::features_ebx::LogicalProcessorCount.get(m_processor.cpuid(leaf::LeafFeatures).ebx));
    uint32_t cores = static_cast<uint32_t>(
        leaf::cache_parameters_eax::CoresPerPackageLessOne.get(m_processor.cpuid(leaf::LeafCacheParameters, 0).eax)) + 1;
    // 24 without Hyper-Threading, 25 with two threads per core. Junk counts
    // cannot shift past the register: such a field reads 0.
    unsigned shift = std::min(23 + logical / cores, 32u);
    const msr::Field coreNumber{shift, 4};

    uint32_t marks = 0;
    for (int n = 0; n < kMeasuredCpus; ++n) {
        if (!m_systemCpus.contains(n))
            continue;
        if (!m_access.pin(n)) {
            refused.add(n);
            continue;
        }
        uint32_t ebx = m_processor.cpuid(leaf::LeafFeatures).ebx;
        marks |= 1u << coreNumber.get(ebx);
    }
    m_access.unpin();
    count.threads = (m_processCpus & platform::CpuSet::range(0, kMeasuredCpus - 1)).without(refused).count();
    count.cores = std::popcount(marks);
    return count;
}

void TurboSampler::refreshRatioCap()
{
    uint64_t turboLimits = 0;
    if (!m_access.read(msr::MSR_TURBO_RATIO_LIMIT, turboLimits))
        return;
    uint64_t highest = 0;
    for (unsigned cores = 1; cores <= kMaxTurboRatioBytes; ++cores)
        highest = std::max(highest, msr::turbo_ratio_limit::ratioForActiveCores(cores).get(turboLimits));
    // A register of zeros would cap every CPU below its base ratio; the cap
    // never goes below the base ratio, as at start-up.
    m_ratioCap = std::max(static_cast<double>(highest) / m_baseRatio, 1.0);
}

void TurboSampler::measureCpu(int n, int& valid, double& ratioSum)
{
    // The three reads back to back, nothing in between, all of CPU n: the
    // time stamp is its register, not the RDTSC of the CPU this thread runs on.
    platform::MsrRead reads[] = {{msr::IA32_PMC0}, {msr::IA32_PMC1}, {msr::IA32_TIME_STAMP_COUNTER}};
    m_access.read(reads);
    const uint64_t coreCycles = reads[0].value;
    const uint64_t refCycles = reads[1].value;
    const uint64_t tsc = reads[2].value;
    const bool haveCore = reads[0].ok;
    const bool haveRef = reads[1].ok && reads[2].ok;
    // A counter that could not be read gives no figure this tick; the old
    // readings stay so the next difference spans both ticks.
    if (!haveCore || !haveRef)
        return;

    CpuReading& previous = m_previous[static_cast<size_t>(n)];
    auto deltaCore = static_cast<int64_t>(common::counterDelta(coreCycles, previous.coreCycles, m_counterModulus));
    auto deltaRef = static_cast<int64_t>(common::counterDelta(refCycles, previous.refCycles, m_counterModulus));
    auto scaledRef = static_cast<int64_t>(static_cast<double>(deltaRef) * m_baseRatio);
    auto deltaTsc = static_cast<int64_t>(tsc - previous.tsc);

    if (deltaTsc > 0) {
        double c0 = static_cast<double>(scaledRef) * m_c0Scale * 100.0 / static_cast<double>(deltaTsc);
        m_c0Percent[static_cast<size_t>(n)] = std::clamp(c0, 0.0, 100.0);
    }
    if (scaledRef > 0 && deltaCore > 0) {
        ++valid;
        double ratio = std::min(static_cast<double>(deltaCore) / static_cast<double>(scaledRef), m_ratioCap);
        m_ratio[static_cast<size_t>(n)] = ratio;
        m_peakRatio = std::max(m_peakRatio, ratio);
        ratioSum += ratio;
    }
    previous = {coreCycles, refCycles, tsc};
}

TurboReading TurboSampler::tick()
{
    const platform::CpuSet sharedProcessCpus = readProcessCpus();
    if (m_nehalemClass)
        refreshRatioCap();

    readMasks();
    m_peakRatio = 0.0;
    int valid = 0;
    double ratioSum = 0.0;
    // The CPUs measured this tick; one that refuses the pinning is absent
    // until it accepts again, its old readings kept for the next difference.
    platform::CpuSet measured;
    std::fill(m_c0Percent.begin(), m_c0Percent.end(), 0.0);
    m_processCpus.forEach([&](int n) {
        if (static_cast<size_t>(n) >= m_ratio.size())
            return;
        if (!m_access.pin(n)) {
            m_ratio[static_cast<size_t>(n)] = 0.0;
            return;
        }
        measured.add(n);
        measureCpu(n, valid, ratioSum);
    });
    m_access.unpin();

    double mean = valid > 0 ? ratioSum / valid : 1.0;
    m_stdDev = 0.0;
    if (valid > 0) {
        double sum = 0.0;
        measured.forEach([&](int n) {
            double difference = mean - m_ratio[static_cast<size_t>(n)];
            sum += m_baseRatio * m_baseRatio * difference * difference;
        });
        m_stdDev = std::sqrt(sum / valid);
    }

    programCounters();

    TurboReading reading;
    reading.averageMultiplier = m_baseRatio * mean;
    reading.peakMultiplier = m_peakRatio * m_baseRatio;
    reading.stdDev = m_stdDev;

    int counted = (readProcessCpus() & measured).count();
    double c0Sum = 0.0;
    for (double c0 : m_c0Percent)
        c0Sum += c0;
    reading.averageC0 = counted > 0 ? c0Sum / counted : 0.0;

    MultiplierRange::Change change = m_range.update(reading.averageC0, reading.averageMultiplier);
    reading.minimumChanged = change.minimum;
    reading.maximumChanged = change.maximum;

    reading.perSlot.resize(m_slots.size());
    for (size_t s = 0; s < m_slots.size(); ++s) {
        const DisplaySlot& slot = m_slots[s];
        if (!sharedProcessCpus.contains(slot.cpu) || !measured.contains(slot.cpu))
            continue;
        const size_t cpu = static_cast<size_t>(slot.cpu);
        reading.perSlot[s] = {true, m_c0Percent[cpu], m_ratio[cpu] * m_baseRatio};
    }
    return reading;
}

} // namespace turbo
