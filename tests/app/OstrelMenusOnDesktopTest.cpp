// The real Ostrel on a real X desktop (Xvfb, openbox, trayer), used with the
// mouse through xdotool as a user would: every command of the icons' menu
// and of the window's right-click menu in turn, and the settings window put
// always on top with Apply. The program must live through all of it and end
// in order on SIGTERM, its settings saved.

#include "monitor/settings/PackedPosition.h"
#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XDesktop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <thread>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
using processtest::XWindow;
using namespace std::chrono_literals;

#define SKIP_WITHOUT_DESKTOP()                                                   \
    do {                                                                         \
        const std::string why = processtest::desktopUnavailable();               \
        if (!why.empty())                                                        \
            GTEST_SKIP() << "needs an X desktop with a window manager: " << why; \
    } while (0)

// Fusion draws every menu item equally high and each separator this high.
constexpr int SeparatorHeight = 2;
const std::string Separator = "-";

std::set<unsigned long> shownIds(pid_t pid)
{
    std::set<unsigned long> ids;
    for (const XWindow& window : processtest::shownWindowsOf(pid))
        ids.insert(window.id);
    return ids;
}

// A shown window of the program, larger than an icon, that was not among `before`.
XWindow waitForNewWindow(ProgramRun& run, const std::set<unsigned long>& before)
{
    XWindow found;
    run.waitUntil(
        [&] {
            for (const XWindow& window : processtest::shownWindowsOf(run.pid()))
                if (!before.count(window.id) && (window.width > 64 || window.height > 64)) {
                    found = window;
                    return true;
                }
            return false;
        },
        20s);
    return found;
}

bool waitUntilHidden(ProgramRun& run, unsigned long id)
{
    return run.waitUntil([&] { return !processtest::xWindow(id).viewable; }, 20s);
}

// Hidden into the notification area: unmapped and withdrawn, not just iconified.
bool waitUntilWithdrawn(ProgramRun& run, unsigned long id)
{
    return run.waitUntil(
        [&] {
            return !processtest::xWindow(id).viewable &&
                   processtest::shellOutput("xprop -id " + std::to_string(id) + " WM_STATE").find("Iconic") ==
                       std::string::npos;
        },
        20s);
}

bool waitUntilShown(ProgramRun& run, unsigned long id)
{
    return run.waitUntil([&] { return processtest::xWindow(id).viewable; }, 20s);
}

void click(const XWindow& window, int x, int y, int button = 1)
{
    processtest::xdotool("mousemove --window " + std::to_string(window.id) + " " + std::to_string(x) + " " +
                         std::to_string(y) + " sleep 0.1 click " + std::to_string(button));
}

// Clicks the entry `wanted` of a shown menu whose entries are `entries`,
// top to bottom.
::testing::AssertionResult choose(const XWindow& menu, const std::vector<std::string>& entries,
                                  const std::string& wanted)
{
    int items = 0;
    int separators = 0;
    for (const std::string& entry : entries)
        (entry == Separator ? separators : items) += 1;
    const int itemSpace = menu.height - separators * SeparatorHeight;
    if (items == 0 || itemSpace % items != 0)
        return ::testing::AssertionFailure() << "a menu " << menu.height << " pixels high does not hold " << items
                                             << " items and " << separators << " separators";
    const int itemHeight = itemSpace / items;
    int y = 0;
    for (const std::string& entry : entries) {
        if (entry == wanted) {
            click(menu, menu.width / 2, y + itemHeight / 2);
            return ::testing::AssertionSuccess();
        }
        y += entry == Separator ? SeparatorHeight : itemHeight;
    }
    return ::testing::AssertionFailure() << "no entry \"" << wanted << "\"";
}

// Ends a window that a command opened (About box, limits window, message
// box, file chooser) with the Escape key.
void escape(ProgramRun& run, const XWindow& window)
{
    if (window.id == 0)
        return;
    processtest::xdotool("windowactivate --sync " + std::to_string(window.id) + " key Escape");
    EXPECT_TRUE(waitUntilHidden(run, window.id)) << processtest::windowTitle(window.id) << " stayed open";
}

