#include "monitor/ui/desktop/DocumentOpener.h"

#include "platform/DetachedProcess.h"
#include "platform/InvokingUser.h"

#include <QDesktopServices>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

namespace monitor {

namespace {

bool isWebAddress(const std::string& target)
{
    return target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0;
}

} // namespace

OpenOutcome DesktopDocumentOpener::open(const std::string& target)
{
    const std::optional<platform::InvokingUser> user = platform::invokingUser();
    if (isWebAddress(target)) {
        if (!user)
            return QDesktopServices::openUrl(QUrl(QString::fromStdString(target))) ? OpenOutcome::Opened
                                                                                   : OpenOutcome::Failed;
        return platform::startDetached({"xdg-open", target}, user) ? OpenOutcome::Failed : OpenOutcome::Opened;
    }
    struct stat info {};
    if (target.empty() || stat(target.c_str(), &info) != 0)
        return OpenOutcome::FileNotFound;
    const bool executable = S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
    // A relative name is a file of the current folder, never a program of PATH.
    const std::string path = target.find('/') == std::string::npos ? "./" + target : target;
    const std::vector<std::string> command =
        executable ? std::vector<std::string>{path} : std::vector<std::string>{"xdg-open", path};
    return platform::startDetached(command, user) ? OpenOutcome::Failed : OpenOutcome::Opened;
}

} // namespace monitor
