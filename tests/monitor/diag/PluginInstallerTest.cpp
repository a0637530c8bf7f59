// The RivaTuner plug-in installer on a temporary folder standing in for
// RivaTuner's, with the program's folder beside it and scripted choosers.

#include "dialog/DialogWindow.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/ScriptedDialogServices.h"
#include "monitor/diag/PluginFileCopy.h"
#include "monitor/diag/window/PluginInstaller.h"
#include "tests/monitor/settings/SettingsTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace monitor;
using dialog::ServiceKind;
namespace fs = std::filesystem;

namespace {

constexpr const char* DefaultFolder = "/home/u/.wine/drive_c/Program Files/RivaTuner";
constexpr dialog::DialogTemplate OwnerTemplate{147, "Settings", 100, 50, 8, dialog::window::SystemMenu, {}};

class PluginInstallerTest : public ::testing::Test {
protected:
    PluginInstallerTest() : m_owner(OwnerTemplate)
    {
        m_root = fs::path(m_dir.path().toStdString());
        fs::create_directories(m_root / "bin");
        fs::create_directories(m_riva / "PlugIns/Monitoring");
        fs::create_directories(m_riva / "Help/Plugins/Monitoring");
        test::writeFile(m_riva / "RivaTuner.exe", "MZ");
        m_owner.setServices(m_services);
        m_processor.coreCpu[0] = 0;
        m_processor.coreCpu[1] = 1;
        m_settings.TjMax = {100, 85, 90, 90};
        m_settings.Idle = {25, -3, 7, 7};
    }

    // The plug-in's files beside the program.
    void providePlugin(const std::string& plugin, const std::string& help)
    {
        test::writeFile(m_root / "bin/OLCore.dll", plugin);
        test::writeFile(m_root / "bin/OLCore.rth", help);
    }

    std::string run(const std::string& stored, std::optional<fs::path> chosen)
    {
        m_services.answerFile(chosen ? std::optional<QString>(QString::fromStdString(chosen->string()))
                                     : std::nullopt);
        const PluginInstallerPlaces places{(m_root / "bin/OstrelHX").string(), DefaultFolder, std::nullopt};
        return runPluginInstaller(m_owner, stored, m_settings, m_processor, FourCoreSettings, places);
    }

    std::vector<dialog::ServiceCall> messages() const { return m_services.calls(ServiceKind::MessageBox); }
    fs::path monitoring() const { return m_riva / "PlugIns/Monitoring"; }
    bool emptyFolder(const fs::path& folder) const { return fs::is_empty(folder); }

    QTemporaryDir m_dir;
    fs::path m_root;
    fs::path m_riva = fs::path(m_dir.path().toStdString()) / "RivaTuner";
    dialog::ScriptedDialogServices m_services;
    dialog::DialogWindow m_owner;
    MonitorSettings m_settings;
    ProcessorFacts m_processor;
};

} // namespace

TEST_F(PluginInstallerTest, ChooserStartsAtTheStoredPathAndCancelEmptiesIt)
{
    for (const std::string& stored : {std::string(), (m_riva / "RivaTuner.exe").string()}) {
        m_services.clear();
        EXPECT_EQ(run(stored, std::nullopt), "");
        const std::vector<dialog::ServiceCall> files = m_services.calls(ServiceKind::File);
        ASSERT_EQ(files.size(), 1u);
        const dialog::FileDialogRequest& request = files.front().file;
        EXPECT_EQ(request.title, "Find RivaTuner.exe");
        EXPECT_EQ(request.filter, "RivaTuner.exe|RivaTuner.exe||");
        EXPECT_EQ(request.existence, dialog::FileExistence::MustExist);
        EXPECT_EQ(request.initialDirectory.toStdString(),
                  stored.empty() ? DefaultFolder : stored);
        EXPECT_TRUE(messages().empty());
    }
}

TEST_F(PluginInstallerTest, LowerCaseNameIsNotRivaTuner)
{
    providePlugin("plug-in", "help");
    test::writeFile(m_riva / "rivatuner.exe", "MZ");
    EXPECT_EQ(run("", m_riva / "rivatuner.exe"), "");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "RivaTuner.exe\nFile not found.\nCheck the file name and try again.");
    EXPECT_EQ(messages()[0].caption, "File not found");
    EXPECT_EQ(messages()[0].flags & dialog::MB_ICONMASK, dialog::MB_ICONWARNING);
    EXPECT_TRUE(emptyFolder(monitoring()));
}

