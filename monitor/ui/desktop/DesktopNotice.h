#pragma once
// One notice at a time on the desktop's notification service
// (org.freedesktop.Notifications on the session bus): posted as critical,
// with the program's icon, until withdrawn. Where no service answers, nothing
// is shown and nothing waits: every call is asynchronous.

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace monitor {

class DesktopNotice : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotice(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~DesktopNotice() override;

    // Shows `body` under `summary`, in place of the notice shown before.
    void post(const QString& summary, const QString& body);
    // Takes the notice back, once the service has numbered it.
    void withdraw();

private:
    void closeShown();

    QDBusConnection m_bus;
    uint m_shown = 0;            // the service's number for the notice shown; 0 for none
    bool m_awaitingNumber = false;
    bool m_withdrawWhenNumbered = false;
};

} // namespace monitor
