#pragma once
// The turbo monitor's notification-area icon: added while the window is
// minimised, its tip refreshed every tick, removed on restore. Each operation
// reports success, so the window can stay visible when no notification area
// exists (as under the offscreen platform of the tests).

#include <QIcon>
#include <QString>

#include <functional>

namespace turbo {

enum class TrayEvent { ButtonDown, DoubleClick };

class TrayIcon {
public:
    static constexpr int kMaxTipLength = 127;

    virtual ~TrayIcon() = default;

    virtual bool add(const QIcon& icon, const QString& tip) = 0;
    virtual bool modify(const QString& tip) = 0;
    virtual bool remove() = 0;

    // Mouse events on the icon, delivered to the window.
    void setHandler(std::function<void(TrayEvent)> handler) { m_handler = std::move(handler); }

    static QString limitTip(const QString& tip) { return tip.left(kMaxTipLength); }

protected:
    void deliver(TrayEvent event)
    {
        if (m_handler)
            m_handler(event);
    }

private:
    std::function<void(TrayEvent)> m_handler;
};

} // namespace turbo
