#include "monitor/diag/window/PluginInstaller.h"

#include "dialog/DialogWindow.h"
#include "dialog/MessageBoxStyle.h"
#include "platform/ProgramPath.h"
#include "platform/ProgramPlaces.h"

#include <cstdio>

namespace monitor {

namespace {

const char* const WrongFileText = "RivaTuner.exe\nFile not found.\nCheck the file name and try again.";
const char* const WrongFileCaption = "File not found";
const char* const InstalledText = "Ostrel plug-in was successfully installed.\n"
                                  "Start RivaTuner and select OLCore.dll\n\n"
                                  "Customize -> Hardware monitoring -> Setup -> Plugins";
const char* const InstalledCaption = "Plug-In Installed";

QString notCopiedText(const std::string& source)
{
    return QStringLiteral("Could not copy\n\n") + QString::fromStdString(source)
           + QStringLiteral("\n\nto the  RivaTuner\\PlugIns\\Monitoring directory.");
}

} // namespace

PluginInstallerPlaces PluginInstallerPlaces::current()
{
    const platform::PlaceFacts facts = platform::currentPlaceFacts();
    std::string home;
    if (facts.invokingUser && facts.homeOf)
        home = facts.homeOf(facts.invokingUser->uid);
    else if (const std::optional<std::string> own = facts.environment("HOME"))
        home = *own;
    return {platform::programPath(), defaultRivaTunerFolder(facts.environment, home), facts.invokingUser};
}

std::string runPluginInstaller(dialog::DialogWindow& owner, const std::string& rivaFile,
                               const MonitorSettings& settings, const ProcessorFacts& processor,
                               const SettingsLayout& layout, const PluginInstallerPlaces& places)
{
    dialog::FileDialogRequest request;
    request.mode = dialog::FileDialogMode::Open;
    request.title = QStringLiteral("Find RivaTuner.exe");
    request.filter = QStringLiteral("RivaTuner.exe|RivaTuner.exe||");
    request.defaultExtension = QStringLiteral("RivaTuner.exe");
    request.existence = dialog::FileExistence::MustExist;
    request.initialDirectory = QString::fromStdString(rivaFile.empty() ? places.defaultFolder : rivaFile);
    const std::optional<QString> chosen = owner.services().chooseFile(&owner, request);
    if (!chosen)
        return {};

    const PluginInstallResult result = installPlugin({chosen->toStdString(), pluginSourcesBeside(places.programPath),
                                                      settings, processor, layout, places.owner});
    switch (result.status) {
    case PluginInstallStatus::NotRivaTuner:
        owner.messageBox(QString::fromUtf8(WrongFileText), QString::fromUtf8(WrongFileCaption),
                         dialog::MB_OK | dialog::MB_ICONWARNING);
        return {};
    case PluginInstallStatus::PluginNotCopied:
        std::fprintf(stderr, "RivaTuner plug-in not installed: %s\n", result.problem.c_str());
        owner.messageBox(notCopiedText(pluginSourcesBeside(places.programPath).plugin), QStringLiteral("Error"),
                         dialog::MB_OK | dialog::MB_ICONERROR);
        return {};
    case PluginInstallStatus::Installed:
        owner.messageBox(QString::fromUtf8(InstalledText), QString::fromUtf8(InstalledCaption),
                         dialog::MB_OK | dialog::MB_ICONINFORMATION);
        return chosen->toStdString();
    }
    return {};
}

} // namespace monitor
