// How the monitor reaches the limits windows and carries their registers:
// the entry of the notification-area menu, or of the window's context menu
// where there is no notification area; the limits that OK stored and the
// next start-up writes to every logical processor; and a suspend and resume
// (logind's PrepareForSleep) that writes the kept registers back.

#include "LimitsRig.h"
#include "tests/monitor/ui/FakeIcons.h"
#include "tests/monitor/ui/FakeNotificationArea.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "dialog/StandardIds.h"
#include "monitor/controls/window/TurboLimitsDialog.h"
#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/desktop/FixedScreenList.h"
#include "monitor/ui/tray/IconMenu.h"
#include "monitor/ui/placement/MainContextMenu.h"
#include "monitor/ui/app/MonitorWindows.h"
#include "monitor/ui/tray/NotificationIcons.h"
#include "monitor/ui/desktop/SleepWatcher.h"
#include "monitor/ui/placement/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <filesystem>
#include <set>

namespace {

using namespace monitor;
using uitest::MonitorRig;

const std::set<int> AllEight{0, 1, 2, 3, 4, 5, 6, 7};

// The program's windows, the limits window among them, on a desktop with or
// without a notification area.
struct LimitsParts {
    DesktopDocumentOpener opener;
    MonitorWindows windows{opener};
    uitest::FakeIcons icons;

    explicit LimitsParts(bool notificationArea) : icons(notificationArea) {}
    MainDialogParts parts() { return {.windows = &windows, .icons = &icons}; }
};

// The text of the menu's action for `command`; empty when it has none.
QString entryText(QMenu& menu, int command)
{
    for (QAction* action : menu.actions())
        if (action->data().isValid() && action->data().toInt() == command)
            return action->text();
    return {};
}

struct MenuCase {
    const char* name;
    const char* profile;
    bool sixCoreBuild;
    bool notificationArea;
    const char* iconMenu;    // the entry of the notification-area menu
    const char* contextMenu; // the entry of the main window's context menu
};

class LimitsMenus : public ::testing::TestWithParam<MenuCase> {};

TEST_P(LimitsMenus, OfferTheProcessorsWindowWhereItCanBeReached)
{
    const MenuCase& c = GetParam();
    uitest::FakeNotificationArea area;
    NotificationIcons icons(area.factory());
    FixedScreenList screens{{QRect(0, 0, 1280, 1024)}};
    WindowPlacement placement(screens, Composition::Off);
    IconMenu iconMenu(icons, placement);
    MainContextMenu contextMenu(placement);
    LimitsParts parts(c.notificationArea);
    MonitorRig rig(c.profile, {40, 40, 40, 40}, "", parts.parts(),
                   c.sixCoreBuild ? hw::SixCoreBuild : hw::FourCoreBuild);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);

    EXPECT_EQ(entryText(*iconMenu.build(*rig.window), int(IconMenuCommand::Limits)), QString::fromLatin1(c.iconMenu));
    EXPECT_EQ(entryText(*contextMenu.build(*rig.window), ID_LIMITS), QString::fromLatin1(c.contextMenu));
}

