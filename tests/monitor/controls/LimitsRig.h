#pragma once
// A limits window on a simulated processor: a manual clock, the register
// access the window uses (optionally through a processor that hides bits of
// MSR_PLATFORM_INFO), a settings file in a temporary folder, scripted
// message boxes, and the window shown and active so that focus moves and
// field checks happen as for a user.

#include "dialog/ScriptedDialogServices.h"
#include "dialog/UpDownControl.h"
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "monitor/settings/MonitorSettings.h"
#include "platform/ForwardingProcessor.h"
#include "sim/SimulatedProcessor.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace controlstest {

// Clears bits of MSR_PLATFORM_INFO as a processor without those features reports it.
class PlatformInfoMask : public platform::ForwardingProcessor {
public:
    PlatformInfoMask(platform::Processor& inner, uint64_t cleared) : ForwardingProcessor(inner), m_cleared(cleared) {}

    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override
    {
        if (!inner().readMsr(index, low, high))
            return false;
        if (index == msr::MSR_PLATFORM_INFO) {
            const uint64_t value = msr::join(low, high) & ~m_cleared;
            low = msr::lowHalf(value);
            high = msr::highHalf(value);
        }
        return true;
    }

private:
    uint64_t m_cleared;
};

struct LimitsRig {
    QTemporaryDir dir;
    std::string iniPath;
    std::shared_ptr<sim::ManualClock> clock = std::make_shared<sim::ManualClock>();
    std::unique_ptr<sim::SimulatedProcessor> cpu;
    std::unique_ptr<PlatformInfoMask> masked;
    std::unique_ptr<hw::HardwareAccess> access;
    monitor::MonitorSettings settings;
    dialog::ScriptedDialogServices services;

    explicit LimitsRig(const std::string& profile, double loadPercent = 0, uint64_t clearedPlatformInfo = 0)
    {
        iniPath = (dir.path() + QStringLiteral("/Ostrel.ini")).toStdString();
        std::ofstream(iniPath) << "[Ostrel]\n";
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = loadPercent;
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options, clock);
        EXPECT_TRUE(created.processor) << created.error;
        cpu = std::move(created.processor);
        masked = std::make_unique<PlatformInfoMask>(*cpu, clearedPlatformInfo);
        access = std::make_unique<hw::HardwareAccess>(*masked);
    }

    static void showActive(QWidget& window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Types into an edit (replacing its text) and leaves the field for `next`.
    template <typename Window>
    static void type(Window& window, int id, const QString& typed, int next)
    {
        window.setFocus(id);
        auto* edit = window.template widget<QLineEdit>(id);
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        window.setFocus(next);
    }

    template <typename Window>
    static void spin(Window& window, int id, int delta, int times = 1)
    {
        auto* control = window.template widget<dialog::UpDownControl>(id);
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(delta < 0 ? control->upButton() : control->downButton(), Qt::LeftButton);
    }

    // A click on a button or check box, wherever its text lies.
    template <typename Window>
    static void click(Window& window, int id)
    {
        window.template widget<QAbstractButton>(id)->click();
    }

    // The values written to one register, in order.
    std::vector<uint64_t> written(uint32_t index) const
    {
        std::vector<uint64_t> values;
        for (const sim::WriteRecord& w : cpu->writes())
            if (w.index == index)
                values.push_back(w.value);
        return values;
    }

    uint64_t peek(uint32_t index) { return cpu->peek(0, index).value_or(0); }

    // Sets a package register on every CPU, as firmware would.
    void pokeAll(uint32_t index, uint64_t value)
    {
        for (int n = 0; n < cpu->cpuCount(); ++n)
            cpu->poke(n, index, value);
    }
};

} // namespace controlstest
