#pragma once
// One icon of the desktop's notification area: added, modified (picture and
// tip) and removed, each reporting success, so a window can stay visible
// where no notification area exists (as under the offscreen platform of the
// tests). The mouse events on it go to one handler. Tests replace it with a
// fake notification area.

#include <QIcon>
#include <QString>

class QMenu;

#include <functional>

namespace dialog {

enum class TrayEvent { LeftButtonDown, RightButtonDown, LeftDoubleClick };

class TrayIcon {
public:
    // Tips longer than this are cut.
    static constexpr int MaxTipLength = 127;

    virtual ~TrayIcon() = default;

    // Fails when the icon is already there or the notification area refuses it.
    virtual bool add(const QIcon& image, const QString& tip) = 0;
    // Fails when the notification area does not hold the icon (any more).
    virtual bool modify(const QIcon& image, const QString& tip) = 0;
    virtual bool remove() = 0;

    void setHandler(std::function<void(TrayEvent)> handler) { m_handler = std::move(handler); }
    // Fills the icon's menu, where the notification area shows the menu itself
    // (a D-Bus notification area): called with the menu emptied, before each
    // showing. Where the area only reports the click, the handler gets
    // RightButtonDown instead.
    void setMenuFiller(std::function<void(QMenu&)> filler) { m_menuFiller = std::move(filler); }

    static QString limitTip(const QString& tip) { return tip.left(MaxTipLength); }

protected:
    void deliver(TrayEvent event)
    {
        if (m_handler)
            m_handler(event);
    }
    bool fillsMenu() const { return static_cast<bool>(m_menuFiller); }
    void fillMenu(QMenu& menu)
    {
        if (m_menuFiller)
            m_menuFiller(menu);
    }

private:
    std::function<void(TrayEvent)> m_handler;
    std::function<void(QMenu&)> m_menuFiller;
};

} // namespace dialog
