// The alarm on simulated processors: when it is raised, what it does once
// per alarm period and on every alarm tick, and the alarm program started as
// the desktop user when the monitor runs as root.

#include "tests/monitor/ui/FakeAlarmOutputs.h"
#include "tests/monitor/ui/FakeWindows.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"
#include "monitor/ui/desktop/CanberraSoundPlayer.h"
#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "platform/DetachedProcess.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

using namespace monitor;
using uitest::MonitorRig;

// Core 0 at 58 °C (readout 40 below TjMax 98), core 1 at 63 °C.
struct AlarmRig {
    uitest::FakeAlarmOutputs outputs;
    uitest::FakeWindows windows;
    std::unique_ptr<MonitorRig> rig;

    explicit AlarmRig(const std::string& ini)
    {
        rig = std::make_unique<MonitorRig>("i7-2600k", std::vector<int>{40, 35, 30, 25}, ini,
                                           MainDialogParts{.windows = &windows, .alarm = &outputs});
        EXPECT_EQ(rig->start(), StartupOutcome::Running);
    }
    MainDialog& window() { return *rig->window; }
    void heat(bool hot) { rig->cpu->pinReadout(3, hot ? 10 : 25); } // core 3: 88 or 73 °C
};

struct RaiseCase {
    const char* ini;
    bool raised;
};

class AlarmRaise : public testing::TestWithParam<RaiseCase> {};

