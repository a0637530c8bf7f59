#include "dialog/SvgArt.h"

#include <QPainter>
#include <QSvgRenderer>

namespace dialog {

QPixmap renderSvg(const QString& resource, QSize size)
{
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

QIcon svgIcon(const QString& resource, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int size : sizes) {
        const QPixmap pixmap = renderSvg(resource, QSize(size, size));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace dialog
