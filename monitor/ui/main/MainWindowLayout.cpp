#include "monitor/ui/main/MainWindowLayout.h"

#include "monitor/ui/main/MainDialogTemplateSixCore.h"

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
    return flavour.coreSlots > MainColumns ? SixCoreWindow : FourCoreWindow;
}

} // namespace monitor
