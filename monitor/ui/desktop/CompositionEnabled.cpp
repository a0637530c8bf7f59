#include "monitor/ui/desktop/CompositionEnabled.h"

namespace monitor {

Composition CompositionEnabled()
{
    return Composition::Off;
}

} // namespace monitor
