#include "sim/SimulatedGpus.h"

#include "platform/CFormat.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace sim {

using platform::cformat;
using platform::DrmTree;
using platform::NvmlApi;
using platform::NvmlDevice;
using platform::NvmlEntry;
namespace nvml = platform::nvml;

namespace {

constexpr int IdleMillidegrees = 38000;
constexpr int LoadRiseMillidegrees = 47000;
constexpr int StepMillidegrees = 2000;

double clampedLoad(const GpuLoad& load) { return load ? std::clamp(load(), 0.0, 1.0) : 0.0; }

void copyText(char* to, unsigned length, const std::string& from)
{
    if (length == 0)
        return;
    const size_t n = std::min<size_t>(from.size(), length - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

class SimulatedNvml : public NvmlApi {
public:
    SimulatedNvml(int gpus, GpuLoad load) : m_gpus(gpus), m_load(std::move(load)) {}

    bool has(NvmlEntry) const override { return true; }
    int init() override
    {
        m_initialised = true;
        return nvml::Success;
    }
    int driverVersion(char* text, unsigned length) override
    {
        if (!m_initialised)
            return nvml::ErrorUninitialized;
        copyText(text, length, "535.104.05");
        return nvml::Success;
    }
    int deviceCount(unsigned* count) override
    {
        if (!m_initialised)
            return nvml::ErrorUninitialized;
        *count = static_cast<unsigned>(m_gpus);
        return nvml::Success;
    }
    int handleByIndex(unsigned index, NvmlDevice* device) override
    {
        if (!m_initialised || index >= static_cast<unsigned>(m_gpus))
            return nvml::ErrorInvalidArgument;
        // Handles are the GPU numbers counted from 1, never null.
        *device = reinterpret_cast<NvmlDevice>(static_cast<uintptr_t>(index) + 1);
        return nvml::Success;
    }
    int temperature(NvmlDevice device, unsigned sensor, unsigned* celsius) override
    {
        const int index = indexOf(device);
        if (index < 0 || sensor != nvml::TemperatureGpu)
            return nvml::ErrorInvalidArgument;
        *celsius = static_cast<unsigned>(simulatedGpuMillidegrees(index, clampedLoad(m_load)) / 1000);
        return nvml::Success;
    }
    int name(NvmlDevice device, char* text, unsigned length) override
    {
        const int index = indexOf(device);
        if (index < 0)
            return nvml::ErrorInvalidArgument;
        copyText(text, length, cformat("NVIDIA GeForce RTX 3070 (simulated %d)", index + 1));
        return nvml::Success;
    }
    int memoryInfo(NvmlDevice device, nvml::Memory* memory) override
    {
        if (indexOf(device) < 0)
            return nvml::ErrorInvalidArgument;
        memory->total = 8ULL << 30;
        memory->used = 1ULL << 30;
        memory->free = memory->total - memory->used;
        return nvml::Success;
    }
    int pcieLinkWidth(NvmlDevice device, unsigned* lanes) override
    {
        if (indexOf(device) < 0)
            return nvml::ErrorInvalidArgument;
        *lanes = 16;
        return nvml::Success;
    }

private:
    int indexOf(NvmlDevice device) const
    {
        const auto n = reinterpret_cast<uintptr_t>(device);
        return m_initialised && n >= 1 && n <= static_cast<uintptr_t>(m_gpus) ? static_cast<int>(n - 1) : -1;
    }

    int m_gpus;
    GpuLoad m_load;
    bool m_initialised = false;
};

std::vector<std::string> split(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size() && !path.empty()) {
        const size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

// card<N>/device with hwmon/hwmon<N+2>, in memory.
class SimulatedDrmTree : public DrmTree {
public:
    SimulatedDrmTree(int cards, GpuLoad load) : m_cards(cards), m_load(std::move(load)) {}

    std::vector<std::string> list(const std::string& folder) const override
    {
        const std::vector<std::string> p = split(folder);
        if (p.empty()) {
            std::vector<std::string> names;
            for (int i = 0; i < m_cards; ++i) {
                names.push_back(cformat("card%d", i));
                names.push_back(cformat("card%d-DP-1", i));
            }
            return names;
        }
        const int card = cardOf(p);
        if (card < 0)
            return {};
        if (p.size() == 2 && p[1] == "device")
            return {"vendor", "device", "product_name", "hwmon", "current_link_width", "max_link_width",
                    "gpu_busy_percent"};
        if (p.size() == 3 && p[1] == "device" && p[2] == "hwmon")
            return {hwmonName(card)};
        return {};
    }

    std::optional<std::string> read(const std::string& file) const override
    {
        const std::vector<std::string> p = split(file);
        const int card = cardOf(p);
        if (card < 0 || p.size() < 3 || p[1] != "device")
            return std::nullopt;
        const double load = clampedLoad(m_load);
        if (p.size() == 3) {
            const std::string& name = p[2];
            if (name == "vendor")
                return "0x1002\n";
            if (name == "device")
                return "0x73bf\n";
            if (name == "product_name")
                return cformat("AMD Radeon RX 6800 Series (simulated %d)\n", card + 1);
            if (name == "current_link_width" || name == "max_link_width")
                return "16\n";
            if (name == "gpu_busy_percent")
                return cformat("%d\n", static_cast<int>(load * 100));
            return std::nullopt;
        }
        if (p.size() == 5 && p[2] == "hwmon" && p[3] == hwmonName(card)) {
            const std::string& name = p[4];
            if (name == "temp1_input")
                return cformat("%d\n", simulatedGpuMillidegrees(card, load));
            if (name == "freq1_input") // engine clock, Hz
                return cformat("%lld\n", static_cast<long long>((500 + 1700 * load) * 1e6));
            if (name == "freq2_input") // memory clock, Hz
                return "1000000000\n";
            if (name == "in0_input") // core voltage, mV
                return cformat("%d\n", static_cast<int>(750 + 400 * load));
        }
        return std::nullopt;
    }

    std::optional<std::string> resolve(const std::string& path) const override
    {
        const std::vector<std::string> p = split(path);
        const int card = cardOf(p);
        if (card < 0 || p.size() != 2 || p[1] != "device")
            return std::nullopt;
        return cformat("/sys/devices/pci0000:00/0000:%02x:00.0", card + 3);
    }

private:
    int cardOf(const std::vector<std::string>& p) const
    {
        for (int i = 0; i < m_cards; ++i)
            if (!p.empty() && p[0] == cformat("card%d", i))
                return i;
        return -1;
    }
    static std::string hwmonName(int card) { return cformat("hwmon%d", card + 2); }

    int m_cards;
    GpuLoad m_load;
};

} // namespace

int simulatedGpuMillidegrees(int index, double load)
{
    return IdleMillidegrees + static_cast<int>(LoadRiseMillidegrees * std::clamp(load, 0.0, 1.0))
           + StepMillidegrees * index + 250;
}

std::unique_ptr<NvmlApi> makeSimulatedNvml(int gpus, GpuLoad load)
{
    return std::make_unique<SimulatedNvml>(gpus, std::move(load));
}

std::shared_ptr<DrmTree> makeSimulatedDrmTree(int cards, GpuLoad load)
{
    return std::make_shared<SimulatedDrmTree>(cards, std::move(load));
}

} // namespace sim
