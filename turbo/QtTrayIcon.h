#pragma once
// The notification icon on QSystemTrayIcon. Adding fails when the desktop has
// no notification area.

#include "turbo/TrayIcon.h"

#include <QObject>

class QSystemTrayIcon;

namespace turbo {

class QtTrayIcon : public QObject, public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    ~QtTrayIcon() override;

    bool add(const QIcon& icon, const QString& tip) override;
    bool modify(const QString& tip) override;
    bool remove() override;

private:
    // Hands a mouse event to the handler once control is back in the event loop.
    void deliverLater(TrayEvent event);

    QSystemTrayIcon* m_icon = nullptr;
};

} // namespace turbo
