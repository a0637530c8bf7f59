#include "SampleWindow.h"

#include "dialog/FileFilter.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/ScriptedDialogServices.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dialog;

struct StyleCase {
    uint32_t flags;
    std::vector<int> answers;
    int defaultAnswer;
    int escapeAnswer;
    MessageIcon icon;
};

class MessageBoxStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(MessageBoxStyleTest, FlagsGiveButtonsDefaultsAndIcon)
{
    const StyleCase& t = GetParam();
    const MessageBoxStyle style(t.flags);
    EXPECT_EQ(style.answers(), t.answers);
    EXPECT_EQ(style.defaultAnswer(), t.defaultAnswer);
    EXPECT_EQ(style.escapeAnswer(), t.escapeAnswer);
    EXPECT_EQ(style.icon(), t.icon);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageBoxStyleTest,
    ::testing::Values(
        StyleCase{MB_OK, {IDOK}, IDOK, IDOK, MessageIcon::None},
        StyleCase{MB_OK | MB_ICONERROR, {IDOK}, IDOK, IDOK, MessageIcon::Error},
        StyleCase{MB_OKCANCEL | MB_ICONINFORMATION, {IDOK, IDCANCEL}, IDOK, IDCANCEL, MessageIcon::Information},
        StyleCase{MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDYES, 0, MessageIcon::Question},
        StyleCase{MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, 0, MessageIcon::None},
        StyleCase{MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONWARNING, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDCANCEL,
                  MessageIcon::Warning},
        StyleCase{MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, IDABORT, 0, MessageIcon::None},
        StyleCase{MB_RETRYCANCEL | MB_DEFBUTTON3, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL, MessageIcon::None},
        StyleCase{0xE, {IDOK}, IDOK, IDOK, MessageIcon::None}));

TEST(ScriptedDialogServicesTest, WindowsAskTheInjectedServices)
{
    ScriptedDialogServices services;
    sample::SampleWindow window;
    window.setServices(services);
    services.answerMessageBox(IDNO);

    EXPECT_EQ(window.messageBox(QStringLiteral("Save?"), QStringLiteral("Question"), MB_YESNO | MB_ICONQUESTION), IDNO);
    // Nothing queued: the default button, as Enter would give.
    EXPECT_EQ(window.messageBox(QStringLiteral("Sure?"), QString(), MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(window.messageBox(QStringLiteral("Done"), QStringLiteral("Info"), MB_OK), IDOK);

    const std::vector<ServiceCall> boxes = services.calls(ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Save?"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Question"));
    EXPECT_EQ(boxes[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(boxes[0].answer, IDNO);
    EXPECT_EQ(boxes[1].answer, IDNO);
    EXPECT_EQ(services.pendingAnswers(), 0u);
}

TEST(ScriptedDialogServicesTest, ChoosersReturnQueuedAnswersThenCancel)
{
    ScriptedDialogServices services;
    services.answerColor(QColor(0x12, 0x34, 0x56));
    services.answerFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    services.answerFile(QStringLiteral("/tmp/alarm.sh"));
    services.answerFile(std::nullopt);

    EXPECT_EQ(services.chooseColor(nullptr, Qt::red), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(services.chooseColor(nullptr, Qt::blue), std::nullopt);
    EXPECT_EQ(services.chooseFont(nullptr, QFont())->pointSize(), 12);
    FileDialogRequest request;
    request.title = QStringLiteral("Open File to Run on Alarm");
    request.filter = QStringLiteral("EXE Files (*.exe)|*.exe||");
    request.existence = FileExistence::MustExist;
    EXPECT_EQ(services.chooseFile(nullptr, request), QStringLiteral("/tmp/alarm.sh"));
    EXPECT_EQ(services.chooseFile(nullptr, request), std::nullopt);
    EXPECT_EQ(services.chooseFile(nullptr, request), std::nullopt);

    const std::vector<ServiceCall> colors = services.calls(ServiceKind::Color);
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[1].color, QColor(Qt::blue));
    const std::vector<ServiceCall> files = services.calls(ServiceKind::File);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].file.title, request.title);
    EXPECT_EQ(files[0].file.existence, FileExistence::MustExist);
}

struct FilterCase {
    const char* windowsFilter;
    QStringList qtFilters;
};

class FileFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FileFilterTest, TranslatesToLinuxFilters)
{
    EXPECT_EQ(FileFilter(QString::fromLatin1(GetParam().windowsFilter)).qtNameFilters(), GetParam().qtFilters);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileFilterTest,
    ::testing::Values(
        FilterCase{"EXE Files (*.exe)|*.exe|BAT Files (*.bat)|*.bat||", {"EXE Files (*)", "BAT Files (*.sh)"}},
        FilterCase{"All Files (*.*)|*.*||", {"All Files (*)"}},
        FilterCase{"RivaTuner.exe|RivaTuner.exe||", {"RivaTuner.exe (RivaTuner.exe)"}},
        FilterCase{"Logs (*.txt;*.csv)|*.txt;*.csv||", {"Logs (*.txt *.csv)"}},
        FilterCase{"", {"All Files (*)"}}));

TEST(FileFilterTest, ExeMeansExecutableAndBatMeansShellScript)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto makeFile = [&](const QString& name, bool executable) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            permissions |= QFile::ExeOwner;
        file.setPermissions(permissions);
        return QFileInfo(file.fileName());
    };
    const QFileInfo program = makeFile(QStringLiteral("prime"), true);
    const QFileInfo script = makeFile(QStringLiteral("alarm.sh"), false);
    const QFileInfo text = makeFile(QStringLiteral("notes.txt"), false);

    const FileFilter filter(QStringLiteral("EXE Files (*.exe)|*.exe|BAT Files (*.bat)|*.bat||"));
    const FileFilterEntry& exe = filter.entries()[0];
    const FileFilterEntry& bat = filter.entries()[1];
    EXPECT_TRUE(exe.accepts(program));
    EXPECT_FALSE(exe.accepts(script));
    EXPECT_FALSE(exe.accepts(text));
    EXPECT_FALSE(exe.accepts(QFileInfo(dir.path()))); // folders are not files
    EXPECT_TRUE(bat.accepts(script));
    EXPECT_FALSE(bat.accepts(text));
    EXPECT_EQ(filter.entryFor(QStringLiteral("BAT Files (*.sh)")), &bat);
    EXPECT_EQ(filter.entryFor(QStringLiteral("unknown")), &exe);
}
