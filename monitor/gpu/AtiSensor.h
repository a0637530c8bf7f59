#pragma once
// The temperatures of ATI graphics adapters through the ATI display library,
// read every PollInterval seconds on clock seconds that are multiples of it
// (or at the next cycle after readNow), with per-adapter extremes and their
// times. Adapters that report one identifier in a row are one GPU and are
// read once. A failed reading, or one of 0 °C or below or above 127 °C, keeps
// that adapter's statistics; the poll's figure then falls back to the last
// error-free one when another adapter was read.
//
// PollInterval and DisableSensor are the settings' own fields: the sensor
// reads them at every poll and the ATI Info window changes them.

#include "monitor/gpu/AdlLibrary.h"
#include "monitor/gpu/GpuClock.h"
#include "monitor/settings/MonitorSettings.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace monitor {

class AtiSensor {
public:
    static constexpr int NotRead = 256;      // minTemp of an adapter not read since the reset
    static constexpr int NoTemperature = -1; // lastTemp of an adapter not read or failed
    static constexpr int HighestPlausible = 127;

    // Opens the library; null when it is not there.
    using LibraryOpener = std::function<std::unique_ptr<AdlLibrary>()>;

    // Null unless at least one adapter could be read.
    static std::unique_ptr<AtiSensor> Create(const LibraryOpener& open, MonitorSettings& settings, GpuClock clock);
    ~AtiSensor();
    AtiSensor(const AtiSensor&) = delete;
    AtiSensor& operator=(const AtiSensor&) = delete;

    // Every adapter's minimum NotRead and maximum 0, both times now;
    // currentMax 0; the next Read() reads whatever the clock says.
    void ResetStatistics();
    // The ATI figure in °C: the hottest adapter of the last poll.
    int Read();

    int adapterCount() const { return m_adapterCount; }
    // The adapter name as the library gives it.
    std::string adapterName(int adapter) const;
    // Bit i: adapter i has been read successfully at least once.
    uint32_t readMask() const { return m_readMask; }
    int minTemp(int adapter) const { return m_minTemp[static_cast<size_t>(adapter)]; }
    int maxTemp(int adapter) const { return m_maxTemp[static_cast<size_t>(adapter)]; }
    const std::tm& minTime(int adapter) const { return m_minTime[static_cast<size_t>(adapter)]; }
    const std::tm& maxTime(int adapter) const { return m_maxTime[static_cast<size_t>(adapter)]; }
    int lastTemp(int adapter) const { return m_lastTemp[static_cast<size_t>(adapter)]; }
    int currentMax() const { return m_currentMax; }
    // The adapter's clocks, voltage and lanes; false when the call fails.
    bool currentActivity(int adapter, adl::PmActivity& activity);

    void setReadNow() { m_readNow = true; }
    bool readNow() const { return m_readNow; }
    MonitorSettings& settings() { return m_settings; }
    const GpuClock& clock() const { return m_clock; }

private:
    AtiSensor(std::unique_ptr<AdlLibrary> library, MonitorSettings& settings, GpuClock clock);
    bool due() const;
    void findAdaptersToRead();

    std::unique_ptr<AdlLibrary> m_library;
    MonitorSettings& m_settings;
    GpuClock m_clock;
    bool m_controlCreated = false;
    int m_adapterCount = 0;
    std::vector<adl::AdapterInfo> m_adapterInfo;
    std::vector<int> m_minTemp, m_maxTemp, m_readIndex, m_lastTemp;
    std::vector<std::tm> m_minTime, m_maxTime;
    int m_currentMax = 0;
    int m_lastGood = 0;
    uint32_t m_readMask = 0;
    bool m_readNow = false;
};

} // namespace monitor