TEST_P(AlarmRaise, AtOrAboveAlarm1WhileAlarmsAreOn)
{
    AlarmRig alarm(GetParam().ini);
    alarm.rig->tick();
    EXPECT_EQ(alarm.window().isVisible(), GetParam().raised);
    EXPECT_EQ(alarm.outputs.opened.size(), GetParam().raised ? 1u : 0u);
    EXPECT_EQ(alarm.outputs.flashes, GetParam().raised ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, AlarmRaise,
    testing::Values(RaiseCase{"Alarm=1\nAlarm1=73\nAlarmFile=/x/alarm.sh\n", true},
                    RaiseCase{"Alarm=1\nAlarm1=74\nAlarmFile=/x/alarm.sh\n", false},
                    RaiseCase{"Alarm=0\nAlarm1=50\nAlarmFile=/x/alarm.sh\n", false}));

TEST(Alarm, FlashesEveryTickAndSoundsEverySixth)
{
    AlarmRig alarm("Alarm=1\nAlarm1=80\n");
    alarm.heat(true);
    std::vector<int64_t> soundTicks;
    for (int tick = 0; tick < 12; ++tick) { // tickCount 1..12
        const size_t before = alarm.outputs.sounds.size();
        alarm.rig->tick();
        if (alarm.outputs.sounds.size() > before)
            soundTicks.push_back(alarm.rig->records->cycle->samples().tickCount);
    }
    EXPECT_EQ(alarm.outputs.flashes, 12);
    EXPECT_EQ(soundTicks, (std::vector<int64_t>{6, 12}));
    EXPECT_EQ(alarm.outputs.sounds, (std::vector<std::string>{"OLWarning.wav", "OLWarning.wav"}));
    alarm.heat(false);
    alarm.rig->tick(6);
    EXPECT_EQ(alarm.outputs.flashes, 12);
    EXPECT_EQ(alarm.outputs.sounds.size(), 2u);
}

TEST(Alarm, OneDesktopNoticeAnEpisodeTakenBackWhenItClears)
{
    AlarmRig alarm("Alarm=1\nAlarm1=80\n");
    alarm.heat(true);
    alarm.rig->tick(3);
    EXPECT_EQ(alarm.outputs.notices, std::vector<std::string>{"Core 3: 88 \xC2\xB0" "C (alarm at 80 \xC2\xB0" "C)"});
    EXPECT_EQ(alarm.outputs.withdrawals, 0);
    alarm.heat(false);
    alarm.rig->tick(2);
    EXPECT_EQ(alarm.outputs.withdrawals, 1);
    alarm.heat(true);
    alarm.rig->tick();
    EXPECT_EQ(alarm.outputs.notices.size(), 2u);
}

TEST(Alarm, RaisesOncePerPeriodUntilTheSettingsAreConfirmed)
{
    AlarmRig alarm("Alarm=1\nAlarm1=80\nAlarmFile=missing.sh\n");
    alarm.outputs.outcome = OpenOutcome::FileNotFound;
    alarm.heat(true);
    alarm.rig->tick(3);
    ASSERT_EQ(alarm.outputs.opened, std::vector<std::string>{"missing.sh"});
    const std::vector<dialog::ServiceCall> boxes = alarm.rig->services.calls(dialog::ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Alarm file not found.\n\nmissing.sh   ");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].flags, dialog::MB_OK | dialog::MB_ICONERROR);

    // A pause and a second alarm: no restore, no file.
    alarm.heat(false);
    alarm.rig->tick();
    alarm.window().hide();
    alarm.heat(true);
    alarm.rig->tick(2);
    EXPECT_FALSE(alarm.window().isVisible());
    EXPECT_EQ(alarm.outputs.opened.size(), 1u);

    // OK in the Settings window starts a new alarm period.
    alarm.window().widget<QPushButton>(IDC_SETTINGS)->click();
    alarm.rig->tick();
    EXPECT_TRUE(alarm.window().isVisible());
    EXPECT_EQ(alarm.outputs.opened.size(), 2u);
    EXPECT_EQ(alarm.rig->services.calls(dialog::ServiceKind::MessageBox).size(), 2u);
}

// A settings file that belongs to another user is not read by root, whether
// it runs for a user through sudo or in a root session of its own, so the
// alarm program it names never runs.
class ForeignSettingsFile : public testing::TestWithParam<std::optional<const char*>> {};

// Poses as sudo for a user while it lives.
struct SudoEnvironment {
    explicit SudoEnvironment(std::optional<const char*> uid)
    {
        if (uid)
            setenv("SUDO_UID", *uid, 1);
    }
    ~SudoEnvironment() { unsetenv("SUDO_UID"); }
};

TEST_P(ForeignSettingsFile, NeverStartsItsAlarmProgram)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    const SudoEnvironment sudo(GetParam());
    uitest::FakeAlarmOutputs outputs;
    {
        MonitorRig rig("i7-2600k", {40, 35, 30, 10}, "Alarm=1\nAlarm1=50\nAlarmFile=/x/alarm.sh\n",
                       {.alarm = &outputs});
        chmod(rig.dir.path().toLocal8Bit().constData(), 01777);
        ASSERT_EQ(chown(rig.iniPath.c_str(), 1234, 1234), 0);
        EXPECT_EQ(rig.start(), StartupOutcome::Running);
        rig.tick(2);
        EXPECT_EQ(rig.settings().AlarmFile, "");
        EXPECT_EQ(rig.settings().Alarm, 0);
    }
    EXPECT_TRUE(outputs.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(Root, ForeignSettingsFile,
                         testing::Values(std::optional<const char*>("65534"), std::nullopt),
                         [](const testing::TestParamInfo<std::optional<const char*>>& info) {
                             return info.param ? "sudo" : "root";
                         });

// --- the alarm program -----------------------------------------------------------

TEST(AlarmProgram, AMissingFileIsFileNotFound)
{
    DesktopDocumentOpener opener;
    EXPECT_EQ(opener.open("/nonexistent/alarm-program"), OpenOutcome::FileNotFound);
    EXPECT_EQ(opener.open(""), OpenOutcome::FileNotFound);
}

QString waitForFile(const QString& path)
{
    for (int i = 0; i < 200 && !QFile::exists(path + ".done"); ++i)
        QTest::qWait(50);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

struct IdentityCase {
    const char* name;
    std::optional<std::string> sudoUid;
    const char* expected; // uid, real uid, gid, real gid, groups, USER
};

class AlarmProgramIdentity : public testing::TestWithParam<IdentityCase> {};

TEST_P(AlarmProgramIdentity, RunsAsTheInvokingUserNeverAsRoot)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    chmod(dir.path().toLocal8Bit().constData(), 0777);
    const QString script = dir.path() + "/alarm.sh";
    const QString out = dir.path() + "/identity";
    // A descriptor of the monitor that would reach the program if inherited.
    const int inheritable = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inheritable, 0);
    std::ofstream(script.toStdString()) << "#!/bin/sh\n"
                                        << "echo $(id -u) $(id -ru) $(id -g) $(id -rg) $(id -G) $USER"
                                        << " $(test -e /proc/$$/fd/" << inheritable << " && echo inherited) > "
                                        << out.toStdString() << "\ntouch " << out.toStdString() << ".done\n";
    chmod(script.toLocal8Bit().constData(), 0755);

    const std::optional<std::string> uid = GetParam().sudoUid;
    const platform::EnvironmentLookup environment = [uid](const char* name) -> std::optional<std::string> {
        if (std::string(name) == "SUDO_UID" || std::string(name) == "SUDO_GID")
            return uid;
        return std::nullopt;
    };
    const std::optional<platform::InvokingUser> user = platform::invokingUser(0, environment);
    ASSERT_EQ(user.has_value(), uid.has_value());
    ASSERT_FALSE(platform::startDetached({script.toStdString()}, user).has_value());
    const QString identity = waitForFile(out);
    ::close(inheritable);
    if (uid)
        EXPECT_EQ(identity.toStdString(), GetParam().expected);
    else // root keeps its groups; nothing of the monitor is inherited either way
        EXPECT_TRUE(identity.startsWith(QString::fromLatin1(GetParam().expected)) && !identity.endsWith("inherited"))
            << identity.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Users, AlarmProgramIdentity,
                         testing::Values(IdentityCase{"sudo", "65534", "65534 65534 65534 65534 65534 nobody"},
                                         IdentityCase{"root", std::nullopt, "0 0 0 0"}),
                         [](const testing::TestParamInfo<IdentityCase>& info) { return info.param.name; });

// --- the alarm sound -------------------------------------------------------------

// A sound that cannot be played (forced on any machine: libcanberra's ALSA
// back end with an ALSA set-up that names no device) is told once on standard
// error, without ALSA's own lines; a missing sound file stays silent.
TEST(AlarmSound, ASoundThatCannotBePlayedIsToldOnce)
{
    QTemporaryDir dir;
    const std::string sound = (dir.path() + QStringLiteral("/OLWarning.wav")).toStdString();
    {
        // A mono 8 kHz 16-bit wave of 100 silent samples.
        static constexpr unsigned char Header[] = {
            'R', 'I', 'F', 'F', 236, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
            0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 200, 0, 0, 0};
        std::ofstream wave(sound, std::ios::binary);
        wave.write(reinterpret_cast<const char*>(Header), sizeof Header);
        wave << std::string(200, '\0');
    }
    const std::string alsaSetup = (dir.path() + QStringLiteral("/asound.conf")).toStdString();
    std::ofstream(alsaSetup) << "# no devices\n";
    ::setenv("CANBERRA_DRIVER", "alsa", 1);
    ::setenv("ALSA_CONFIG_PATH", alsaSetup.c_str(), 1);

    const std::string errors = (dir.path() + QStringLiteral("/stderr.txt")).toStdString();
    std::fflush(stderr);
    const int savedError = ::dup(2);
    const int captured = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(captured, 2);
    {
        CanberraSoundPlayer player;
        for (int i = 0; i < 2; ++i)
            player.play((dir.path() + QStringLiteral("/missing.wav")).toStdString());
        for (int i = 0; i < 3; ++i)
            player.play(sound);
    }
    std::fflush(stderr);
    ::dup2(savedError, 2);
    ::close(savedError);
    ::close(captured);
    ::unsetenv("CANBERRA_DRIVER");
    ::unsetenv("ALSA_CONFIG_PATH");

    QFile file(QString::fromStdString(errors));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << text.toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("OLWarning.wav cannot be played"))) << text.toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("check that"))) << text.toStdString();
}

} // namespace
