#include "monitor/ui/CompositionEnabled.h"

namespace monitor {

Composition CompositionEnabled()
{
    return Composition::Off;
}

} // namespace monitor
