#pragma once
// One of the monitor's notification-area icons: a core slot, the GPU or the
// hottest core ("Max"). The record keeps what the icon was last sent (picture
// and tip) and the number last drawn.

#include "dialog/TrayIcon.h"

#include <QIcon>
#include <QString>

#include <memory>

namespace monitor {

enum class IconKind { Core, Gpu, Hottest };

struct IconSlot {
    // The number last drawn before any.
    static constexpr int NoValue = -128;

    IconKind kind = IconKind::Core;
    int identifier = 0;
    // The core slot of a core icon; the icon number of a core or GPU icon
    // (IconSelection.h), which also indexes IconTextColor.
    int coreSlot = -1;
    int number = -1;
    std::unique_ptr<dialog::TrayIcon> icon;
    QIcon image;
    QString tip;
    int lastIconValue = NoValue;

    bool add() { return icon->add(image, tip); }
    bool modify() { return icon->modify(image, tip); }
    bool remove() { return icon->remove(); }
};

} // namespace monitor
