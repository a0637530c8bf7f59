#pragma once
// The ATI display library as a loaded library offers it: a lookup of each
// function by its name, and the functions themselves.

#include "monitor/gpu/AdlTypes.h"

#include <array>
#include <string_view>

namespace monitor {

// The names of the eight functions the sensor needs; all must exist.
inline constexpr std::array<std::string_view, 8> AdlFunctionNames = {
    "ADL_Main_Control_Create",       "ADL_Main_Control_Destroy",       "ADL_Adapter_NumberOfAdapters_Get",
    "ADL_Adapter_AdapterInfo_Get",   "ADL_Adapter_Active_Get",         "ADL_Overdrive5_Temperature_Get",
    "ADL_Adapter_ID_Get",            "ADL_Overdrive5_CurrentActivity_Get",
};

class AdlLibrary {
public:
    virtual ~AdlLibrary() = default;

    // Whether the library exports the function of that name.
    virtual bool hasFunction(std::string_view name) const = 0;

    virtual int mainControlCreate(adl::MallocCallback callback, int enumerateConnected) = 0;
    virtual int mainControlDestroy() = 0;
    virtual int numberOfAdapters(int* count) = 0;
    virtual int adapterInfo(adl::AdapterInfo* info, int bytes) = 0;
    virtual int adapterActive(int adapter, int* active) = 0;
    virtual int temperature(int adapter, int thermalController, adl::Temperature* temperature) = 0;
    virtual int adapterId(int adapter, int* id) = 0;
    virtual int currentActivity(int adapter, adl::PmActivity* activity) = 0;
};

} // namespace monitor
