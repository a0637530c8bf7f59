#pragma once
// A notification-area icon on QSystemTrayIcon. Adding fails where the desktop
// has no notification area. Mouse events reach the handler from the event
// loop, never from inside the icon's own event delivery, so a handler may
// remove or re-add any icon, this one included.

#include "dialog/TrayIcon.h"

#include <QObject>

class QSystemTrayIcon;

namespace dialog {

class QtTrayIcon : public QObject, public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    ~QtTrayIcon() override;

    bool add(const QIcon& image, const QString& tip) override;
    bool modify(const QIcon& image, const QString& tip) override;
    bool remove() override;

private:
    // Hands a mouse event to the handler once control is back in the event loop.
    void deliverLater(TrayEvent event);

    QSystemTrayIcon* m_icon = nullptr;
};

} // namespace dialog
