// The monitor's icons in a real notification area (Xvfb with trayer, on the
// xcb platform): every shown icon docks with its digits and tip, and leaves
// at shutdown. Skips, saying why, without a display or notification area.

#include "MonitorRig.h"

#include "../../turbo/TrayDesktop.h"
#include "monitor/ui/DescribedFont.h"
#include "monitor/ui/DigitIcon.h"
#include "monitor/ui/NotificationIcons.h"
#include "monitor/ui/QtNotificationIcon.h"

#include <QSystemTrayIcon>
#include <QTest>

#include <set>

namespace {

using namespace monitor;
using uitest::MonitorRig;

constexpr int SettleMs = 5000;

QSystemTrayIcon* trayIconOf(const IconSlot& slot)
{
    auto* icon = dynamic_cast<QtNotificationIcon*>(slot.icon.get());
    const QList<QSystemTrayIcon*> found = icon ? icon->findChildren<QSystemTrayIcon*>() : QList<QSystemTrayIcon*>{};
    return found.size() == 1 ? found[0] : nullptr;
}

TEST(NotificationIconsOnDesktop, ShownIconsDockWithDigitsAndTips)
{
    if (!turbo::test::trayDesktopUnavailable().empty())
        GTEST_SKIP() << turbo::test::trayDesktopUnavailable();
    const std::string missing = turbo::test::waitForNotificationArea();
    if (!missing.empty())
        GTEST_SKIP() << missing;

    NotificationIcons icons(QtNotificationIcon::factory());
    MainDialogParts parts;
    icons.attachTo(parts);
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=3\nIconMax=1\n", parts);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    ASSERT_EQ(rig.settings().IconShow, 3);
    ASSERT_TRUE(rig.settings().IconMax);

    const QList<QWidget*> docked = turbo::test::dockedIconWidgets();
    ASSERT_EQ(docked.size(), 3);
    for (QWidget* widget : docked) {
        const WId window = widget->winId();
        EXPECT_TRUE(QTest::qWaitFor(
            [window] {
                const turbo::test::XWindowPlace place = turbo::test::xWindowPlace(window);
                return place.embedded && place.viewable;
            },
            SettleMs))
            << "the notification area did not take an icon in";
    }
    const QString full = QString::fromUtf8("Core 0:  58\xC2\xB0" "C\nCore 1:  63\xC2\xB0" "C\nCore 2:  68\xC2\xB0"
                                           "C\nCore 3:  73\xC2\xB0" "C");
    std::multiset<QString> tips;
    for (QWidget* widget : docked)
        tips.insert(widget->toolTip());
    EXPECT_EQ(tips, (std::multiset<QString>{full, full, QStringLiteral("Core 1")}));

    const QFont font = fontFromDescription(rig.settings().iconFont);
    const std::vector<std::pair<int, int>> shown{{0, 58}, {1, 63}};
    for (const auto& [slot, value] : shown) {
        QSystemTrayIcon* tray = trayIconOf(icons.iconSlots()[static_cast<size_t>(slot)]);
        ASSERT_NE(tray, nullptr);
        const QImage expected =
            makeDigitIcon(value, Qt::white, font, DigitCount::Two)->pixmap(smallIconSize()).toImage();
        EXPECT_EQ(tray->icon().pixmap(smallIconSize()).toImage(), expected) << "slot " << slot;
    }

    rig.window->removeIcons();
    EXPECT_TRUE(turbo::test::dockedIconWidgets().isEmpty());
}

} // namespace
