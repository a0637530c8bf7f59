#include "platform/NvmlLibrary.h"

#include <dlfcn.h>

namespace platform {

namespace {

// The exported names, in the order of NvmlEntry.
constexpr const char* EntryNames[] = {
    "nvmlInit_v2",
    "nvmlSystemGetDriverVersion",
    "nvmlDeviceGetCount_v2",
    "nvmlDeviceGetHandleByIndex_v2",
    "nvmlDeviceGetTemperature",
    "nvmlDeviceGetName",
    "nvmlDeviceGetMemoryInfo",
    "nvmlDeviceGetCurrPcieLinkWidth",
};

template <typename Function, typename... Args>
int call(void* address, Args... args)
{
    if (address == nullptr)
        return nvml::ErrorFunctionNotFound;
    return reinterpret_cast<Function>(address)(args...);
}

} // namespace

std::unique_ptr<NvmlLibrary> NvmlLibrary::open(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return nullptr;
    return std::unique_ptr<NvmlLibrary>(new NvmlLibrary(handle));
}

NvmlLibrary::NvmlLibrary(void* handle) : m_handle(handle)
{
    static_assert(std::size(EntryNames) == EntryCount);
    for (size_t i = 0; i < EntryCount; ++i)
        m_entries[i] = dlsym(m_handle, EntryNames[i]);
}

NvmlLibrary::~NvmlLibrary() { dlclose(m_handle); }

bool NvmlLibrary::has(NvmlEntry e) const { return entry(e) != nullptr; }

int NvmlLibrary::init() { return call<int (*)()>(entry(NvmlEntry::Init)); }

int NvmlLibrary::driverVersion(char* text, unsigned length)
{
    return call<int (*)(char*, unsigned)>(entry(NvmlEntry::DriverVersion), text, length);
}

int NvmlLibrary::deviceCount(unsigned* count)
{
    return call<int (*)(unsigned*)>(entry(NvmlEntry::DeviceCount), count);
}

int NvmlLibrary::handleByIndex(unsigned index, NvmlDevice* device)
{
    return call<int (*)(unsigned, NvmlDevice*)>(entry(NvmlEntry::HandleByIndex), index, device);
}

int NvmlLibrary::temperature(NvmlDevice device, unsigned sensor, unsigned* celsius)
{
    return call<int (*)(NvmlDevice, unsigned, unsigned*)>(entry(NvmlEntry::Temperature), device, sensor, celsius);
}

int NvmlLibrary::name(NvmlDevice device, char* text, unsigned length)
{
    return call<int (*)(NvmlDevice, char*, unsigned)>(entry(NvmlEntry::Name), device, text, length);
}

int NvmlLibrary::memoryInfo(NvmlDevice device, nvml::Memory* memory)
{
    return call<int (*)(NvmlDevice, nvml::Memory*)>(entry(NvmlEntry::MemoryInfo), device, memory);
}

int NvmlLibrary::pcieLinkWidth(NvmlDevice device, unsigned* lanes)
{
    return call<int (*)(NvmlDevice, unsigned*)>(entry(NvmlEntry::PcieWidth), device, lanes);
}

} // namespace platform
