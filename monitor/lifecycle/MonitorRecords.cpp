#include "monitor/lifecycle/MonitorRecords.h"

namespace monitor {

MonitorRecords::MonitorRecords(std::shared_ptr<platform::Processor> processor_, const hw::BuildFlavour& flavour_,
                               std::string iniPath_)
    : processorOwner(std::move(processor_))
    , processor(*processorOwner)
    , access(*processorOwner)
    , flavour(flavour_)
    , layout(settingsLayoutFor(flavour_))
    , measureFlavour(measureFlavourFor(flavour_))
    , iniPath(std::move(iniPath_))
{
}

MonitorRecords::MonitorRecords(platform::Processor& processor_, const hw::BuildFlavour& flavour_,
                               std::string iniPath_)
    : MonitorRecords(UnownedProcessor(processor_), flavour_, std::move(iniPath_))
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
