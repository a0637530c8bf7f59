#pragma once
// The monitor's notification-area icons: one per core slot of the build, one
// for the GPU and the "Max" icon with the hottest core. They are added at the
// first tick, refreshed by every sampling cycle (re-added every sixth cycle
// when the notification area lost them), rebuilt on request and deleted at
// shutdown. IconShow says which are shown and what they show:
//   bits 0..coreSlots-1   the core icons; the GPU icon has the bit gpuShowBit
//                         of the settings layout (4, or 8 in the six- and
//                         many-core builds); the many-core build keeps its
//                         core icons in IconCores (IconSelection.h)
//   bit 9 / 10 / 11       minimum / maximum / average (Average wins over
//                         Maximum, Maximum over Minimum); none: current
//   bit 12                core icons show the distance to TjMax
// A core icon whose value is in alarm blinks: every odd tick it shows the
// program icon instead of its digits.

#include "dialog/TrayIcon.h"
#include "monitor/ui/tray/IconSlot.h"
#include "monitor/ui/main/MainDialogIcons.h"

#include <functional>
#include <memory>
#include <vector>

namespace monitor {

class MainDialog;

// Makes the icon with the given identifier (4294 and up).
using NotificationIconFactory = std::function<std::unique_ptr<dialog::TrayIcon>(int identifier)>;

class NotificationIcons : public MainDialogIcons {
public:
    static constexpr int FirstIdentifier = 4294;
    static constexpr int MinimumBit = 0x200;
    static constexpr int MaximumBit = 0x400;
    static constexpr int AverageBit = 0x800;
    // With bit 8, which the mode commands clear too unless it is the GPU icon's.
    static constexpr int ModeBits = 0xF00;
    static constexpr int DistanceBit = 0x1000;
    // Wait before the second try of an icon the notification area refused.
    static constexpr int RetryMs = 100;
    // Every this many cycles each icon is sent again, or added when lost.
    static constexpr int RefreshCycles = 6;

    // `areaExists` tells whether the desktop has a notification area; Qt's
    // answer when empty.
    explicit NotificationIcons(NotificationIconFactory factory, std::function<bool()> areaExists = {});
    // The factory for the program: one QSystemTrayIcon per identifier.
    static NotificationIconFactory desktopIcons();

    // Mouse events on any of the icons, the Max icon included.
    void setEventHandler(std::function<void(MainDialog&, dialog::TrayEvent)> handler) { m_handler = std::move(handler); }
    // Fills the menu of any icon where the notification area shows it itself.
    void setMenuFiller(std::function<void(MainDialog&, QMenu&)> filler) { m_menuFiller = std::move(filler); }

    // True when at least one icon is shown afterwards. Icons that the
    // notification area refuses twice (there is none yet) wait for one.
    bool addIcons(MainDialog& window) override;
    // A notification area appeared (the desktop's panel started after the
    // program): the icons that waited for one are added, and a window that
    // kept its task-bar button for want of icons goes back to TaskBar as chosen.
    void notificationAreaAppeared(MainDialog& window);
    void updateIcons(MainDialog& window) override;
    void updateMaxIcon(MainDialog& window) override;
    void redrawIcons(MainDialog& window);
    void removeIcons(MainDialog& window) override;
    // Sends the first shown icon again; false when the notification area no
    // longer holds it. True when no icon is shown or none was added yet.
    bool probe(MainDialog& window) override;
    bool notificationAreaExists() const override;
    bool anyIconShown(MainDialog& window) const override { return anyShown(window); }

    // The settings window's icon boxes, by icon number (a core slot, or the
    // layout's gpuIcon). showIcon takes every shown core and GPU icon away,
    // from the last one down, and adds them back in the same order together
    // with the new one, so the icons keep their order; an icon stays chosen
    // only when the notification area took it. True when the icon is shown
    // afterwards.
    bool showIcon(MainDialog& window, int icon);
    void hideIcon(MainDialog& window, int icon);
    // Adds or deletes the Max icon, then sends it again: IconMax tells
    // whether that worked, so it is false after a delete.
    bool setMaxIconShown(MainDialog& window, bool shown);
    // The next cycle draws every icon again (colours, font or digits changed).
    void markForRedraw();

    const std::vector<IconSlot>& iconSlots() const { return m_slots; }

private:
    void createSlots(MainDialog& window);
    IconSlot& maxSlot() { return m_slots.back(); }
    // The core and GPU icons, GPU last; the Max icon is after them.
    int iconSlotCount() const { return static_cast<int>(m_slots.size()) - 1; }
    bool exists(MainDialog& window, const IconSlot& slot) const;
    bool chosen(MainDialog& window, const IconSlot& slot) const;
    void choose(MainDialog& window, const IconSlot& slot, bool shown) const;
    bool shown(MainDialog& window, const IconSlot& slot) const;
    bool anyShown(MainDialog& window) const;
    int valueOf(MainDialog& window, const IconSlot& slot) const;
    bool inAlarm(MainDialog& window, const IconSlot& slot) const;
    QString tipOf(MainDialog& window, const IconSlot& slot, bool fullTip) const;
    std::optional<QIcon> digits(MainDialog& window, int value, uint32_t colour) const;

    NotificationIconFactory m_factory;
    std::function<bool()> m_areaExists;
    std::function<void(MainDialog&, dialog::TrayEvent)> m_handler;
    std::function<void(MainDialog&, QMenu&)> m_menuFiller;
    MainDialog* m_window = nullptr;
    std::vector<IconSlot> m_slots;
    // TaskBar before the first tick, which turns it on when no icon is shown.
    int m_taskBarChosen = 0;
    QIcon m_programIcon;
};

} // namespace monitor
