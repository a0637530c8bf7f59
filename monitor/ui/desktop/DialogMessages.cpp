#include "monitor/ui/desktop/DialogMessages.h"

#include "dialog/MessageBoxStyle.h"

namespace monitor {

void DialogMessages::showError(const std::string& caption, const std::string& text)
{
    m_services.messageBox(m_parent, QString::fromStdString(text), QString::fromStdString(caption),
                          dialog::MB_OK | dialog::MB_ICONERROR);
}

} // namespace monitor
