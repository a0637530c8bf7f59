#pragma once
// The X desktop that program tests act on as a user would: xdotool to find,
// minimise and click windows, xprop and xwininfo to read what the window
// manager and the X server say about them. scripts/test provides Xvfb with
// openbox and trayer; without them the tests skip and say why.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>
#include <unistd.h>

namespace processtest {

// Standard output of a shell command ("" when it cannot run).
inline std::string shellOutput(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, read);
        ::pclose(pipe);
    }
    return text;
}

// Why no desktop can be acted on; empty when one can.
inline std::string desktopUnavailable()
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "no X display (DISPLAY is not set)";
    for (const char* tool : {"xdotool", "xprop", "xwininfo"}) {
        if (shellOutput(std::string("command -v ") + tool).empty())
            return std::string(tool) + " is not installed";
    }
    // The window manager may still be starting on a loaded machine.
    for (int attempt = 0;; ++attempt) {
        if (shellOutput("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos)
            break;
        if (attempt == 100)
            return "no window manager runs on the display";
        ::usleep(100000);
    }
    return {};
}

struct XWindow {
    unsigned long id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
};

inline XWindow xWindow(unsigned long id)
{
    XWindow window;
    window.id = id;
    std::istringstream info(shellOutput("xwininfo -id " + std::to_string(id)));
    for (std::string line; std::getline(info, line);) {
        const auto value = [&](const char* label) -> std::optional<int> {
            const size_t at = line.find(label);
            if (at == std::string::npos)
                return std::nullopt;
            return std::atoi(line.c_str() + at + std::string(label).size());
        };
        if (auto v = value("Absolute upper-left X:"))
            window.x = *v;
        else if (auto v = value("Absolute upper-left Y:"))
            window.y = *v;
        else if (auto v = value("Width:"))
            window.width = *v;
        else if (auto v = value("Height:"))
            window.height = *v;
        else if (line.find("Map State:") != std::string::npos)
            window.viewable = line.find("IsViewable") != std::string::npos;
    }
    return window;
}

// Every window that process `pid` named itself the owner of.
inline std::vector<XWindow> windowsOf(pid_t pid)
{
    std::vector<XWindow> windows;
    std::istringstream ids(shellOutput("xdotool search --pid " + std::to_string(pid)));
    for (unsigned long id = 0; ids >> id;)
        windows.push_back(xWindow(id));
    return windows;
}

// The program's main window: its window of class `windowClass`.
inline std::optional<XWindow> mainWindowOf(pid_t pid, const std::string& windowClass)
{
    std::istringstream ids(
        shellOutput("xdotool search --all --pid " + std::to_string(pid) + " --class '^" + windowClass + "$'"));
    // The notification icons share the class; a main window is larger.
    unsigned long id = 0;
    while (ids >> id) {
        const XWindow window = xWindow(id);
        if (window.width > 64 || window.height > 64)
            return window;
    }
    return std::nullopt;
}

// A notification icon of the process: a small shown window other than its
// main window, docked into the notification area.
inline std::optional<XWindow> notificationIconOf(pid_t pid, unsigned long mainWindow)
{
    for (const XWindow& window : windowsOf(pid)) {
        if (window.id != mainWindow && window.viewable && window.width <= 64 && window.height <= 64)
            return window;
    }
    return std::nullopt;
}

// The window manager's state atoms of a window (_NET_WM_STATE).
inline std::string netWmState(unsigned long id)
{
    return shellOutput("xprop -id " + std::to_string(id) + " _NET_WM_STATE");
}

// The window's title; empty when it has none.
inline std::string windowTitle(unsigned long id)
{
    std::string title = shellOutput("xdotool getwindowname " + std::to_string(id));
    while (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

// The shown windows of process `pid`.
inline std::vector<XWindow> shownWindowsOf(pid_t pid)
{
    std::vector<XWindow> windows;
    std::istringstream ids(shellOutput("xdotool search --onlyvisible --pid " + std::to_string(pid)));
    for (unsigned long id = 0; ids >> id;)
        windows.push_back(xWindow(id));
    return windows;
}

// A shown window of process `pid` with the title `title`.
inline std::optional<XWindow> shownWindowTitled(pid_t pid, const std::string& title)
{
    for (const XWindow& window : shownWindowsOf(pid))
        if (windowTitle(window.id) == title)
            return window;
    return std::nullopt;
}

// The window manager's frame around a window (_NET_FRAME_EXTENTS); all 0
// when it states none.
struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

inline FrameExtents frameExtents(unsigned long id)
{
    const std::string text = shellOutput("xprop -id " + std::to_string(id) + " _NET_FRAME_EXTENTS");
    FrameExtents extents;
    const size_t equals = text.find('=');
    if (equals != std::string::npos)
        std::sscanf(text.c_str() + equals + 1, " %d, %d, %d, %d", &extents.left, &extents.right, &extents.top,
                    &extents.bottom);
    return extents;
}

// The window's outer rectangle, the frame included, as users see it.
inline XWindow frameOf(const XWindow& window)
{
    const FrameExtents extents = frameExtents(window.id);
    XWindow frame = window;
    frame.x -= extents.left;
    frame.y -= extents.top;
    frame.width += extents.left + extents.right;
    frame.height += extents.top + extents.bottom;
    return frame;
}

// Size of the screen in pixels.
inline std::pair<int, int> screenSize()
{
    int width = 0;
    int height = 0;
    std::sscanf(shellOutput("xdotool getdisplaygeometry").c_str(), "%d %d", &width, &height);
    return {width, height};
}

inline void xdotool(const std::string& arguments)
{
    [[maybe_unused]] int status = std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str());
}

// CPU time the process has used, in clock ticks (user + system).
inline long long cpuTicksOf(pid_t pid)
{
    std::istringstream in(shellOutput("cat /proc/" + std::to_string(pid) + "/stat"));
    std::string text = in.str();
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::atoll(field.c_str());
        if (index == 15) {
            stime = std::atoll(field.c_str());
            break;
        }
    }
    return utime + stime;
}

} // namespace processtest
