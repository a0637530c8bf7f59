// Ostrel with a D-Bus notification area: the test is the area's watcher and
// host (org.kde.StatusNotifierWatcher) and the notification service on a
// session bus of its own, and the program runs on the shared X display. Every
// icon registers, the icons export the icon menu's entries, an activation
// does what a double click does on X11, and an alarm posts one notice.

#include "tests/support/PrivateSessionBus.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XDesktop.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using bustest::spinUntil;
using processtest::ProgramRun;

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

// The watcher, with a host registered: items register with it.
class Watcher : public QDBusVirtualObject {
public:
    QStringList items;

    QString introspect(const QString&) const override
    {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<method name=\"RegisterStatusNotifierItem\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RegisterStatusNotifierHost\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "</interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QList<QVariant> a = message.arguments();
        if (message.member() == QLatin1String("RegisterStatusNotifierItem") && a.size() == 1) {
            // A path alone names an object of the sender.
            const QString item = a[0].toString();
            items << (item.startsWith(QLatin1Char('/')) ? message.service() : item);
            return connection.send(message.createReply());
        }
        if (message.member() == QLatin1String("RegisterStatusNotifierHost"))
            return connection.send(message.createReply());
        if (message.interface() == Properties && message.member() == QLatin1String("Get") && a.size() == 2) {
            const QString name = a[1].toString();
            QVariant value;
            if (name == QLatin1String("IsStatusNotifierHostRegistered"))
                value = true;
            else if (name == QLatin1String("ProtocolVersion"))
                value = 0;
            else if (name == QLatin1String("RegisteredStatusNotifierItems"))
                value = items;
            else
                return false;
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        }
        return false;
    }
};

// A call that keeps this process's event loop running while it waits: the
// program may call the area (this process) before it answers.
QDBusMessage call(QDBusConnection& bus, const QDBusMessage& message)
{
    QDBusPendingCall pending = bus.asyncCall(message, 5000);
    spinUntil([&] { return pending.isFinished(); }, 6000);
    return pending.reply();
}

QVariant itemProperty(QDBusConnection& bus, const QString& item, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"), Properties,
                                                      QStringLiteral("Get"));
    get << ItemInterface << name;
    const QDBusMessage reply = call(bus, get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        ADD_FAILURE() << "no " << name.toStdString() << " of " << item.toStdString() << ": "
                      << reply.errorMessage().toStdString();
        return {};
    }
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
}

// The labels of a dbusmenu layout (ia{sv}av), depth first.
void collectLabels(const QDBusArgument& node, QStringList& labels)
{
    node.beginStructure();
    int id = 0;
    QVariantMap properties;
    node >> id >> properties;
    if (properties.contains(QStringLiteral("label")))
        labels << properties.value(QStringLiteral("label")).toString().remove(QLatin1Char('_'));
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        collectLabels(qvariant_cast<QDBusArgument>(child.variant()), labels);
    }
    node.endArray();
    node.endStructure();
}

QStringList menuLabels(QDBusConnection& bus, const QString& item)
{
    const QString path = qvariant_cast<QDBusObjectPath>(itemProperty(bus, item, QStringLiteral("Menu"))).path();
    if (path.isEmpty() || path == QLatin1String("/NO_DBUSMENU"))
        return {};
    QDBusMessage layout = QDBusMessage::createMethodCall(item, path, QStringLiteral("com.canonical.dbusmenu"),
                                                         QStringLiteral("GetLayout"));
    layout << 0 << -1 << QStringList();
    const QDBusMessage reply = call(bus, layout);
    QStringList labels;
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 2)
        collectLabels(qvariant_cast<QDBusArgument>(reply.arguments().at(1)), labels);
    return labels;
}

void activate(QDBusConnection& bus, const QString& item)
{
    QDBusMessage message = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"), ItemInterface,
                                                          QStringLiteral("Activate"));
    message << 0 << 0;
    call(bus, message);
}

