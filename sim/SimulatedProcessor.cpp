#include "sim/SimulatedProcessor.h"

#include "registers/MsrIndex.h"
#include "sim/CpuidDumps.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <set>
#include <time.h>

namespace sim {

namespace {

// The CPUID limit IA32_MISC_ENABLE bit 22 imposes.
constexpr uint32_t LimitedMaxLeaf = 2;

CpuidFacts factsOf(const CpuidTable& table)
{
    using namespace msr::cpuid;
    CpuidFacts facts;
    if (table.maxBasicLeaf() >= LeafPerformanceMonitoring) {
        platform::CpuidRegisters pmu = table.answer(LeafPerformanceMonitoring, 0).registers;
        facts.generalCounters = int(performance_monitoring_eax::GpCounterCount.get(pmu.eax));
        facts.generalWidth = unsigned(performance_monitoring_eax::GpCounterWidth.get(pmu.eax));
        unsigned fixedWidth = unsigned(performance_monitoring_edx::FixedCounterWidth.get(pmu.edx));
        facts.fixedWidth = fixedWidth ? fixedWidth : facts.generalWidth;
    }
    platform::CpuidRegisters thermal = table.answer(LeafThermalPower, 0).registers;
    facts.extendedClockModulation = thermal_power_eax::ExtendedClockModulation.test(thermal.eax);
    facts.hwp = thermal_power_eax::Hwp.test(thermal.eax);
    return facts;
}

// Stamps of where threads run, unique across the processors of this process.
std::atomic<uint64_t> placementStamps{0};

platform::CpuSet allowedAtStart(const Topology& topology, const Options& options)
{
    return options.allowedCpus.empty() ? topology.allCpus() : topology.allCpus() & options.allowedCpus;
}

} // namespace

SimulatedProcessor::SimulatedProcessor(const Profile& profile, CpuidTable cpuid, const Options& options,
                                       std::shared_ptr<Clock> clock, std::unique_ptr<SimulatedMachine> machine,
                                       std::vector<CpuidTable> coreTables)
    : m_profile(profile), m_cpuid(std::move(cpuid)), m_coreTables(std::move(coreTables)), m_options(options),
      m_clock(std::move(clock)), m_machine(machine ? std::move(machine) : SimulatedMachine::createPrivate()),
      m_model(profile, options, factsOf(m_cpuid), *m_machine, m_clock->nanoseconds()), m_registers(m_model),
      m_startCpus(allowedAtStart(m_model.topology(), options)), m_allowedCpus(m_startCpus),
      m_processCpus(m_startCpus)
{
    placeThreads();
}

int SimulatedProcessor::cpuOf(const platform::CpuSet& cpus) const
{
    const int cpu = (cpus & m_allowedCpus).first();
    // A thread whose CPUs were all taken away moves to one it may still use.
    return cpu >= 0 ? cpu : m_allowedCpus.first();
}

void SimulatedProcessor::placeThreads()
{
    m_processCpu = cpuOf(m_processCpus);
    for (PinnedThread& thread : m_pinned)
        thread.cpu = cpuOf(thread.wanted);
    threadsMoved();
}

void SimulatedProcessor::threadsMoved() { m_placement.store(++placementStamps, std::memory_order_release); }

SimulatedProcessor::PinnedThread* SimulatedProcessor::pinnedThread(std::thread::id thread)
{
    for (PinnedThread& pinned : m_pinned)
        if (pinned.id == thread)
            return &pinned;
    return nullptr;
}

int SimulatedProcessor::currentCpuLocked()
{
    const PinnedThread* pinned = pinnedThread(std::this_thread::get_id());
    if (!pinned && !m_unpinnedThreadSeen) {
        m_unpinnedThreadSeen = true;
        m_model.advance(m_clock->nanoseconds());
        updateBusyFloor();
    }
    return pinned ? pinned->cpu : m_processCpu;
}

int SimulatedProcessor::accessCpuLocked()
{
    // The kernel performs an access on the selected CPU whatever the thread's
    // affinity has become since.
    const int selected = m_selection.selected();
    return selected != platform::ThreadCpuSelection::None ? selected : currentCpuLocked();
}

bool SimulatedProcessor::selectCpu(int cpu)
{
    std::lock_guard lock(m_lock);
    // Like the device files of a container, only the CPUs this process may
    // use can be addressed.
    if (cpu >= 0 && !m_allowedCpus.contains(cpu))
        return false;
    m_selection.select(cpu);
    return true;
}

void SimulatedProcessor::updateBusyFloor()
{
    CpuBits floor{};
    if (m_unpinnedThreadSeen)
        floor.set(m_processCpu);
    for (const PinnedThread& thread : m_pinned)
        floor.set(thread.cpu);
    m_model.setBusyFloor(floor);
}

void SimulatedProcessor::logRead(int cpu, ReadKind kind, uint32_t index)
{
    if (m_options.auditRecords == AuditRecords::Dropped)
        return;
    m_reads.push_back({cpu, kind, index});
    if (m_reads.size() > AuditCapacity)
        m_reads.pop_front();
}

platform::CpuSet SimulatedProcessor::allowedCpus() const
{
    std::lock_guard lock(m_lock);
    return m_allowedCpus;
}

void SimulatedProcessor::restrictAffinity(const platform::CpuSet& allowed)
{
    std::lock_guard lock(m_lock);
    const platform::CpuSet narrowed = allowed & m_model.topology().allCpus();
    if (narrowed.empty())
        return;
    std::lock_guard machine(*m_machine);
    m_model.advance(m_clock->nanoseconds());
    m_allowedCpus = narrowed;
    placeThreads();
    updateBusyFloor();
}

int SimulatedProcessor::currentCpu()
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    return currentCpuLocked();
}

