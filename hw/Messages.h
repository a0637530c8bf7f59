#pragma once
// Where the toolkit-free layers send the messages a user must see (start-up
// failures and the like). The dialog layer implements it with message boxes;
// tests record what was shown.

#include <string>

namespace hw {

class Messages {
public:
    virtual ~Messages() = default;

    // A message box with the error icon and one OK button.
    virtual void showError(const std::string& caption, const std::string& text) = 0;
};

} // namespace hw