class OstrelOnBusArea : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string why = processtest::desktopUnavailable();
        if (!why.empty())
            GTEST_SKIP() << "needs an X desktop with a window manager: " << why;
        if (!bus.running())
            GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus-daemon)";
        areaBus = bus.connect(QStringLiteral("area"));
        ASSERT_TRUE(areaBus.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), &watcher));
        ASSERT_TRUE(areaBus.registerService(WatcherService));
        ASSERT_TRUE(notifications.serveOn(areaBus));
    }

    bool start(ProgramRun& run, const std::string& settings, const std::string& readouts)
    {
        run.writeSettings(settings);
        return run.start({{"DBUS_SESSION_BUS_ADDRESS", bus.address()},
                          {"QT_QPA_PLATFORM", "xcb"},
                          {"SIMULATED_MACHINE", processtest::uniqueMachine()},
                          {"SIMULATED_CPU", "i7-2600k"},
                          {"SIMULATED_LOAD", "20"},
                          {"SIMULATED_READOUT", readouts}});
    }

    static void end(ProgramRun& run)
    {
        run.signal(SIGTERM);
        // The program takes its icons back from the area on the way out: the
        // area (this process) must keep answering.
        ASSERT_TRUE(spinUntil([&] { return run.finished(0ms).exited; }, 30000)) << "the program did not end on SIGTERM";
        const processtest::Finished finished = run.finished(0ms);
        EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0) << run.output();
    }

    int argc = 1;
    char name[8] = "test";
    char* argv[1] = {name};
    QCoreApplication app{argc, argv};
    bustest::PrivateSessionBus bus;
    QDBusConnection areaBus{QString()};
    Watcher watcher;
    bustest::RecordingNotifications notifications;
};

bool viewable(ProgramRun& run)
{
    const std::optional<processtest::XWindow> window = processtest::mainWindowOf(run.pid(), "Ostrel");
    return window && window->viewable;
}

TEST_F(OstrelOnBusArea, IconsRegisterExportTheirMenuAndAnActivationMinimisesAndRestores)
{
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    // Core 0's and core 2's icons.
    ASSERT_TRUE(start(run, "IconShow=5\nTaskBar=0\n", "40,40,40,40"));
    ASSERT_TRUE(spinUntil([&] { return watcher.items.size() >= 2; }, 20000)) << run.output();
    EXPECT_EQ(watcher.items.size(), 2u);
    const QString item = watcher.items.first();

    const QStringList labels = menuLabels(areaBus, item);
    for (const char* entry : {"Core Temperature", "Distance to TJ Max", "Reset (Min/Max)", "Redraw Icons", "Exit"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(entry))) << entry << " not in " << labels.join(", ").toStdString();

    ASSERT_TRUE(spinUntil([&] { return viewable(run); }, 10000)) << "no Ostrel window appeared\n" << run.output();
    activate(areaBus, item);
    EXPECT_TRUE(spinUntil([&] { return !viewable(run); })) << "an activation did not minimise the window";
    activate(areaBus, item);
    EXPECT_TRUE(spinUntil([&] { return viewable(run); })) << "a second activation did not restore it; items "
                                                          << watcher.items.join(", ").toStdString();
    end(run);
}

TEST_F(OstrelOnBusArea, AnAlarmPostsOneCriticalNotice)
{
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    // Core 1 at 20 below TjMax 98: 78 °C, over the alarm at 70.
    ASSERT_TRUE(start(run, "Alarm=1\nAlarm1=70\n", "40,20,40,40"));
    ASSERT_TRUE(spinUntil([&] { return !notifications.notices.empty(); }, 20000)) << run.output();
    spinUntil([] { return false; }, 3000); // three more ticks in alarm
    ASSERT_EQ(notifications.notices.size(), 1u);
    EXPECT_EQ(notifications.notices[0].body, QStringLiteral("Core 1: 78 \u00B0C (alarm at 70 \u00B0C)"));
    EXPECT_EQ(notifications.notices[0].hints.value(QStringLiteral("urgency")).toInt(), 2);
    end(run);
}

} // namespace