INSTANTIATE_TEST_SUITE_P(
    Processors, LimitsMenus,
    ::testing::Values(
        MenuCase{"NehalemWithNotificationArea", "i7-975", false, true, "Turbo Boost Limits...", ""},
        MenuCase{"NehalemWithoutNotificationArea", "i7-920", false, false, "Turbo Boost Limits...",
                 "Turbo Boost Limits..."},
        MenuCase{"SandyBridgeWithoutNotificationArea", "i7-2600k", false, false, "Power Limits...", "Power Limits..."},
        MenuCase{"SandyBridgeInTheSixCoreBuild", "i7-2600k", true, false, "", ""},
        MenuCase{"SixCoreNehalemInTheSixCoreBuild", "i7-980x", true, false, "Turbo Boost Limits...",
                 "Turbo Boost Limits..."},
        MenuCase{"Core2", "e8400", false, false, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The window the next event-loop turn finds open, driven as a user would:
// two steps down for one active core, one watt less TDP, then OK.
void lowerLimitsWhenTheWindowOpens(bool& driven)
{
    QTimer::singleShot(0, [&driven] {
        auto* window = qobject_cast<TurboLimitsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        controlstest::LimitsRig::spin(*window, IdRatioSpin1, +1, 2);
        controlstest::LimitsRig::spin(*window, IdTdpSpin, +1);
        controlstest::LimitsRig::click(*window, dialog::IDOK);
        driven = true;
    });
}

std::set<int> cpusWritten(const sim::SimulatedProcessor& cpu, uint32_t index, uint64_t value)
{
    std::set<int> cpus;
    for (const sim::WriteRecord& w : cpu.writes())
        if (w.index == index && w.value == value && w.outcome == sim::WriteOutcome::Applied)
            cpus.insert(w.cpu);
    return cpus;
}

TEST(LimitsAcrossRuns, StoredLimitsComeBackAtStartUpAndAfterASuspend)
{
    constexpr uint64_t Ratios = 0x1A1A1A19;    // 25 x with one core active, 26 x with two to four
    constexpr uint64_t PowerCurrent = 0x83708408; // TDP 129 W, TDC 110 A, both overrides

    // First run: the window from the context menu (no notification area), confirmed with OK.
    LimitsParts firstParts(false);
    MonitorRig first("i7-975", {40, 40, 40, 40}, "", firstParts.parts());
    ASSERT_EQ(first.start(), StartupOutcome::Running);
    FixedScreenList screens{{QRect(0, 0, 1280, 1024)}};
    WindowPlacement placement(screens, Composition::Off);
    bool driven = false;
    lowerLimitsWhenTheWindowOpens(driven);
    MainContextMenu(placement).runCommand(*first.window, ID_LIMITS);
    ASSERT_TRUE(driven);
    EXPECT_EQ(first.settings().OneADEAX, Ratios);
    EXPECT_EQ(first.settings().TDPTDC, PowerCurrent);

    // Next run, on a machine just powered on: start-up writes them to every logical processor.
    LimitsParts nextParts(false);
    MonitorRig next("i7-975", {40, 40, 40, 40}, "", nextParts.parts());
    std::filesystem::copy_file(first.iniPath, next.iniPath, std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(next.start(), StartupOutcome::Running);
    EXPECT_EQ(cpusWritten(*next.cpu, msr::MSR_TURBO_RATIO_LIMIT, Ratios), AllEight);
    EXPECT_EQ(cpusWritten(*next.cpu, msr::MSR_TURBO_POWER_CURRENT_LIMIT, PowerCurrent), AllEight);

    // A sleep that loses them: the copies kept at the suspend go back after the resume.
    SleepWatcher watcher;
    QObject::connect(&watcher, &SleepWatcher::suspending, next.window.get(), [&] { next.window->systemSuspending(); });
    QObject::connect(&watcher, &SleepWatcher::resumed, next.window.get(), [&] { next.window->systemResumed(); });
    ASSERT_TRUE(QMetaObject::invokeMethod(&watcher, "prepareForSleep", Q_ARG(bool, true)));
    for (int n = 0; n < next.cpu->cpuCount(); ++n) {
        next.cpu->poke(n, msr::MSR_TURBO_RATIO_LIMIT, 0x1A1A1A1B);
        next.cpu->poke(n, msr::MSR_TURBO_POWER_CURRENT_LIMIT, 0x03700410);
    }
    next.cpu->clearWrites();
    ASSERT_TRUE(QMetaObject::invokeMethod(&watcher, "prepareForSleep", Q_ARG(bool, false)));
    EXPECT_EQ(cpusWritten(*next.cpu, msr::MSR_TURBO_RATIO_LIMIT, Ratios), AllEight);
    EXPECT_EQ(cpusWritten(*next.cpu, msr::MSR_TURBO_POWER_CURRENT_LIMIT, PowerCurrent), AllEight);
    EXPECT_EQ(next.cpu->peek(5, msr::MSR_TURBO_RATIO_LIMIT), Ratios);
}

} // namespace
