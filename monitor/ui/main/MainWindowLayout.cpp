#include "monitor/ui/main/MainWindowLayout.h"

#include "monitor/ui/main/MainDialogTemplateSixCore.h"
#include "monitor/ui/main/ManyCoreBlock.h"

namespace monitor {

namespace {

const MainWindowLayout FourCoreWindow{MainDialogTemplate, CoreColumns, "Ostrel 3.69.1",
                                      InfoFieldStyle::ViewButton, SignatureStyle::GpuButtonWhenSensor};
const MainWindowLayout SixCoreWindow{MainDialogTemplateSixCore, SixCoreColumns, "Ostrel HX 3.64",
                                     InfoFieldStyle::TextOnly, SignatureStyle::BothShown};

static_assert(SixCoreMainColumns <= MaxMainColumns && MainColumns <= MaxMainColumns);

} // namespace

const MainWindowLayout& mainWindowLayoutFor(const hw::BuildFlavour& flavour)
{
    if (flavour.showsEveryCore()) {
        static const MainWindowLayout ManyCoreWindow{mainDialogTemplateManyCore(), {}, "Ostrel XL 3.64",
                                                     InfoFieldStyle::TextOnly, SignatureStyle::BothShown,
                                                     CoreColumnsStyle::PerCore};
        return ManyCoreWindow;
    }
    return flavour.coreSlots > MainColumns ? SixCoreWindow : FourCoreWindow;
}

} // namespace monitor
