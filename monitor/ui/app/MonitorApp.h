#pragma once
// The monitor as a program: the records, the main window run modally, and
// the shutdown once it has closed. Termination signals and the system's
// suspend and resume reach the window through the event loop.

#include "dialog/DialogServices.h"
#include "hw/BuildFlavour.h"
#include "monitor/gpu/GpuBackends.h"
#include "monitor/ui/main/MainDialogParts.h"
#include "platform/Processor.h"

#include <memory>
#include <string>

namespace monitor {

class MonitorApp {
public:
    // Exit statuses of the program.
    static constexpr int ExitNormal = 0;
    static constexpr int ExitStartupFailed = 1;

    // The measurement threads share the ownership of `processor`, so one the
    // shutdown stops waiting for never touches a destroyed processor.
    MonitorApp(std::shared_ptr<platform::Processor> processor, const hw::BuildFlavour& flavour, std::string iniPath,
               dialog::DialogServices& services = dialog::DialogServices::standard());
    // Over a processor the caller keeps alive until every measurement thread
    // has ended, even after run() returned.
    MonitorApp(platform::Processor& processor, const hw::BuildFlavour& flavour, std::string iniPath,
               dialog::DialogServices& services = dialog::DialogServices::standard());

    // Parts that take the place of the program's own; set before run(),
    // they must outlive it. A part left empty is the program's.
    MainDialogParts& parts() { return m_parts; }
    // Where the graphics sensors find NVML and the amdgpu sysfs tree; the
    // host's unless set (simulated GPUs, tests).
    void setGpuBackends(GpuBackends backends) { m_gpuBackends = std::move(backends); }

    // Where logs named without a folder go (an installed program's state
    // folder); the current folder when empty.
    void setLogFolder(std::string folder) { m_logFolder = std::move(folder); }

    // Runs the whole life of the monitor and returns the exit status.
    int run();

private:
    std::shared_ptr<platform::Processor> m_processor;
    hw::BuildFlavour m_flavour;
    std::string m_iniPath;
    std::string m_logFolder;
    dialog::DialogServices& m_services;
    MainDialogParts m_parts;
    GpuBackends m_gpuBackends = GpuBackends::host();
};

} // namespace monitor
