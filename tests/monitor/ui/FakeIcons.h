#pragma once
// Notification-area icons that never show: the window keeps its task-bar
// button. The notification area exists as `area` says; `onRemove` sees the
// window at shutdown.

#include "monitor/ui/main/MainDialogIcons.h"

#include <functional>

namespace uitest {

class FakeIcons : public monitor::MainDialogIcons {
public:
    explicit FakeIcons(bool areaExists = true) : area(areaExists) {}

    bool area;
    std::function<void(monitor::MainDialog&)> onRemove;

    bool addIcons(monitor::MainDialog&) override { return false; }
    void updateIcons(monitor::MainDialog&) override {}
    void updateMaxIcon(monitor::MainDialog&) override {}
    void removeIcons(monitor::MainDialog& window) override
    {
        if (onRemove)
            onRemove(window);
    }
    bool probe(monitor::MainDialog&) override { return true; }
    bool notificationAreaExists() const override { return area; }
    bool anyIconShown(monitor::MainDialog&) const override { return area; }
};

} // namespace uitest
