#pragma once
// The notification-area icons as the main window drives them: added at the
// first tick, refreshed in every cycle (the core and GPU icons, then the Max
// icon), probed on a size event and removed at shutdown.

namespace monitor {

class MainDialog;

class MainDialogIcons {
public:
    virtual ~MainDialogIcons() = default;

    // True when at least one icon is shown afterwards.
    virtual bool addIcons(MainDialog& window) = 0;
    virtual void updateIcons(MainDialog& window) = 0;
    virtual void updateMaxIcon(MainDialog& window) = 0;
    virtual void removeIcons(MainDialog& window) = 0;
    // False when the notification area no longer holds the icons.
    virtual bool probe(MainDialog& window) = 0;
    // Whether the desktop has a notification area at all.
    virtual bool notificationAreaExists() const = 0;
    // Whether any icon is shown in the notification area now.
    virtual bool anyIconShown(MainDialog& window) const = 0;
};

} // namespace monitor
