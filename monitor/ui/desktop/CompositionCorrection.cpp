#include "monitor/ui/desktop/CompositionCorrection.h"

namespace monitor {

QPoint CompositionCorrection(PlacementOperation operation, WindowForm form, Composition composition)
{
    constexpr int Frame = 5;
    if (composition == Composition::Off)
        return {};
    if (operation == PlacementOperation::RestoreWindowPosition)
        return {Frame, Frame};
    if (form == WindowForm::Mini)
        return {};
    switch (operation) {
    case PlacementOperation::SaveWindowXY:
    case PlacementOperation::SetAnchor:
        return {-Frame, -Frame};
    case PlacementOperation::MoveToAnchor:
        return {Frame, Frame};
    case PlacementOperation::MoveToTopRight:
        return {-Frame, Frame};
    case PlacementOperation::RestoreWindowPosition:
        break;
    }
    return {};
}

} // namespace monitor
