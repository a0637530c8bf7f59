#include "dialog/BesideOwner.h"

namespace dialog {

int besideOwnerLeft(const QRect& owner, int screenWidth, int width, int gap)
{
    const int ownerRight = owner.x() + owner.width();
    if (owner.x() < screenWidth - ownerRight)
        return ownerRight + gap;
    return owner.x() - width - gap;
}

} // namespace dialog
