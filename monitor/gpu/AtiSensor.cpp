#include "monitor/gpu/AtiSensor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace monitor {

using namespace adl;

namespace {

// The library's allocations come from the general-purpose heap.
void* allocateForLibrary(int bytes) { return bytes > 0 ? std::malloc(static_cast<size_t>(bytes)) : nullptr; }

constexpr int MaskBits = 32;

} // namespace

AtiSensor::AtiSensor(std::unique_ptr<AdlLibrary> library, MonitorSettings& settings, GpuClock clock)
    : m_library(std::move(library)), m_settings(settings), m_clock(std::move(clock))
{
}

AtiSensor::~AtiSensor()
{
    if (m_controlCreated)
        m_library->mainControlDestroy();
}

std::unique_ptr<AtiSensor> AtiSensor::Create(const LibraryOpener& open, MonitorSettings& settings, GpuClock clock)
{
    std::unique_ptr<AdlLibrary> library = open ? open() : nullptr;
    if (!library)
        return nullptr;
    for (std::string_view name : AdlFunctionNames)
        if (!library->hasFunction(name))
            return nullptr;
    std::unique_ptr<AtiSensor> sensor(new AtiSensor(std::move(library), settings, std::move(clock)));
    AdlLibrary& adl = *sensor->m_library;
    if (adl.mainControlCreate(allocateForLibrary, 1) != Ok)
        return nullptr;
    sensor->m_controlCreated = true;
    int count = 0;
    if (adl.numberOfAdapters(&count) != Ok || count <= 0)
        return nullptr;
    try {
        const size_t n = static_cast<size_t>(count);
        sensor->m_adapterInfo.assign(n, AdapterInfo{});
        if (adl.adapterInfo(sensor->m_adapterInfo.data(), static_cast<int>(n * sizeof(AdapterInfo))) != Ok)
            return nullptr;
        sensor->m_minTemp.resize(n);
        sensor->m_maxTemp.resize(n);
        sensor->m_readIndex.assign(n, -1);
        sensor->m_lastTemp.assign(n, NoTemperature);
        sensor->m_minTime.resize(n);
        sensor->m_maxTime.resize(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    sensor->m_adapterCount = count;
    sensor->ResetStatistics();
    sensor->Read();
    if (sensor->m_readMask == 0)
        return nullptr;
    return sensor;
}

void AtiSensor::ResetStatistics()
{
    const std::tm now = m_clock();
    for (size_t i = 0; i < m_minTemp.size(); ++i) {
        m_minTemp[i] = NotRead;
        m_maxTemp[i] = 0;
        m_minTime[i] = now;
        m_maxTime[i] = now;
    }
    m_currentMax = 0;
    m_readNow = true;
}

bool AtiSensor::due() const
{
    if (m_readNow)
        return true;
    const int interval = std::max(1, m_settings.PollInterval);
    return secondsOfDay(m_clock()) % interval == 0;
}

void AtiSensor::findAdaptersToRead()
{
    int previous = 0;
    for (int i = 0; i < m_adapterCount; ++i) {
        const size_t a = static_cast<size_t>(i);
        m_readIndex[a] = -1;
        int id = 0;
        if (m_library->adapterId(i, &id) == Ok && id != previous) {
            m_readIndex[a] = i;
            previous = id;
        }
    }
}

int AtiSensor::Read()
{
    if (m_settings.DisableSensor != 0 || !due())
        return m_currentMax;
    m_readNow = false;
    findAdaptersToRead();

    m_currentMax = 0;
    bool error = false;
    const std::tm now = m_clock();
    for (int i = 0; i < m_adapterCount; ++i) {
        const size_t a = static_cast<size_t>(i);
        if (m_readIndex[a] == -1) {
            m_lastTemp[a] = NoTemperature;
            continue;
        }
        Temperature reading{static_cast<int32_t>(sizeof(Temperature)), 0};
        if (m_library->temperature(i, 0, &reading) != Ok) {
            m_lastTemp[a] = NoTemperature;
            error = true;
            continue;
        }
        if (i < MaskBits)
            m_readMask |= 1u << i;
        const int t = reading.temperature / 1000;
        m_lastTemp[a] = t;
        // Zero or below is no reading of a working GPU either.
        if (t <= 0 || t > HighestPlausible) {
            error = true;
            continue;
        }
        if (t < m_minTemp[a]) {
            m_minTemp[a] = t;
            m_minTime[a] = now;
        }
        if (t > m_maxTemp[a]) {
            m_maxTemp[a] = t;
            m_maxTime[a] = now;
        }
        m_currentMax = std::max(m_currentMax, t);
    }
    if (error && m_currentMax != 0)
        m_currentMax = m_lastGood;
    else
        m_lastGood = m_currentMax;
    return m_currentMax;
}

std::string AtiSensor::adapterName(int adapter) const
{
    if (adapter < 0 || adapter >= m_adapterCount)
        return {};
    const AdapterInfo& info = m_adapterInfo[static_cast<size_t>(adapter)];
    return std::string(info.adapterName, strnlen(info.adapterName, sizeof info.adapterName));
}

bool AtiSensor::currentActivity(int adapter, PmActivity& activity)
{
    std::memset(&activity, 0, sizeof activity);
    activity.size = sizeof activity;
    return adapter >= 0 && adapter < m_adapterCount && m_library->currentActivity(adapter, &activity) == Ok;
}

} // namespace monitor
