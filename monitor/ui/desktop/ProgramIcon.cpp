#include "monitor/ui/desktop/ProgramIcon.h"

#include "dialog/SvgArt.h"

namespace monitor {

QIcon programIcon()
{
    return dialog::svgIcon(QStringLiteral(":/ostrel/icons/ostrel.svg"), {16, 32, 48});
}

} // namespace monitor