platform::CpuSet SimulatedProcessor::setThreadAffinity(const platform::CpuSet& cpus)
{
    std::lock_guard lock(m_lock);
    const platform::CpuSet wanted = cpus & m_allowedCpus;
    if (wanted.empty())
        return {};
    std::lock_guard machine(*m_machine);
    m_model.advance(m_clock->nanoseconds());
    PinnedThread* thread = pinnedThread(std::this_thread::get_id());
    if (!thread)
        thread = &m_pinned.emplace_back(PinnedThread{std::this_thread::get_id(), m_processCpus, m_processCpu});
    platform::CpuSet previous = std::exchange(thread->wanted, wanted);
    thread->cpu = cpuOf(wanted);
    threadsMoved();
    updateBusyFloor();
    return previous;
}

bool SimulatedProcessor::processAffinity(platform::CpuSet& process, platform::CpuSet& system)
{
    std::lock_guard lock(m_lock);
    process = m_processCpus;
    system = m_startCpus;
    return true;
}

bool SimulatedProcessor::setProcessAffinity(const platform::CpuSet& cpus)
{
    std::lock_guard lock(m_lock);
    const platform::CpuSet wanted = cpus & m_allowedCpus;
    if (wanted.empty())
        return false;
    std::lock_guard machine(*m_machine);
    m_model.advance(m_clock->nanoseconds());
    m_processCpus = wanted;
    m_processCpu = cpuOf(wanted);
    threadsMoved();
    updateBusyFloor();
    return true;
}

bool SimulatedProcessor::readMsr(uint32_t index, uint32_t& low, uint32_t& high)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    int64_t now = m_clock->nanoseconds();
    m_model.advance(now);
    const int cpu = accessCpuLocked();
    logRead(cpu, ReadKind::Register, index);
    std::optional<uint64_t> value = m_registers.read(cpu, index, now);
    if (!value)
        return false;
    low = msr::lowHalf(*value);
    high = msr::highHalf(*value);
    return true;
}

bool SimulatedProcessor::writeMsr(uint32_t index, uint32_t low, uint32_t high)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    int64_t now = m_clock->nanoseconds();
    m_model.advance(now);
    int cpu = accessCpuLocked();
    uint64_t value = msr::join(low, high);
    WriteOutcome outcome = m_registers.write(cpu, index, value, now);
    if (m_options.auditRecords == AuditRecords::Kept) {
        m_writes.push_back({cpu, index, value, outcome, now});
        if (m_writes.size() > AuditCapacity)
            m_writes.pop_front();
    }
    ++m_writeCount;
    return outcome != WriteOutcome::Faulted;
}

