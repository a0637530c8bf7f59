#pragma once
// Stand-ins for the stress program: small shell scripts written into a
// temporary folder, which sleep, end at once or report who they run as.

#include <QTemporaryDir>

#include <sys/stat.h>

#include <fstream>
#include <string>

namespace diagtest {

inline std::string writeScript(const QTemporaryDir& dir, const std::string& name, const std::string& body)
{
    const std::string path = (dir.path() + QLatin1Char('/')).toStdString() + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
}

// Sleeps until it is ended.
inline std::string sleepingHelper(const QTemporaryDir& dir) { return writeScript(dir, "sleeper", "exec sleep 600"); }
// Ends at once, as a second copy of a program that is already open does.
inline std::string quittingHelper(const QTemporaryDir& dir) { return writeScript(dir, "quitter", "exit 0"); }

} // namespace diagtest
