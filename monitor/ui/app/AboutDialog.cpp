#include "monitor/ui/app/AboutDialog.h"

#include "dialog/StandardIds.h"
#include "dialog/SvgArt.h"
#include "monitor/ui/app/AboutLinks.h"

#include <QPushButton>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::ControlSpec;
using dialog::IDC_STATIC;

// clang-format off
constexpr ControlSpec AboutControls[] = {
    {IdAboutLogo,       ControlKind::Picture, "",                                  9,   8,  96, 89},
    {IDC_STATIC,        ControlKind::Label,   "Ostrel 3.69.1",                    15, 107, 100,  8},
    {IDC_STATIC,        ControlKind::Label,   "August 6, 2011",                   15, 119, 100,  8},
    {IDC_STATIC,        ControlKind::Label,   "Sandy Bridge Edition",             15, 131, 100,  8},
    {IDC_STATIC,        ControlKind::Label,   "Per-core temperatures for Linux",  15, 150, 105,  8},
    {IDC_STATIC,        ControlKind::Label,   "from the digital thermal sensors.", 15, 162, 105,  8},
    {IDC_STATIC,        ControlKind::Label,   "Questions: see the read-me.",      15, 174, 105,  8},
    {IdAboutHome,       ControlKind::Button,  "",                                126,   8, 133, 41},
    {IdAboutMsr,        ControlKind::Button,  "",                                126,  53, 133, 61},
    {IdAboutSpecFinder, ControlKind::Button,  "Spec Finder",                     126, 118, 133, 26},
    {IdAboutSupport,    ControlKind::Button,  "World's Best Customer Service",   126, 148, 133, 16},
    {IdAboutHelp,       ControlKind::Button,  "",                                166, 168,  53, 16},
};
// clang-format on

constexpr dialog::DialogTemplate AboutTemplate{100, "About", 270, 194, 8, dialog::window::SystemMenu, AboutControls};

} // namespace

AboutDialog::AboutDialog(const std::string& modelName, uint32_t signature, DocumentOpener& opener, QWidget* parent)
    : dialog::DialogWindow(AboutTemplate, parent), m_opener(opener), m_modelName(modelName)
{
    setPicture(IdAboutLogo, dialog::renderSvg(QStringLiteral(":/ostrel/icons/ostrel.svg"), LogoSize));
    setButtonImage(IdAboutHome, QStringLiteral(":/ostrel/images/about-home.svg"), HomeImageSize);
    setButtonImage(IdAboutMsr, QStringLiteral(":/ostrel/images/about-msr.svg"), MsrImageSize);
    setButtonImage(IdAboutHelp, QStringLiteral(":/ostrel/images/about-help.svg"), HelpImageSize);
    setText(IdAboutSpecFinder, QString::fromStdString(specFinderCaption(modelName, signature)));

    onClicked(IdAboutHome, [this] { openAndMaybeClose(homePage(), AfterOpening::Close); });
    onClicked(IdAboutMsr, [this] {
        openAndMaybeClose(std::string(about::MsrDocumentation), AfterOpening::Close);
    });
    onClicked(IdAboutSpecFinder, [this] {
        openAndMaybeClose(specFinderAddress(m_modelName), AfterOpening::Close);
    });
    onClicked(IdAboutSupport, [this] {
        openAndMaybeClose(std::string(about::MakerSupport), AfterOpening::Close);
    });
    onClicked(IdAboutHelp, [this] { openAndMaybeClose(homePage(), AfterOpening::StayOpen); });
}

void AboutDialog::setButtonImage(int id, const QString& resource, QSize size)
{
    auto* button = widget<QPushButton>(id);
    button->setIcon(QIcon(dialog::renderSvg(resource, size)));
    // The image at its own size, or smaller where the style's frame and
    // margins leave less room in the button.
    const QSize room = button->size() - QSize(ImageMargin, ImageMargin);
    const bool fits = size.width() <= room.width() && size.height() <= room.height();
    button->setIconSize(fits ? size : size.scaled(room, Qt::KeepAspectRatio));
}

void AboutDialog::openAndMaybeClose(const std::string& address, AfterOpening after)
{
    // Whether a browser took the address is not reported.
    m_opener.open(address);
    if (after == AfterOpening::Close)
        endDialog(dialog::IDOK);
}

} // namespace monitor
