#pragma once
// Opens a file, program or web address as the desktop's "open" does: a
// http(s) address in the user's browser, an executable file started
// detached, any other file with xdg-open. A root process started through
// sudo or pkexec starts them as the invoking user, never as root.

#include <string>

namespace monitor {

enum class OpenOutcome {
    Opened,
    FileNotFound, // the result 2 of the Windows call
    Failed,
};

class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    virtual OpenOutcome open(const std::string& target) = 0;
};

class DesktopDocumentOpener : public DocumentOpener {
public:
    OpenOutcome open(const std::string& target) override;
};

} // namespace monitor
