// The many-core build's window: a column for every core in bands of eight,
// headed by the core's number and type, each one filled; from 32 cores the
// compact bands; rows that would make the window taller than the screen
// scroll (the offscreen screen is 800 x 800: 24 cores in full bands do);
// the frame headings of every band follow the unit.

#include "tests/monitor/ui/MonitorRig.h"

#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/main/ManyCoreBlock.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {

using namespace monitor;
using uitest::MonitorRig;

const QString Celsius = QString::fromUtf8("\xC2\xB0" "C");

std::vector<int> readouts(int cores)
{
    std::vector<int> values;
    for (int core = 0; core < cores; ++core)
        values.push_back(20 + core);
    return values;
}

// The texts of the labels and the frames' titles.
QStringList headings(const MainDialog& window)
{
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>())
        texts << label->text();
    for (const QGroupBox* frame : window.findChildren<QGroupBox*>())
        texts << frame->title();
    return texts;
}

struct ManyCoreCase {
    const char* profile;
    int cores;
    bool compact;
    const char* firstHeading;
    const char* lastHeading;
};

class ManyCoreWindow : public ::testing::TestWithParam<ManyCoreCase> {};

TEST_P(ManyCoreWindow, EveryCoreHasAFilledColumn)
{
    const ManyCoreCase& c = GetParam();
    MonitorRig rig(c.profile, readouts(c.cores), "", {}, hw::ManyCoreBuild);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.window->show();
    rig.tick(2);

    const std::span<const CoreColumn> columns = rig.window->columns();
    ASSERT_EQ(columns.size(), size_t(c.cores));
    for (int slot = 0; slot < c.cores; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const QString temperature = QString::number(rig.tjMax(slot) - (20 + slot));
        EXPECT_EQ(rig.text(columns[slot].temperature), temperature);
        EXPECT_EQ(rig.text(columns[slot].distance), QString::number(20 + slot));
        EXPECT_EQ(rig.text(columns[slot].maximum), temperature + Celsius);
        EXPECT_EQ(rig.text(columns[slot].status), QStringLiteral("OK"));
    }
    const QStringList texts = headings(*rig.window);
    EXPECT_TRUE(texts.contains(QString::fromLatin1(c.firstHeading)));
    EXPECT_TRUE(texts.contains(QString::fromLatin1(c.lastHeading)));

    // Every band names its figures; the unit reaches them all.
    const int bands = (c.cores + 7) / 8;
    EXPECT_EQ(texts.count("Temperature (" + Celsius + ")"), bands);
    rig.settings().Fahrenheit = true;
    rig.settings().unitText = "\xC2\xB0" "F";
    rig.window->followTemperatureUnit();
    EXPECT_EQ(headings(*rig.window).count(QString::fromUtf8("Temperature (\xC2\xB0" "F)")), bands);

    // The window fits the screen: taller blocks scroll.
    const int screenHeight = QGuiApplication::primaryScreen()->availableGeometry().height();
    EXPECT_LE(rig.window->height(), screenHeight);
    EXPECT_EQ(rig.window->columnsScroll(), rig.window->height() < rig.window->units().toPixelsY(
                                                                     manyCoreBlock(std::vector<std::string>(c.cores))
                                                                         .clientHeight()));
    EXPECT_EQ(manyCoreBlock(std::vector<std::string>(c.cores)).compact, c.compact);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ManyCoreWindow,
                         ::testing::Values(ManyCoreCase{"i7-2600k", 4, false, "0", "3"},
                                           ManyCoreCase{"i9-13900k", 24, false, "P0", "E23"},
                                           ManyCoreCase{"xeon-4514y-2s", 32, true, "0", "31"}),
                         [](const ::testing::TestParamInfo<ManyCoreCase>& info) {
                             return std::to_string(info.param.cores) + "Cores";
                         });

} // namespace