TEST_F(PluginInstallerTest, InstallsForPresentCoresTjMaxFirstAndOverwritesOnTheSecondRun)
{
    const fs::path chosen = m_riva / "RivaTuner.exe";
    providePlugin("plug-in 1", "help 1");
    EXPECT_EQ(run("", chosen), chosen.string());
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Ostrel plug-in was successfully installed.\n"
                                  "Start RivaTuner and select OLCore.dll\n\n"
                                  "Customize -> Hardware monitoring -> Setup -> Plugins");
    EXPECT_EQ(messages()[0].caption, "Plug-In Installed");
    EXPECT_EQ(messages()[0].flags & dialog::MB_ICONMASK, dialog::MB_ICONINFORMATION);
    using test::KeyLine;
    EXPECT_EQ(test::keyLines(test::readFile(monitoring() / "OLCore.cfg")),
              (std::vector<KeyLine>{{"Ostrel", "TjMax0", "100"}, {"Ostrel", "TjMax1", "85"},
                                    {"Ostrel", "Idle0", "2.5"}, {"Ostrel", "Idle1", "-0.3"}}));

    providePlugin("plug-in 2", "help 2");
    m_settings.TjMax[1] = 95;
    m_settings.Idle[0] = 10;
    EXPECT_EQ(run(chosen.string(), chosen), chosen.string());
    EXPECT_EQ(test::readFile(monitoring() / "OLCore.dll"), "plug-in 2");
    EXPECT_EQ(test::readFile(m_riva / "Help/Plugins/Monitoring/OLCore.rth"), "help 2");
    EXPECT_EQ(test::keyLines(test::readFile(monitoring() / "OLCore.cfg")),
              (std::vector<KeyLine>{{"Ostrel", "TjMax0", "100"}, {"Ostrel", "TjMax1", "95"},
                                    {"Ostrel", "Idle0", "1.0"}, {"Ostrel", "Idle1", "-0.3"}}));
}

TEST_F(PluginInstallerTest, MissingPluginIsReportedAndNothingIsWritten)
{
    EXPECT_EQ(run("", m_riva / "RivaTuner.exe"), "");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text.toStdString(), "Could not copy\n\n" + (m_root / "bin/OLCore.dll").string()
                                                    + "\n\nto the  RivaTuner\\PlugIns\\Monitoring directory.");
    EXPECT_EQ(messages()[0].caption, "Error");
    EXPECT_EQ(messages()[0].flags & dialog::MB_ICONMASK, dialog::MB_ICONERROR);
    EXPECT_TRUE(emptyFolder(monitoring()));
    EXPECT_TRUE(emptyFolder(m_riva / "Help/Plugins/Monitoring"));
}

TEST_F(PluginInstallerTest, CopyReplacesALinkAtTheTargetWithoutFollowingIt)
{
    providePlugin("plug-in", "help");
    const fs::path elsewhere = m_root / "elsewhere.txt";
    test::writeFile(elsewhere, "keep me");
    fs::create_symlink(elsewhere, monitoring() / "OLCore.dll");
    EXPECT_EQ(copyPluginFile((m_root / "bin/OLCore.dll").string(), (monitoring() / "OLCore.dll").string(),
                             std::nullopt),
              std::nullopt);
    EXPECT_EQ(test::readFile(elsewhere), "keep me");
    EXPECT_FALSE(fs::is_symlink(monitoring() / "OLCore.dll"));
    EXPECT_EQ(test::readFile(monitoring() / "OLCore.dll"), "plug-in");
}

// The plug-in's files lie in the program's folder, which the user may write
// when the program runs from a build tree through sudo. Only a regular file
// of root's or of that user's, which that user may read, is copied; a link is
// never followed, wherever it points.
TEST_F(PluginInstallerTest, SourcesTheUserCouldNotReadOrHaveRedirectedAreRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to pose as another user";
    const platform::InvokingUser user{65534, 65534};
    const fs::path bin = m_root / "bin";
    const fs::path secret = m_root / "secret";
    const fs::path readable = m_root / "readable";
    test::writeFile(secret, "root's own");
    test::writeFile(readable, "anyone's");
    ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
    for (const fs::path& folder : {m_root, bin})
        ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(chown(monitoring().c_str(), user.uid, user.gid), 0);

    struct Case {
        const char* what;
        std::optional<platform::InvokingUser> owner;
        std::function<void(const fs::path&)> plant;
        bool copied;
    };
    const auto regular = [](uid_t uid, mode_t mode) {
        return [uid, mode](const fs::path& source) {
            test::writeFile(source, "plug-in");
            ASSERT_EQ(chown(source.c_str(), uid, uid), 0);
            ASSERT_EQ(chmod(source.c_str(), mode), 0);
        };
    };
    const auto link = [](const fs::path& to) { return [to](const fs::path& source) { fs::create_symlink(to, source); }; };
    const Case cases[] = {
        {"sudo: the user's file", user, regular(user.uid, 0644), true},
        {"sudo: root's file", user, regular(0, 0644), true},
        {"sudo: root's file the user may not read", user, regular(0, 0600), false},
        {"sudo: a third user's file", user, regular(1234, 0644), false},
        {"sudo: a link to root's private file", user, link(secret), false},
        {"sudo: a link to a file anyone may read", user, link(readable), false},
        {"sudo: a FIFO", user, [](const fs::path& source) { ASSERT_EQ(mkfifo(source.c_str(), 0644), 0); }, false},
        {"root: a link", std::nullopt, link(readable), false},
        {"root: root's file", std::nullopt, regular(0, 0600), true},
    };
    const fs::path source = bin / "OLCore.rth";
    const fs::path target = monitoring() / "OLCore.rth";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(source);
        fs::remove(target);
        c.plant(source);
        const std::optional<std::string> problem = copyPluginFile(source.string(), target.string(), c.owner);
        EXPECT_EQ(!problem, c.copied) << problem.value_or("copied");
        if (c.copied) {
            EXPECT_EQ(test::readFile(target), "plug-in");
            continue;
        }
        EXPECT_NE(problem.value_or("").find(source.string()), std::string::npos) << problem.value_or("");
        EXPECT_TRUE(emptyFolder(monitoring()));
    }
    EXPECT_EQ(test::readFile(secret), "root's own");
}
