#pragma once
// The figures above the core columns of the main window: core clock, bus
// clock and multiplier, load, and the information view (run timer, voltage
// identifier or package power). UpdateReadings runs at the end of every
// sampling cycle and when the information view changes.

#include "monitor/measure/ClockCounters.h"
#include "monitor/measure/RunTimer.h"
#include "monitor/measure/SharedReadings.h"

#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"

#include <cstdint>
#include <string>

namespace monitor {

enum InfoView : int { RunTimerView = 0, VidView = 1, PowerView = 2 };

// Main-window controls that receive the texts.
constexpr int ClockTextControl = 1155;
constexpr int MultiplierTextControl = 1159;
constexpr int LoadTextControl = 1157;
constexpr int InfoButtonControl = 1530;
constexpr int InfoTextControl = 1531;

// Settings read on every cycle (they may change while the program runs).
struct ReadingOptions {
    bool tmLoad = false;          // TMLoad: the load figure comes from the load counter thread
    int refreshIntervalMs = 1000; // RefreshInterval
    bool vidInfo = false;         // VIDInfo, where the flavour's InfoChoice is VidInfoKey
};

struct ReadingTexts {
    std::string clock;      // "%.2f MHz"
    std::string multiplier; // "%.2f x %.1f", bus clock and multiplier
    std::string load;       // "Load %5.1f%%"
    std::string info;       // run timer, "%.4f VID" or "%.1f W"; "VID   %.4f" with VIDInfo
};

// The information views a processor offers: only the run timer on Nehalem
// class processors without an energy counter, run timer and VID on Core 2
// class ones, all three on Sandy Bridge.
int InfoViewCount(const hw::ProcessorInfo& info);
// A stored InfoWindowIndex outside the views the processor offers becomes 0.
int ClampInfoView(int stored, const hw::ProcessorInfo& info);
// The control that shows the information view: a plain text where there is
// only one view, else the button that cycles through them.
int InfoControlId(const hw::ProcessorInfo& info);

// The logical processor with the highest load among the first `entries`
// (the first of equals; 0 when all are idle).
int BusiestCpu(const ClockCounters& counters, int entries);

class ClockReadings {
public:
    ClockReadings(hw::HardwareAccess& access, ClockCounters& counters, SharedReadings& shared,
                  const hw::ProcessorInfo& info, int storedInfoView);

    void UpdateReadings(const ReadingOptions& options);
    // The click handler of the information button: next view, then the texts at once.
    void NextInfoView(const ReadingOptions& options);
    // Core 2 class: calibrates the ratios again (after the system resumes).
    void Recalibrate();
    // The main window's Reset: the run timer starts again.
    void ResetRunTimer();

    int infoView() const { return m_infoView; }
    const ReadingTexts& texts() const { return m_texts; }
    // The load in percent behind texts().load (the log records it too).
    double load() const { return m_load; }
    double multiplier() const { return m_multiplier; }
    RunTimer& runTimer() { return m_runTimer; }

private:
    double cycleCounterMultiplier() const;
    double ratioRegisterMultiplier();
    void updateClockTexts(double multiplier);
    void updateInfoText(const ReadingOptions& options);
    void updateLoadText(const ReadingOptions& options);
    int64_t nowSeconds();

    hw::HardwareAccess& m_access;
    ClockCounters& m_counters;
    SharedReadings& m_shared;
    const hw::ProcessorInfo& m_info;
    int m_infoView;
    RunTimer m_runTimer;
    uint32_t m_flexRatioSeen = 0;
    double m_multiplier = 0.0;
    double m_load = 0.0;
    ReadingTexts m_texts;
};

} // namespace monitor
