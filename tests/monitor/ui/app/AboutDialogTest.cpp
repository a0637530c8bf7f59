// The About box on a simulated processor: the model button's caption and
// search, and each button's address and whether it closes the box.

#include "tests/monitor/ui/FakeWindows.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "monitor/ui/app/AboutDialog.h"
#include "monitor/ui/app/AboutLinks.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace monitor;
using uitest::MonitorRig;

namespace {

class RecordingOpener : public DocumentOpener {
public:
    OpenOutcome open(const std::string& target) override
    {
        targets.push_back(target);
        return OpenOutcome::Failed; // no browser: nothing is reported
    }
    std::vector<std::string> targets;
};

} // namespace

TEST(AboutDialog, SpecFinderNamesTheSimulatedProcessorAndSearchesWithoutCore)
{
    MonitorRig rig("i7-2600k", {40, 35, 30, 25});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    RecordingOpener opener;
    AboutDialog box(rig.records->info.modelName, rig.records->info.signature, opener);
    box.setServices(rig.services);

    EXPECT_EQ(box.text(IdAboutSpecFinder), "Intel Core i7-2600K Spec Finder\nCPUID String: 206A7h");
    box.widget<QPushButton>(IdAboutSpecFinder)->click();
    EXPECT_EQ(opener.targets, std::vector<std::string>{"https://ark.intel.com/Search.aspx?q=i7-2600K"});
    EXPECT_TRUE(box.ended());
    EXPECT_TRUE(rig.services.calls().empty());
}

TEST(AboutDialog, SpecFinderNameAndSignature)
{
    struct Case {
        const char* model;
        uint32_t signature;
        const char* caption;
        const char* query;
    };
    const Case cases[] = {
        {"Core 2 Duo E8400", 0x10676, "Intel Core 2 Duo E8400 Spec Finder\nCPUID String: 10676h", "2 Duo E8400"},
        {"Xeon X5570", 0x106A5, "Intel Xeon X5570 Spec Finder\nCPUID String: 106A5h", "Xeon X5570"},
        {"Core Core i5-750", 0x6FD, "Intel Core Core i5-750 Spec Finder\nCPUID String: 6FDh", "i5-750"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(specFinderCaption(c.model, c.signature), c.caption);
        EXPECT_EQ(specFinderAddress(c.model), std::string("https://ark.intel.com/Search.aspx?q=") + c.query);
    }
}

TEST(AboutDialog, EveryButtonOpensItsAddressAndOnlyHelpLeavesTheBoxOpen)
{
    struct Case {
        int id;
        std::string address;
        bool closes;
    };
    const Case cases[] = {
        {IdAboutHome, homePage(), true},
        {IdAboutMsr, "https://man7.org/linux/man-pages/man4/msr.4.html", true},
        {IdAboutSupport, "https://www.intel.com/content/www/us/en/support.html", true},
        {IdAboutHelp, homePage(), false},
    };
    ASSERT_FALSE(homePage().empty());
    for (const Case& c : cases) {
        RecordingOpener opener;
        AboutDialog box("Core i7-2600K", 0x206A7, opener);
        box.show();
        box.widget<QPushButton>(c.id)->click();
        EXPECT_EQ(opener.targets, std::vector<std::string>{c.address}) << c.id;
        EXPECT_EQ(box.ended(), c.closes) << c.id;
        EXPECT_EQ(box.isVisible(), !c.closes) << c.id;
    }
}

TEST(AboutDialog, PicturesAreDrawnAtTheirSizesAndFitTheirButtons)
{
    RecordingOpener opener;
    AboutDialog box("Core i7-2600K", 0x206A7, opener);
    const QPixmap logo = box.widget<QLabel>(IdAboutLogo)->pixmap();
    EXPECT_EQ(logo.size(), AboutDialog::LogoSize);
    // Not an empty picture: the logo has opaque pixels.
    EXPECT_EQ(logo.toImage().pixelColor(72, 72).alpha(), 255);
    const std::pair<int, QSize> images[] = {{IdAboutHome, AboutDialog::HomeImageSize},
                                            {IdAboutMsr, AboutDialog::MsrImageSize},
                                            {IdAboutHelp, AboutDialog::HelpImageSize}};
    for (const auto& [id, size] : images) {
        const QPushButton* button = box.widget<QPushButton>(id);
        EXPECT_EQ(button->icon().availableSizes(), QList<QSize>{size}) << id;
        const QSize shown = button->iconSize();
        EXPECT_LE(shown.width(), button->width()) << id;
        EXPECT_LE(shown.height(), button->height()) << id;
        EXPECT_NEAR(shown.width() * size.height(), shown.height() * size.width(), size.width()) << id;
    }
}

TEST(AboutDialog, F1OnTheMainWindowOpensTheAboutBox)
{
    uitest::FakeWindows windows;
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "", {.windows = &windows});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    const QList<QAction*> entries = rig.window->systemMenuActions();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.front()->text(), "&About...");
    EXPECT_EQ(entries.front()->shortcut(), QKeySequence(Qt::Key_F1));
    entries.front()->trigger();
    EXPECT_EQ(windows.aboutBoxes, 1);
}
