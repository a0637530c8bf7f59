#pragma once
// The records and status codes of the ATI display library as the monitor
// uses them. Every function returns 0 (Ok) for success.

#include <cstddef>
#include <cstdint>

namespace monitor::adl {

enum Status : int {
    Ok = 0,
    Error = -1,
    NotInitialized = -2,
    BadParameter = -3,
    NotSupported = -8,
};

constexpr int MaxPath = 256;

// The adapter information record; the monitor uses the adapter name.
struct AdapterInfo {
    int32_t size;
    int32_t adapterIndex;
    char udid[MaxPath];
    int32_t busNumber;
    int32_t deviceNumber;
    int32_t functionNumber;
    int32_t vendorId;
    char adapterName[MaxPath];
    char displayName[MaxPath];
    int32_t present;
    int32_t exist;
    char driverPath[MaxPath];
    char driverPathExt[MaxPath];
    char pnpString[MaxPath];
    int32_t osDisplayIndex;
};
static_assert(sizeof(AdapterInfo) == 1572);
static_assert(offsetof(AdapterInfo, adapterName) == 280);

// A temperature in thousandths of a degree Celsius.
struct Temperature {
    int32_t size;
    int32_t temperature;
};
static_assert(sizeof(Temperature) == 8);

// The current activity: clocks in units of 10 kHz, voltage in millivolts.
struct PmActivity {
    int32_t size;
    int32_t engineClock;
    int32_t memoryClock;
    int32_t vddc;
    int32_t activityPercent;
    int32_t currentPerformanceLevel;
    int32_t currentBusSpeed;
    int32_t currentBusLanes;
    int32_t maximumBusLanes;
    int32_t reserved;
};
static_assert(sizeof(PmActivity) == 40);

// The library's memory callback: a block of that many bytes.
using MallocCallback = void* (*)(int bytes);

} // namespace monitor::adl
