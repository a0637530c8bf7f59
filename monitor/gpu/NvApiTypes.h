#pragma once
// The records, status codes and interface identifiers of the NVIDIA driver
// API as the monitor uses them. Entry points are looked up by identifier;
// every function returns 0 for success and a negative status otherwise.

#include <cstddef>
#include <cstdint>

namespace monitor::nvapi {

// An opaque physical-GPU handle.
using PhysicalGpuHandle = void*;

constexpr int MaxPhysicalGpus = 64;
constexpr int ShortStringLength = 64;

// Status codes.
enum Status : int {
    Ok = 0,
    Error = -1,
    LibraryNotFound = -2,
    NoImplementation = -3,
    ApiNotInitialized = -4,
    InvalidArgument = -5,
    NvidiaDeviceNotFound = -6,
    IncompatibleStructVersion = -9,
};

// Interface identifiers.
enum InterfaceId : uint32_t {
    Initialize = 0x0150E828,
    GetDisplayDriverVersion = 0xF951A4D1,
    EnumPhysicalGPUs = 0xE5AC921F,
    GpuGetThermalSettings = 0xE3640A56,
    GpuGetFullName = 0xCEEE8E9F,
    GpuGetPhysicalFrameBufferSize = 0x46FBEB03,
    GpuGetCurrentPCIEDownstreamWidth = 0xD048C3B1,
};

// Version stamp of a record: its size in the low 16 bits, the version in the high ones.
constexpr uint32_t versionStamp(size_t size, uint32_t version)
{
    return static_cast<uint32_t>(size) | (version << 16);
}

// The display-driver version record, version 1. drvVersion is in hundredths
// (28026 is 280.26).
struct DisplayDriverVersion {
    uint32_t version = 0;
    uint32_t drvVersion = 0;
    uint32_t bldChangeListNum = 0;
    char buildBranch[ShortStringLength] = {};
    char adapter[ShortStringLength] = {};
};
static_assert(sizeof(DisplayDriverVersion) == 140);
constexpr uint32_t DisplayDriverVersionV1 = versionStamp(sizeof(DisplayDriverVersion), 1);
static_assert(DisplayDriverVersionV1 == 0x1008C);

constexpr int MaxThermalSensorsPerGpu = 3;
// The controller "unknown" and the target "GPU" of a thermal sensor.
constexpr int32_t ThermalControllerUnknown = -1;
constexpr int32_t ThermalTargetGpu = 1;

struct ThermalSensor {
    int32_t controller = 0;
    uint32_t defaultMinTemp = 0;
    uint32_t defaultMaxTemp = 0;
    uint32_t currentTemp = 0;
    int32_t target = 0;
};

// The thermal record, version 1.
struct GpuThermalSettings {
    uint32_t version = 0;
    uint32_t count = 0;
    ThermalSensor sensor[MaxThermalSensorsPerGpu] = {};
};
static_assert(sizeof(GpuThermalSettings) == 68);
constexpr uint32_t GpuThermalSettingsV1 = versionStamp(sizeof(GpuThermalSettings), 1);
static_assert(GpuThermalSettingsV1 == 0x10044);

} // namespace monitor::nvapi
