#include "monitor/MonitorRecords.h"

namespace monitor {

MonitorRecords::MonitorRecords(platform::Processor& processor_, const hw::BuildFlavour& flavour_,
                               std::string iniPath_)
    : processor(processor_)
    , access(processor_)
    , flavour(flavour_)
    , layout(settingsLayoutFor(flavour_))
    , measureFlavour(measureFlavourFor(flavour_))
    , iniPath(std::move(iniPath_))
{
}

MonitorRecords::~MonitorRecords()
{
    if (clockThread.running() || loadThread.running())
        StopWorkerThreads(*shared, processor);
    loadThread.release();
    clockThread.release();
}

} // namespace monitor