platform::CpuidRegisters SimulatedProcessor::cpuid(uint32_t leaf, uint32_t subleaf)
{
    using namespace msr::cpuid;
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    int cpu = accessCpuLocked();
    logRead(cpu, ReadKind::Cpuid, leaf);
    const LogicalCpu& where = m_model.topology().cpu(cpu);
    uint64_t misc = m_model.package(where.package).miscEnable;
    uint32_t limit = msr::misc_enable::LimitCpuidMaxValue.test(misc) ? LimitedMaxLeaf : UINT32_MAX;

    const CpuidTable& answering =
        where.coreGroup < 0 ? m_cpuid : m_coreTables[static_cast<size_t>(where.coreGroup)];
    CpuidTable::Answer answer = answering.answer(leaf, subleaf, limit);
    platform::CpuidRegisters& regs = answer.registers;
    if (answer.leaf == LeafFeatures)
        regs.ebx = uint32_t(features_ebx::InitialApicId.set(regs.ebx, where.apicId & 0xFF));
    else if (answer.leaf == LeafTopology || answer.leaf == LeafTopologyV2)
        regs.edx = where.apicId;
    else if (answer.leaf == LeafThermalPower && m_profile.hasTurbo())
        regs.eax = uint32_t(thermal_power_eax::TurboBoost.set(regs.eax, !msr::misc_enable::TurboDisengage.test(misc)));
    return regs;
}

uint64_t SimulatedProcessor::rdtsc()
{
    // Where this thread ran its last RDTSC, while no thread moved since: a
    // program's clock thread then reads the counter without any lock.
    struct Place {
        uint64_t stamp = 0;
        int cpu = 0;
    };
    static thread_local Place place;
    if (m_options.auditRecords == AuditRecords::Dropped && place.stamp == m_placement.load(std::memory_order_acquire))
        return m_model.tsc(place.cpu, m_clock->nanoseconds());

    std::lock_guard lock(m_lock);
    int cpu = 0;
    if (m_unpinnedThreadSeen || pinnedThread(std::this_thread::get_id())) {
        cpu = currentCpuLocked(); // the counter needs no machine lock: see ProcessorModel::tsc()
    } else {
        std::lock_guard machine(*m_machine);
        cpu = currentCpuLocked();
    }
    place = {m_placement.load(std::memory_order_relaxed), cpu};
    logRead(cpu, ReadKind::TimeStamp, 0);
    return m_model.tsc(cpu, m_clock->nanoseconds());
}

uint32_t SimulatedProcessor::tickCount() { return static_cast<uint32_t>(m_clock->nanoseconds() / 1000000); }

std::tm SimulatedProcessor::localTime()
{
    std::time_t now = m_clock->wallTime();
    std::tm result{};
    localtime_r(&now, &result);
    return result;
}

void SimulatedProcessor::setLoad(int cpu, double percent)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    if (!validCpu(cpu))
        return;
    m_model.advance(m_clock->nanoseconds());
    m_model.setLoadOverride(cpu, percent);
}

double SimulatedProcessor::load(int cpu)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    if (!validCpu(cpu))
        return 0.0;
    m_model.advance(m_clock->nanoseconds());
    return m_model.loadFraction(cpu);
}

void SimulatedProcessor::pinReadout(int core, std::optional<int> readout)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    if (core < 0 || core >= m_model.topology().coreCount())
        return;
    m_model.advance(m_clock->nanoseconds());
    m_model.pinReadout(core, readout);
}

std::optional<uint64_t> SimulatedProcessor::peek(int cpu, uint32_t index)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    if (!validCpu(cpu))
        return std::nullopt;
    int64_t now = m_clock->nanoseconds();
    m_model.advance(now);
    return m_registers.read(cpu, index, now);
}

bool SimulatedProcessor::poke(int cpu, uint32_t index, uint64_t value)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    if (!validCpu(cpu))
        return false;
    int64_t now = m_clock->nanoseconds();
    m_model.advance(now);
    bool ok = m_registers.poke(cpu, index, value, now);
    m_model.settle();
    return ok;
}

void SimulatedProcessor::deinitialise()
{
    if (!m_options.auditPath.empty())
        writeAudit(m_options.auditPath);
}

