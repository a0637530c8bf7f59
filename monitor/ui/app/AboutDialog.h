#pragma once
// The monitor's About box (dialog 100): the logo, the version lines and the
// credits, and buttons that open pages in the user's browser: the program's
// own read-me, the kernel's register-access documentation, the processor
// maker's product search for the processor found (the model button), its
// support pages, and a help button that leaves the box open. Run modally
// from the main window and the notification-area menu.

#include "dialog/DialogWindow.h"
#include "monitor/ui/desktop/DocumentOpener.h"

#include <cstdint>
#include <string>

namespace monitor {

enum AboutId : int {
    IdAboutLogo = 1000,
    IdAboutHome = 1059,
    IdAboutSpecFinder = 1162,
    IdAboutHelp = 1184,
    IdAboutSupport = 1211,
    IdAboutMsr = 1533,
};

class AboutDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    // Pixel sizes of the logo and of the button images.
    static constexpr QSize LogoSize{144, 144};
    static constexpr QSize HomeImageSize{190, 57};
    static constexpr QSize MsrImageSize{190, 90};
    static constexpr QSize HelpImageSize{74, 21};
    // Room the button's frame needs around its image (pixels, both sides together).
    static constexpr int ImageMargin = 8;

    // The model button names the processor by its model name and signature.
    AboutDialog(const std::string& modelName, uint32_t signature, DocumentOpener& opener,
                QWidget* parent = nullptr);

private:
    enum class AfterOpening { Close, StayOpen };
    void openAndMaybeClose(const std::string& address, AfterOpening after);
    void setButtonImage(int id, const QString& resource, QSize size);

    DocumentOpener& m_opener;
    std::string m_modelName;
};

} // namespace monitor
