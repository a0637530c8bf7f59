#pragma once
// The few calls of NVIDIA's management library (NVML) that the driver-API
// stand-in needs, with NVML's own argument shapes and return codes (0 is
// success). Implemented by the shared library loaded at run time
// (NvmlLibrary) and by the simulated GPUs (SimulatedNvml).

#include <cstdint>

namespace platform {

using NvmlDevice = void*;

namespace nvml {
enum Return : int {
    Success = 0,
    ErrorUninitialized = 1,
    ErrorInvalidArgument = 2,
    ErrorNotSupported = 3,
    ErrorInsufficientSize = 7,
    ErrorNotFound = 6,
    ErrorFunctionNotFound = 13,
    ErrorGpuIsLost = 15,
    ErrorUnknown = 999,
};
constexpr unsigned TemperatureGpu = 0;
constexpr unsigned DriverVersionBufferSize = 80;
constexpr unsigned DeviceNameBufferSize = 96;

// nvmlMemory_t: bytes.
struct Memory {
    unsigned long long total;
    unsigned long long free;
    unsigned long long used;
};
} // namespace nvml

// The NVML entries the stand-in calls.
enum class NvmlEntry { Init, DriverVersion, DeviceCount, HandleByIndex, Temperature, Name, MemoryInfo, PcieWidth };

class NvmlApi {
public:
    virtual ~NvmlApi() = default;

    // Whether the library exports that entry.
    virtual bool has(NvmlEntry entry) const = 0;

    virtual int init() = 0;                                              // nvmlInit_v2
    virtual int driverVersion(char* text, unsigned length) = 0;           // nvmlSystemGetDriverVersion
    virtual int deviceCount(unsigned* count) = 0;                         // nvmlDeviceGetCount_v2
    virtual int handleByIndex(unsigned index, NvmlDevice* device) = 0;    // nvmlDeviceGetHandleByIndex_v2
    virtual int temperature(NvmlDevice device, unsigned sensor, unsigned* celsius) = 0; // nvmlDeviceGetTemperature
    virtual int name(NvmlDevice device, char* text, unsigned length) = 0; // nvmlDeviceGetName
    virtual int memoryInfo(NvmlDevice device, nvml::Memory* memory) = 0;  // nvmlDeviceGetMemoryInfo
    virtual int pcieLinkWidth(NvmlDevice device, unsigned* lanes) = 0;    // nvmlDeviceGetCurrPcieLinkWidth
};

} // namespace platform
