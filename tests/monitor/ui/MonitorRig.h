#pragma once
// A monitor on a simulated processor for the window tests: a settings file in
// a temporary folder, thermal readouts pinned per core, the main window with
// scripted message boxes, and ticks run by hand (the window's own timer is
// stopped after each one, so only the test decides when a tick happens).

#include "DriverFaults.h"

#include "dialog/ScriptedDialogServices.h"
#include "hw/BuildFlavour.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/ui/main/MainDialog.h"
#include "platform/IniFile.h"
#include "sim/SimulatedProcessor.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace uitest {

struct MonitorRig {
    QTemporaryDir dir;
    std::string iniPath;
    std::unique_ptr<sim::SimulatedProcessor> cpu;
    std::unique_ptr<DriverFaults> faults;
    std::unique_ptr<monitor::MonitorRecords> records;
    dialog::ScriptedDialogServices services;
    std::unique_ptr<monitor::MainDialog> window;

    // A window made at once with `parts`, or later by makeWindow() for parts
    // that need the records first.
    enum class WindowMade { Now, Later };

    MonitorRig(const std::string& profile, std::vector<int> readouts, const std::string& iniText = "",
               monitor::MainDialogParts parts = {}, const hw::BuildFlavour& flavour = hw::FourCoreBuild,
               WindowMade made = WindowMade::Now)
    {
        iniPath = (dir.path() + QStringLiteral("/Ostrel.ini")).toStdString();
        std::ofstream(iniPath) << "[Ostrel]\n" << iniText;
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 10;
        options.pinnedReadouts = std::move(readouts);
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
        EXPECT_TRUE(created.processor) << created.error;
        cpu = std::move(created.processor);
        faults = std::make_unique<DriverFaults>(*cpu);
        records = std::make_unique<monitor::MonitorRecords>(*faults, flavour, iniPath);
        if (made == WindowMade::Now)
            makeWindow(parts);
    }

    void makeWindow(monitor::MainDialogParts parts)
    {
        window = std::make_unique<monitor::MainDialog>(*records, parts);
        window->setServices(services);
    }

    ~MonitorRig()
    {
        window.reset();
        records.reset();
    }

    monitor::StartupOutcome start() { return window->initialise(); }

    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            window->handleTimer();
            window->killTimer(monitor::MainDialog::SamplingTimer);
        }
    }

    QString text(int id) const { return window->text(id); }
    monitor::MonitorSettings& settings() { return *records->settings; }
    int tjMax(int slot) const { return records->info.tjMax[slot]; }
};

} // namespace uitest