bool SimulatedProcessor::writeAudit(const std::string& path)
{
    const std::vector<ReadRecord> readRecords = reads();
    const std::vector<WriteRecord> records = writes();
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    for (const ReadRecord& record : readRecords) {
        switch (record.kind) {
        case ReadKind::Register: std::fprintf(file, "read %d 0x%X\n", record.cpu, record.index); break;
        case ReadKind::Cpuid: std::fprintf(file, "cpuid %d 0x%X\n", record.cpu, record.index); break;
        case ReadKind::TimeStamp: std::fprintf(file, "rdtsc %d\n", record.cpu); break;
        }
    }
    const auto outcomeName = [](WriteOutcome outcome) {
        switch (outcome) {
        case WriteOutcome::Applied: return "applied";
        case WriteOutcome::Ignored: return "ignored";
        case WriteOutcome::Faulted: return "faulted";
        }
        return "unknown";
    };
    std::set<std::pair<int, uint32_t>> written;
    for (const WriteRecord& record : records) {
        std::fprintf(file, "write %d 0x%X 0x%llX %s\n", record.cpu, record.index,
                     static_cast<unsigned long long>(record.value), outcomeName(record.outcome));
        written.insert({record.cpu, record.index});
    }
    for (const auto& [cpu, index] : written) {
        if (const std::optional<uint64_t> value = peek(cpu, index))
            std::fprintf(file, "final %d 0x%X 0x%llX\n", cpu, index, static_cast<unsigned long long>(*value));
    }
    const bool flushed = std::fflush(file) == 0;
    return std::fclose(file) == 0 && flushed;
}

std::vector<WriteRecord> SimulatedProcessor::writes() const
{
    std::lock_guard lock(m_lock);
    return {m_writes.begin(), m_writes.end()};
}

uint64_t SimulatedProcessor::writeCount() const
{
    std::lock_guard lock(m_lock);
    return m_writeCount;
}

void SimulatedProcessor::clearWrites()
{
    std::lock_guard lock(m_lock);
    m_writes.clear();
}

std::vector<ReadRecord> SimulatedProcessor::reads() const
{
    std::lock_guard lock(m_lock);
    return {m_reads.begin(), m_reads.end()};
}

void SimulatedProcessor::clearReads()
{
    std::lock_guard lock(m_lock);
    m_reads.clear();
}

double SimulatedProcessor::packageWatts(int package)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    m_model.advance(m_clock->nanoseconds());
    m_model.integratePackage(package);
    return m_model.package(package).watts;
}

double SimulatedProcessor::coreCelsius(int core)
{
    std::lock_guard lock(m_lock);
    std::lock_guard machine(*m_machine);
    m_model.advance(m_clock->nanoseconds());
    m_model.integrateCore(core);
    return m_model.celsius(core);
}

SimulatedCreation createSimulatedProcessor(std::string_view profileName, const Options& options,
                                           std::shared_ptr<Clock> clock)
{
    SimulatedCreation result;
    const Profile* profile = findProfile(profileName);
    if (!profile) {
        result.error = "unknown simulated processor \"" + std::string(profileName)
                       + "\"; the profiles are: " + profileNames();
        return result;
    }
    std::string_view text = cpuidDumpText(profile->dumpName);
    CpuidTable table;
    std::string error;
    if (text.empty() || !table.parse(text, error)) {
        result.error = "the CPUID dump of profile " + std::string(profile->name) + " is unusable: "
                       + (text.empty() ? std::string("missing") : error);
        return result;
    }
    for (const CpuidPatch& patch : profile->patches)
        table.patch(patch.leaf, patch.subleaf, patch.reg, patch.value);
    table.setBrand(profile->brand);
    if (!clock)
        clock = std::make_shared<HostClock>();
    std::unique_ptr<SimulatedMachine> machine;
    if (!options.machineName.empty()) {
        MachineOpening opening = SimulatedMachine::openShared(*profile, options.machineName);
        if (!opening.machine) {
            result.error = "the simulated machine \"" + options.machineName + "\" is unusable: " + opening.error;
            return result;
        }
        machine = std::move(opening.machine);
    }
    std::vector<CpuidTable> coreTables;
    for (const CoreDump& dump : profile->coreDumps) {
        std::string_view coreText = cpuidDumpText(dump.dumpName);
        CpuidTable& coreTable = coreTables.emplace_back();
        if (coreText.empty() || !coreTable.parse(coreText, error)) {
            result.error = "the CPUID dump " + std::string(dump.dumpName) + " of profile "
                           + std::string(profile->name) + " is unusable: "
                           + (coreText.empty() ? std::string("missing") : error);
            return result;
        }
        coreTable.setBrand(profile->brand);
    }
    auto processor = std::make_unique<SimulatedProcessor>(*profile, std::move(table), options, std::move(clock),
                                                          std::move(machine), std::move(coreTables));
    if (processor->allowedCpus().empty()) {
        result.error = "SIMULATED_AFFINITY allows none of the CPUs of profile " + std::string(profile->name)
                       + " (0-" + std::to_string(processor->cpuCount() - 1) + "); list at least one of them";
        return result;
    }
    result.processor = std::move(processor);
    return result;
}

} // namespace sim
