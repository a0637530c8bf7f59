// The GPU temperature in the monitor on simulated GPUs: the GPU button's
// text and windows, the log column, the GPU icon and the Reset.

#include "tests/monitor/ui/FakeNotificationArea.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/tray/DigitIcon.h"
#include "monitor/ui/app/GpuAttachment.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/tray/NotificationIcons.h"
#include "sim/SimulatedGpus.h"

#include <QCoreApplication>
#include <QPushButton>

#include <gtest/gtest.h>

namespace monitor {
namespace {

using sim::makeSimulatedDrmTree;
using sim::makeSimulatedNvml;
using sim::simulatedGpuMillidegrees;

constexpr int GpuIcon = 4298;
const QString Celsius = QString::fromUtf8("\xC2\xB0" "C");

struct GpuWindowRig {
    uitest::FakeNotificationArea area;
    NotificationIcons icons{area.factory(), [] { return true; }};
    double load = 0.5;
    std::unique_ptr<uitest::MonitorRig> rig;
    std::unique_ptr<GpuAttachment> gpu;

    GpuWindowRig(int nvidia, int ati, const std::string& ini)
    {
        GpuBackends backends;
        backends.openNvml = [this, nvidia]() -> std::unique_ptr<platform::NvmlApi> {
            return nvidia > 0 ? makeSimulatedNvml(nvidia, [this] { return load; }) : nullptr;
        };
        backends.openDrm = [this, ati] { return makeSimulatedDrmTree(ati, [this] { return load; }); };
        // The attachment needs the records, the window needs the attachment.
        rig = std::make_unique<uitest::MonitorRig>("i7-2600k", std::vector<int>{40, 40, 40, 40}, ini,
                                                   MainDialogParts{}, hw::FourCoreBuild,
                                                   uitest::MonitorRig::WindowMade::Later);
        gpu = std::make_unique<GpuAttachment>(*rig->records, std::move(backends));
        rig->makeWindow({.icons = &icons, .gpu = gpu.get()});
        StartupHooks hooks;
        gpu->attachTo(hooks);
        EXPECT_EQ(rig->window->initialise(hooks), StartupOutcome::Running);
        gpu->connectCycle();
    }
    ~GpuWindowRig()
    {
        gpu->close();
        rig.reset();
    }

    MonitorSettings& settings() { return rig->settings(); }
    QString button() const { return rig->text(IDC_GPU_BUTTON); }
    void clickGpuButton() { rig->window->widget<QPushButton>(IDC_GPU_BUTTON)->click(); }
};

// The last column of the last line: the GPU's.
std::string lastLogFigure(const std::string& log)
{
    const size_t end = log.find_last_not_of(" \n");
    const size_t start = log.find_last_of(" ", end);
    return end == std::string::npos ? "" : log.substr(start + 1, end - start);
}

int simulated(int index, double load) { return simulatedGpuMillidegrees(index, load) / 1000; }

TEST(GpuInMonitor, ButtonLogAndIconShowTheHottestSimulatedGpu)
{
    // The lines stay in the buffer (written out only at midnight).
    GpuWindowRig g(2, 1, "GPU=3\nIconShow=16\nLogFile=1\nLogInterval=1\nHDWrite=86400\n");
    ASSERT_TRUE(g.settings().nvidiaPresent);
    ASSERT_TRUE(g.settings().atiPresent);
    EXPECT_TRUE(g.rig->window->isVisible(IDC_GPU_BUTTON));
    EXPECT_TRUE(g.rig->window->isEnabled(IDC_GPU_BUTTON));
    g.rig->tick(2);
    const int hottest = simulated(1, 0.5); // the second NVIDIA GPU
    EXPECT_EQ(g.button(), QStringLiteral("GPU  %1").arg(hottest) + Celsius);
    EXPECT_EQ(lastLogFigure(g.rig->records->log.buffer()), std::to_string(hottest));
    const uitest::FakeNotificationArea::Entry* icon = g.area.find(GpuIcon);
    ASSERT_NE(icon, nullptr);
    const std::optional<QIcon> expected = makeDigitIcon(hottest, colourFromSetting(DefaultIconColour),
                                                        fontFromDescription(g.settings().iconFont), DigitCount::Two);
    EXPECT_EQ(icon->image, expected->pixmap(smallIconSize()).toImage());

    g.load = 1.0; // a busy machine heats its GPUs
    g.gpu->sensors().ati()->setReadNow();
    g.rig->tick();
    EXPECT_EQ(g.button(), QStringLiteral("GPU  %1").arg(simulated(1, 1.0)) + Celsius);
}

TEST(GpuInMonitor, FahrenheitAndTheGpuAlarm)
{
    GpuWindowRig g(1, 0, "GPU=1\nFahrenheit=1\nAlarm=1\nAlarm2=100\n");
    g.rig->tick(2);
    const int fahrenheit = (18 * simulated(0, 0.5) + 5) / 10 + 32;
    EXPECT_EQ(g.button(), QString::fromUtf8("GPU  %1\xC2\xB0" "F").arg(fahrenheit));
    EXPECT_TRUE(g.rig->records->cycle->samples().alarmThisTick); // above 100 °F
}

TEST(GpuInMonitor, ButtonOpensAtiThenNvidiaAndAClosedWindowComesBackNew)
{
    GpuWindowRig g(1, 1, "GPU=3\n");
    g.rig->tick();
    GpuWindows& windows = g.gpu->windows();
    g.clickGpuButton();
    ASSERT_NE(windows.atiWindow(), nullptr);
    EXPECT_EQ(windows.nvidiaWindow(), nullptr);
    g.clickGpuButton();
    ASSERT_NE(windows.nvidiaWindow(), nullptr);
    AtiInfoDialog* first = windows.atiWindow();
    g.clickGpuButton(); // both open: nothing new
    EXPECT_EQ(windows.atiWindow(), first);

    windows.nvidiaWindow()->runCommand(NvidiaInfoDialog::ID_NV_CLOSE);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.nvidiaWindow(), nullptr);
    g.clickGpuButton();
    EXPECT_NE(windows.nvidiaWindow(), nullptr);
}

TEST(GpuInMonitor, SettingsSwitchCreatesTheSensorAndResetClearsItsExtremes)
{
    GpuWindowRig g(1, 0, "");
    EXPECT_FALSE(g.settings().gpuPresent);
    EXPECT_FALSE(g.rig->window->isVisible(IDC_GPU_BUTTON));
    EXPECT_FALSE(g.rig->window->enableAtiSensor()); // no AMD card
    ASSERT_TRUE(g.rig->window->enableNvidiaSensor());
    EXPECT_TRUE(g.settings().gpuPresent);
    g.rig->tick();
    EXPECT_EQ(g.gpu->sensors().nvidia()->minTemp(0), static_cast<unsigned>(simulated(0, 0.5)));
    g.rig->window->reset();
    EXPECT_EQ(g.gpu->sensors().nvidia()->minTemp(0), NvidiaSensor::NotRead);
}

} // namespace
} // namespace monitor
