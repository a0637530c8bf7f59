// The NVIDIA Information and ATI Info windows: over the test-only NVML
// library and over recorded sysfs trees.

#include "DrmFixture.h"
#include "FakeNvmlScript.h"

#include "monitor/gpu/window/AtiInfoDialog.h"
#include "monitor/gpu/GpuSensors.h"
#include "monitor/gpu/window/NvidiaInfoDialog.h"
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace monitor {
namespace {

using gputest::CardSpec;
using gputest::DrmFixture;
using gputest::FakeNvmlScript;
using N = NvidiaInfoDialog;
using A = AtiInfoDialog;

void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

std::tm at(int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

struct NvidiaRig {
    FakeNvmlScript script;
    MonitorSettings settings;
    GpuSensors sensors;
    QPointer<NvidiaInfoDialog> window;

    explicit NvidiaRig(const std::string& gpus)
        : script("driver 535.104.05\n" + gpus), sensors(gputest::fakeNvmlBackends(), [] { return at(9, 30, 5); }, "")
    {
        EXPECT_TRUE(sensors.enableNvidia(settings));
        window = new NvidiaInfoDialog(*sensors.nvidia(), settings, QFont());
    }
    ~NvidiaRig() { delete window.data(); }
    void click() { window->widget<QPushButton>(N::IDC_NV_GPU_BUTTON)->click(); }
    QString text(int id) const { return window->text(id); }
};

TEST(NvidiaInfoDialog, SingleGpuButtonSaysOkAndCloses)
{
    NvidiaRig rig("gpu GeForce A|8192|16|50\n");
    EXPECT_EQ(rig.window->caption(), "NVIDIA Information");
    EXPECT_EQ(rig.text(N::IDC_NV_GPU_BUTTON), "OK");
    rig.click();
    runDeferredDeletes();
    EXPECT_TRUE(rig.window.isNull());
}

TEST(NvidiaInfoDialog, ButtonStepsThroughThreeGpus)
{
    NvidiaRig rig("gpu A|1024|16|50\ngpu B|2048|8|50\ngpu C|4096|4|50\n");
    EXPECT_EQ(rig.text(N::IDC_NV_GPU_BUTTON), "GPU 1");
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        rig.click();
        seen << rig.text(N::IDC_NV_GPU_BUTTON) + " " + rig.text(N::IDC_NV_NAME) + " " + rig.text(N::IDC_NV_MEMORY)
                    + " " + rig.text(N::IDC_NV_LINK_WIDTH);
    }
    EXPECT_EQ(seen, (QStringList{"GPU 2 B 2048 MB x8", "GPU 3 C 4096 MB x4", "GPU 1 A 1024 MB x16"}));
    EXPECT_FALSE(rig.window.isNull());
}

TEST(NvidiaInfoDialog, FieldsAndResetLeavesExtremesEmptyUntilTheNextReading)
{
    NvidiaRig rig("gpu GeForce A|8192|16|50,62,71\n");
    EXPECT_EQ(rig.text(N::IDC_NV_DRIVER), "535.10");
    EXPECT_EQ(rig.text(N::IDC_NV_NAME), "GeForce A");
    EXPECT_EQ(rig.text(N::IDC_NV_MEMORY), "8192 MB");
    EXPECT_EQ(rig.text(N::IDC_NV_MIN), ""); // not read yet
    rig.settings.gpuPresent = true;
    rig.sensors.read();
    rig.sensors.read();
    rig.window->refresh();
    EXPECT_EQ(rig.text(N::IDC_NV_MIN) + "/" + rig.text(N::IDC_NV_MAX), "50/62");
    EXPECT_EQ(rig.text(N::IDC_NV_MIN_DATE) + " " + rig.text(N::IDC_NV_MAX_TIME), "12/08/2026 09:30:05");

    rig.window->runCommand(N::ID_NV_RESET);
    rig.window->refresh();
    for (int id : {N::IDC_NV_MIN, N::IDC_NV_MAX, N::IDC_NV_MIN_DATE, N::IDC_NV_MIN_TIME, N::IDC_NV_MAX_DATE,
                   N::IDC_NV_MAX_TIME})
        EXPECT_EQ(rig.text(id), "") << id;
    rig.sensors.read();
    rig.settings.Fahrenheit = true;
    rig.window->refresh();
    EXPECT_EQ(rig.text(N::IDC_NV_MIN), "160"); // 71 °C
}

struct AtiWindowRig {
    DrmFixture tree;
    std::tm now = at(10, 0, 3);
    MonitorSettings settings;
    std::string iniPath;
    std::unique_ptr<GpuSensors> sensors;
    QPointer<AtiInfoDialog> window;

    explicit AtiWindowRig(const std::vector<CardSpec>& cards) : iniPath((tree.top / "Ostrel.ini").string())
    {
        for (size_t i = 0; i < cards.size(); ++i)
            tree.card(static_cast<int>(i), cards[i]);
        DrmFixture::write(iniPath, "[Ostrel]\nPollInterval=5\n");
        sensors = std::make_unique<GpuSensors>(GpuBackends::host("/nonexistent", tree.root()),
                                               [this] { return now; }, iniPath);
        EXPECT_TRUE(sensors->enableAti(settings));
        window = new AtiInfoDialog(*sensors->ati(), settings, QFont(), [this] { sensors->saveAtiPolling(); });
    }
    ~AtiWindowRig() { delete window.data(); }
    QString text(int id) const { return window->text(id); }
    void click(int id) { window->widget<QAbstractButton>(id)->click(); }
};

TEST(AtiInfoDialog, ShowsTheAdapterAndItsActivity)
{
    AtiWindowRig rig({{.pci = "0000:03:00.0", .millidegrees = 47500, .productName = "AMD Radeon HD 6970 Series"}});
    DrmFixture::write(rig.tree.device("0000:03:00.0") / "hwmon/hwmon1/freq1_input", "880000000\n");
    DrmFixture::write(rig.tree.device("0000:03:00.0") / "hwmon/hwmon1/in0_input", "1175\n");
    rig.click(A::IDC_ATI_GPU_BUTTON); // a lone adapter: "OK" closes
    runDeferredDeletes();
    ASSERT_TRUE(rig.window.isNull());

    rig.window = new AtiInfoDialog(*rig.sensors->ati(), rig.settings, QFont(), {});
    EXPECT_EQ(rig.window->caption(), "ATI Info");
    EXPECT_EQ(rig.text(A::IDC_ATI_NAME), "AMD Radeon HD 6970");
    EXPECT_EQ(rig.text(A::IDC_ATI_GPU_BUTTON), "OK");
    EXPECT_EQ(rig.text(A::IDC_ATI_INTERVAL), "5");
    rig.now = at(10, 0, 5);
    rig.window->refresh();
    EXPECT_EQ(rig.text(A::IDC_ATI_TEMPERATURE), "47");
    EXPECT_EQ(rig.text(A::IDC_ATI_MIN) + "/" + rig.text(A::IDC_ATI_MAX), "47/47");
    EXPECT_EQ(rig.text(A::IDC_ATI_CORE_CLOCK), "880 MHz");
    EXPECT_EQ(rig.text(A::IDC_ATI_VOLTAGE), "1.175 V");
    EXPECT_EQ(rig.text(A::IDC_ATI_LINK_WIDTH), "x 16");
}

TEST(AtiInfoDialog, SeriesIsRemovedWhereverItStands)
{
    EXPECT_EQ(A::shownName("AMD Radeon HD 6900 Series"), "AMD Radeon HD 6900");
    EXPECT_EQ(A::shownName("Radeon Series X Series"), "Radeon X");
    EXPECT_EQ(A::shownName("Radeon Seriesless"), "Radeonless");
    EXPECT_EQ(A::shownName("FirePro"), "FirePro");
}

TEST(AtiInfoDialog, TypedIntervalIsKeptWithinOneToAnHour)
{
    AtiWindowRig rig({{.pci = "0000:03:00.0"}});
    for (const auto& [typed, kept] : {std::pair{"0", 1}, {"4000", 3600}, {"12", 12}, {"", 1}}) {
        rig.window->setText(A::IDC_ATI_INTERVAL, QString::fromLatin1(typed));
        rig.window->runLeaveFieldCheck(A::IDC_ATI_INTERVAL);
        EXPECT_EQ(rig.settings.PollInterval, kept) << typed;
        EXPECT_EQ(rig.text(A::IDC_ATI_INTERVAL), QString::number(kept));
    }
}

TEST(AtiInfoDialog, UntickingDisableReadsAtTheNextCycleAndClosingWritesTheKeys)
{
    AtiWindowRig rig({{.pci = "0000:03:00.0", .millidegrees = 50000}});
    rig.click(A::IDC_ATI_DISABLE);
    EXPECT_EQ(rig.settings.DisableSensor, 1);
    EXPECT_FALSE(rig.window->isEnabled(A::IDC_ATI_INTERVAL));
    EXPECT_EQ(rig.text(A::IDC_ATI_TEMPERATURE), "");
    rig.tree.setTemperature("0000:03:00.0", 66000);
    rig.settings.gpuPresent = true;
    EXPECT_EQ(rig.sensors->read(), 50);

    rig.click(A::IDC_ATI_DISABLE);
    EXPECT_TRUE(rig.window->isEnabled(A::IDC_ATI_INTERVAL));
    EXPECT_EQ(rig.sensors->read(), 66); // 10:00:03, no multiple of 5
    rig.window->refresh();
    EXPECT_EQ(rig.text(A::IDC_ATI_TEMPERATURE), "66");

    rig.click(A::IDC_ATI_DISABLE);
    rig.window->setText(A::IDC_ATI_INTERVAL, "30");
    rig.window->runLeaveFieldCheck(A::IDC_ATI_INTERVAL);
    rig.window->runCommand(A::ID_ATI_CLOSE);
    runDeferredDeletes();
    EXPECT_TRUE(rig.window.isNull());
    const platform::IniFile ini(rig.iniPath);
    EXPECT_EQ(ini.readInt("Ostrel", "PollInterval", 0), 30);
    EXPECT_EQ(ini.readInt("Ostrel", "DisableSensor", 0), 1);
}

TEST(AtiInfoDialog, TwoEntriesOfOneGpuKeepTheButtonOnGpuOne)
{
    AtiWindowRig rig({{.pci = "0000:03:00.0"}, {.pci = "0000:03:00.0"}});
    EXPECT_EQ(rig.text(A::IDC_ATI_GPU_BUTTON), "GPU 1");
    rig.click(A::IDC_ATI_GPU_BUTTON);
    EXPECT_EQ(rig.text(A::IDC_ATI_GPU_BUTTON), "GPU 1");
    EXPECT_EQ(rig.window->shownAdapter(), 0);
}

TEST(AtiInfoDialog, ButtonStepsThroughTheGpusThatWereRead)
{
    AtiWindowRig rig({{.pci = "0000:03:00.0", .productName = "First"},
                      {.pci = "0000:03:00.0", .productName = "First"},
                      {.pci = "0000:04:00.0", .productName = "Second"}});
    rig.click(A::IDC_ATI_GPU_BUTTON);
    EXPECT_EQ(rig.text(A::IDC_ATI_GPU_BUTTON) + " " + rig.text(A::IDC_ATI_NAME), "GPU 2 Second");
    rig.click(A::IDC_ATI_GPU_BUTTON);
    EXPECT_EQ(rig.text(A::IDC_ATI_GPU_BUTTON) + " " + rig.text(A::IDC_ATI_NAME), "GPU 1 First");
}

} // namespace
} // namespace monitor