std::vector<std::string> iconMenuEntries(bool windowShown, bool windowRestored)
{
    std::vector<std::string> entries = {"About...",        "-",       "Core Temperature", "Distance to TJ Max",
                                        "-",               "Current", "Minimum",          "Maximum",
                                        "Average",         "-",       "Reset (Min/Max)",  "-",
                                        "Power Limits...", "-",       "Redraw Icons",     "Move to Top Right",
                                        "-"};
    if (windowShown)
        entries.push_back("Minimize");
    if (!windowShown || !windowRestored)
        entries.push_back("Restore");
    entries.push_back("Exit");
    return entries;
}

const std::vector<std::string> WindowMenuEntries = {
    "Set Anchor Position", "Move To Anchor", "-", "Set Log File Location", "-", "Minimize", "Exit", "-", "About..."};

enum class Opens { Nothing, Window };

class OstrelMenus : public ::testing::Test {
protected:
    void start(const std::string& settings, const std::map<std::string, std::string>& extra = {})
    {
        run.writeSettings(settings);
        std::map<std::string, std::string> variables = {{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                                                        {"SIMULATED_CPU", "i7-2600k"},
                                                        {"QT_QPA_PLATFORM", "xcb"}};
        variables.insert(extra.begin(), extra.end());
        ASSERT_TRUE(run.start(variables));
        ASSERT_TRUE(run.waitUntil(
            [&] {
                const auto window = processtest::mainWindowOf(run.pid(), "Ostrel");
                main = window.value_or(XWindow{});
                return main.viewable;
            },
            30s))
            << "no Ostrel window appeared\n"
            << run.output();
    }

    // Runs a command of the icons' menu; the window it opens (Opens::Window).
    XWindow fromIconMenu(const std::string& command, Opens opens = Opens::Nothing, bool windowShown = true,
                         bool windowRestored = true)
    {
        std::optional<XWindow> icon;
        EXPECT_TRUE(run.waitUntil(
            [&] {
                icon = processtest::notificationIconOf(run.pid(), main.id);
                return icon.has_value();
            },
            20s))
            << "no notification icon";
        if (!icon)
            return {};
        return runMenuCommand(*icon, icon->width / 2, icon->height / 2, iconMenuEntries(windowShown, windowRestored),
                              command, opens);
    }

    // Runs a command of the right-click menu of a free spot of the window.
    XWindow fromWindowMenu(const std::string& command, Opens opens = Opens::Nothing)
    {
        return runMenuCommand(processtest::xWindow(main.id), 3, 60, WindowMenuEntries, command, opens);
    }

    XWindow runMenuCommand(const XWindow& clicked, int x, int y, const std::vector<std::string>& entries,
                           const std::string& command, Opens opens)
    {
        SCOPED_TRACE(command);
        std::set<unsigned long> before = shownIds(run.pid());
        before.insert(main.id);
        click(clicked, x, y, 3);
        const XWindow menu = waitForNewWindow(run, before);
        EXPECT_NE(menu.id, 0u) << "no menu opened";
        if (menu.id == 0)
            return {};
        before.insert(menu.id);
        EXPECT_TRUE(choose(menu, entries, command));
        EXPECT_TRUE(waitUntilHidden(run, menu.id));
        XWindow opened;
        if (opens == Opens::Window) {
            opened = waitForNewWindow(run, before);
            EXPECT_NE(opened.id, 0u) << command << " opened no window";
        }
        EXPECT_FALSE(run.finished(0ms).exited) << command << " ended the program\n" << run.output();
        return opened;
    }

    XWindow mainFrame() const { return processtest::frameOf(processtest::xWindow(main.id)); }

    void expectOrderlyEnd()
    {
        run.signal(SIGTERM);
        const Finished finished = run.finished(30s);
        ASSERT_TRUE(finished.exited) << "the program did not end on SIGTERM";
        ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n"
                                                << run.output();
        EXPECT_EQ(WEXITSTATUS(finished.status), 0) << run.output();
    }

    ProgramRun run{OSTREL_PROGRAM, "Ostrel", "Ostrel"};
    XWindow main;
};

TEST_F(OstrelMenus, EveryMenuCommandRunsAndTheProgramEndsInOrder)
{
    SKIP_WITHOUT_DESKTOP();
    start("WindowXY=" + std::to_string(monitor::packPosition({100, 100})) + "\n");
    if (HasFatalFailure())
        return;

    // The anchor is the window's outer corner.
    escape(run, fromWindowMenu("Set Anchor Position", Opens::Window));
    escape(run, fromIconMenu("About...", Opens::Window));
    for (const char* mode : {"Core Temperature", "Distance to TJ Max", "Current", "Minimum", "Maximum", "Average",
                             "Reset (Min/Max)"})
        fromIconMenu(mode);
    escape(run, fromIconMenu("Power Limits...", Opens::Window));
    // Deletes and adds every icon, the one that was clicked included.
    fromIconMenu("Redraw Icons");

    fromIconMenu("Move to Top Right");
    const auto [screenWidth, screenHeight] = processtest::screenSize();
    EXPECT_TRUE(run.waitUntil([&] { return mainFrame().x + mainFrame().width == screenWidth; }, 10s))
        << "frame at " << mainFrame().x << " wide " << mainFrame().width;
    fromWindowMenu("Move To Anchor");
    EXPECT_TRUE(run.waitUntil([&] { return mainFrame().x == 100 && mainFrame().y == 100; }, 10s))
        << "frame at " << mainFrame().x << "," << mainFrame().y;
    escape(run, fromWindowMenu("Set Log File Location", Opens::Window));
    escape(run, fromWindowMenu("About...", Opens::Window));

    // Minimised, the window lives in the notification area only.
    fromIconMenu("Minimize");
    ASSERT_TRUE(waitUntilWithdrawn(run, main.id));
    fromIconMenu("Restore", Opens::Nothing, false, false);
    ASSERT_TRUE(waitUntilShown(run, main.id));
    // Back where it was; the window manager may map it elsewhere first.
    EXPECT_TRUE(run.waitUntil([&] { return mainFrame().x == 100 && mainFrame().y == 100; }, 10s))
        << "frame at " << mainFrame().x << "," << mainFrame().y;
    fromWindowMenu("Minimize");
    ASSERT_TRUE(waitUntilWithdrawn(run, main.id));
    fromIconMenu("Restore", Opens::Nothing, false, false);
    ASSERT_TRUE(waitUntilShown(run, main.id));
    // Back where it was; the window manager may map it elsewhere first.
    EXPECT_TRUE(run.waitUntil([&] { return mainFrame().x == 100 && mainFrame().y == 100; }, 10s))
        << "frame at " << mainFrame().x << "," << mainFrame().y;

    expectOrderlyEnd();
    const platform::IniFile settings(run.settingsFile().string());
    // The core 0 icon, average temperatures, distance to TjMax.
    EXPECT_EQ(settings.readInt("Ostrel", "IconShow", -1), 0x1 | 0x800 | 0x1000);
    EXPECT_EQ(settings.readInt("Ostrel", "AnchorXY", 0), monitor::packPosition({100, 100}));
}

// The centre of a control of a window's template (dialog units), in the
// window's pixels.
void clickControl(const XWindow& window, int templateWidth, int templateHeight, int x, int y, int w, int h)
{
    click(window, (x + w / 2) * window.width / templateWidth, (y + h / 2) * window.height / templateHeight);
}

// The pixels of a control of the main window (template 208 x 234 units).
std::string mainControlPixels(const XWindow& window, int x, int y, int w, int h)
{
    const auto px = [&](int units, int size, int templateSize) { return std::to_string(units * size / templateSize); };
    return processtest::shellOutput("import -window " + std::to_string(window.id) + " -crop " +
                                    px(w, window.width, 208) + "x" + px(h, window.height, 234) + "+" +
                                    px(x, window.width, 208) + "+" + px(y, window.height, 234) + " rgb:-");
}

TEST_F(OstrelMenus, AlwaysOnTopAppliedInTheSettingsWindowLeavesItOpenAndTheProgramAnswering)
{
    SKIP_WITHOUT_DESKTOP();
    // Fixed readouts: the Minimum row keeps the time of the first tick until Reset.
    start("WindowXY=" + std::to_string(monitor::packPosition({100, 100})) + "\n",
          {{"SIMULATED_READOUT", "40,40,40,40"}});
    if (HasFatalFailure())
        return;
    constexpr int Width = 300; // the settings window's template
    constexpr int Height = 276;

    clickControl(main, 208, 234, 155, 216, 48, 14); // Settings
    std::optional<XWindow> settings;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            settings = processtest::shownWindowTitled(run.pid(), "Settings");
            return settings.has_value();
        },
        20s))
        << run.output();
    clickControl(*settings, Width, Height, 222, 153, 10, 10); // the box of "Always On Top"
    clickControl(*settings, Width, Height, 178, 256, 48, 14); // Apply
    EXPECT_TRUE(run.waitUntil(
        [&] {
            return processtest::netWmState(main.id).find("_NET_WM_STATE_ABOVE") != std::string::npos;
        },
        10s))
        << "the main window is not on top: " << processtest::netWmState(main.id);
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(processtest::xWindow(settings->id).viewable) << "Apply closed the settings window";

    // Defaults takes the settings window off the top, and it stays open too.
    clickControl(*settings, Width, Height, 230, 256, 48, 14); // Defaults
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(processtest::xWindow(settings->id).viewable) << "Defaults closed the settings window";
    clickControl(*settings, Width, Height, 222, 153, 10, 10);
    clickControl(*settings, Width, Height, 74, 256, 48, 14); // OK
    ASSERT_TRUE(waitUntilHidden(run, settings->id)) << "OK did not close the settings window";

    // The window answers the mouse: Reset gives the Minimum row the time of now.
    const std::string before = mainControlPixels(main, 9, 130, 42, 12);
    ASSERT_FALSE(before.empty()) << "no picture of the window";
    clickControl(main, 208, 234, 105, 216, 48, 14); // Reset
    EXPECT_TRUE(run.waitUntil([&] { return mainControlPixels(main, 9, 130, 42, 12) != before; }, 10s))
        << "the window did not answer the click on Reset";
    EXPECT_NE(processtest::netWmState(main.id).find("_NET_WM_STATE_ABOVE"), std::string::npos);

    expectOrderlyEnd();
    const platform::IniFile saved(run.settingsFile().string());
    EXPECT_EQ(saved.readInt("Ostrel", "OnTop", -1), 1);
}

} // namespace

// The date pop-up: the pointer moved onto a core's Minimum field and left to
// rest there opens it (the hover time runs from the movement); Escape ends it.
TEST_F(OstrelMenus, ThePointerRestingOnAMinimumFieldOpensTheDatePopUp)
{
    SKIP_WITHOUT_DESKTOP();
    start("WindowXY=" + std::to_string(monitor::packPosition({100, 100})) + "\n");
    if (HasFatalFailure())
        return;
    const std::set<unsigned long> before = shownIds(run.pid());
    // Column 0's Minimum row lies at client pixels 182-231 at the reference font.
    processtest::xdotool("mousemove --window " + std::to_string(main.id) + " 20 195 sleep 0.1 mousemove --window " +
                         std::to_string(main.id) + " 22 200");
    XWindow popUp;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            for (const XWindow& window : processtest::shownWindowsOf(run.pid()))
                if (!before.count(window.id)) {
                    popUp = window;
                    return true;
                }
            return false;
        },
        20s))
        << "no pop-up after the pointer rested on the Minimum field";
    processtest::xdotool("key Escape");
    EXPECT_TRUE(waitUntilHidden(run, popUp.id));
}
