#pragma once
// One icon of the desktop's notification area, as the monitor uses it: added,
// modified (picture and tip) and deleted, each reporting success, and the
// mouse events on it handed to one handler. Tests replace it with a fake
// notification area.

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>

namespace monitor {

enum class IconEvent { RightButtonDown, LeftDoubleClick };

class NotificationIcon {
public:
    // Tips longer than this are cut.
    static constexpr int MaxTipLength = 127;

    virtual ~NotificationIcon() = default;

    // Fails when the icon is already there or the notification area refuses it.
    virtual bool add(const QIcon& image, const QString& tip) = 0;
    // Fails when the notification area does not hold the icon (any more).
    virtual bool modify(const QIcon& image, const QString& tip) = 0;
    virtual bool remove() = 0;

    void setHandler(std::function<void(IconEvent)> handler) { m_handler = std::move(handler); }

    static QString limitTip(const QString& tip) { return tip.left(MaxTipLength); }

protected:
    void deliver(IconEvent event)
    {
        if (m_handler)
            m_handler(event);
    }

private:
    std::function<void(IconEvent)> m_handler;
};

// Makes the icon with the given identifier (4294 and up).
using NotificationIconFactory = std::function<std::unique_ptr<NotificationIcon>(int identifier)>;

} // namespace monitor
