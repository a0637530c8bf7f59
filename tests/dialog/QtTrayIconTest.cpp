// The real notification-area icon in a real notification area, alone. The X
// server is asked where the icon's window went, so an icon that Qt created
// but no notification area took in fails here.
#include "TrayDesktop.h"
#include "dialog/QtTrayIcon.h"

#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace dialog {
namespace {

using test::dockedAndShown;
using test::dockedIconWidgets;
using test::goneFromTheServer;

QIcon squareIcon(Qt::GlobalColor colour = Qt::darkGreen)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QImage pictureOf(const QIcon& icon) { return icon.pixmap(16, 16).toImage(); }

class QtTrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string missing = test::waitForNotificationArea();
        if (!missing.empty())
            GTEST_SKIP() << missing;
    }
};

TEST_F(QtTrayIconTest, IconIsDockedCarriesItsPictureAndTipAndGoesAway)
{
    QtTrayIcon tray;
    EXPECT_FALSE(tray.modify(squareIcon(), QStringLiteral("early"))); // nothing shown yet
    EXPECT_FALSE(tray.remove());

    const QString first = QStringLiteral("24.876X\n99.50%");
    ASSERT_TRUE(tray.add(squareIcon(), first));
    EXPECT_FALSE(tray.add(squareIcon(), QStringLiteral("second"))); // one icon at a time
    QList<QSystemTrayIcon*> icons = tray.findChildren<QSystemTrayIcon*>();
    ASSERT_EQ(icons.size(), 1);
    EXPECT_TRUE(icons[0]->isVisible());
    EXPECT_EQ(icons[0]->toolTip(), first);

    QList<QWidget*> docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    QWidget* widget = docked[0];
    WId window = widget->winId();
    EXPECT_TRUE(dockedAndShown(window)) << "the notification area did not take the icon in";
    EXPECT_EQ(widget->toolTip(), first);
    EXPECT_TRUE(icons[0]->geometry().isValid());

    struct Case {
        Qt::GlobalColor colour;
        QString tip;
        QString shown;
    };
    const Case cases[] = {
        {Qt::darkGreen, QStringLiteral("8.000X\n0.00%"), QStringLiteral("8.000X\n0.00%")},
        {Qt::red, QString(200, QLatin1Char('9')), QString(TrayIcon::MaxTipLength, QLatin1Char('9'))},
        {Qt::blue, QString(), QString()},
        {Qt::darkGreen, QStringLiteral("38.000X\n100.00%"), QStringLiteral("38.000X\n100.00%")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip.toStdString());
        ASSERT_TRUE(tray.modify(squareIcon(c.colour), c.tip));
        EXPECT_EQ(icons[0]->toolTip(), c.shown);
        EXPECT_EQ(pictureOf(icons[0]->icon()), pictureOf(squareIcon(c.colour)));
        // Modifying keeps the docked icon and updates what hovering shows.
        ASSERT_EQ(dockedIconWidgets(), QList<QWidget*>{widget});
        EXPECT_EQ(widget->toolTip(), c.shown);
    }

    ASSERT_TRUE(tray.remove());
    EXPECT_TRUE(tray.findChildren<QSystemTrayIcon*>().isEmpty());
    EXPECT_TRUE(dockedIconWidgets().isEmpty());
    EXPECT_TRUE(goneFromTheServer(window)) << "the icon's window outlived remove()";
    EXPECT_FALSE(tray.remove());
    EXPECT_FALSE(tray.modify(squareIcon(), QStringLiteral("late")));

    // Added again, as on the next minimise.
    ASSERT_TRUE(tray.add(squareIcon(), QStringLiteral("again")));
    docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    EXPECT_TRUE(dockedAndShown(docked[0]->winId()));
    EXPECT_EQ(docked[0]->toolTip(), "again");
}

TEST_F(QtTrayIconTest, ClicksOnTheDockedIconReachTheHandler)
{
    QtTrayIcon tray;
    std::vector<TrayEvent> events;
    // The handler may remove the icon, so it must run once the icon has
    // finished with the event: after every receiver of its signal.
    bool signalDone = false;
    tray.setHandler([&](TrayEvent event) {
        EXPECT_TRUE(signalDone) << "the handler ran inside the icon's signal";
        events.push_back(event);
    });
    ASSERT_TRUE(tray.add(squareIcon(), QStringLiteral("tip")));
    QObject::connect(tray.findChild<QSystemTrayIcon*>(), &QSystemTrayIcon::activated, &tray,
                     [&] { signalDone = true; });
    QList<QWidget*> docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    ASSERT_TRUE(dockedAndShown(docked[0]->winId()));

    enum class Gesture { Click, DoubleClick };
    struct Case {
        const char* name;
        Gesture gesture;
        Qt::MouseButton button;
        std::vector<TrayEvent> expected;
    };
    const Case cases[] = {
        {"left click", Gesture::Click, Qt::LeftButton, {TrayEvent::LeftButtonDown}},
        {"right click", Gesture::Click, Qt::RightButton, {TrayEvent::RightButtonDown}},
        {"middle click", Gesture::Click, Qt::MiddleButton, {}},
        {"left double click", Gesture::DoubleClick, Qt::LeftButton,
         {TrayEvent::LeftButtonDown, TrayEvent::LeftDoubleClick}},
    };
    const QPoint centre(docked[0]->width() / 2, docked[0]->height() / 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        signalDone = false;
        // Through the icon's window, as the X server's events come.
        if (c.gesture == Gesture::Click)
            QTest::mouseClick(docked[0]->windowHandle(), c.button, {}, centre);
        else
            QTest::mouseDClick(docked[0]->windowHandle(), c.button, {}, centre);
        QCoreApplication::processEvents();
        EXPECT_EQ(events, c.expected);
    }

    // An activation reason Qt reports without a gesture is not passed on.
    events.clear();
    emit tray.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Unknown);
    EXPECT_TRUE(events.empty());
}

} // namespace
} // namespace dialog
