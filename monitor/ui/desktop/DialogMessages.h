#pragma once
// The start-up's messages as message boxes of the dialog services: the error
// icon and one OK button.

#include "dialog/DialogServices.h"
#include "hw/Messages.h"

class QWidget;

namespace monitor {

class DialogMessages : public hw::Messages {
public:
    DialogMessages(dialog::DialogServices& services, QWidget* parent) : m_services(services), m_parent(parent) {}

    void showError(const std::string& caption, const std::string& text) override;

private:
    dialog::DialogServices& m_services;
    QWidget* m_parent;
};

} // namespace monitor
