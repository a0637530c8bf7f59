#pragma once
// Pictures of the suite drawn as SVG (program icons, the About box's logo and
// button images), rendered at the pixel sizes the windows need. The SVG
// files are compiled into the programs as Qt resources.

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <initializer_list>

namespace dialog {

// The picture at `resource` rendered into a transparent pixmap of `size`
// pixels; a null pixmap when the resource is missing or not valid SVG.
QPixmap renderSvg(const QString& resource, QSize size);

// A window icon holding the picture at each square size.
QIcon svgIcon(const QString& resource, std::initializer_list<int> sizes = {16, 32, 48});

} // namespace dialog
