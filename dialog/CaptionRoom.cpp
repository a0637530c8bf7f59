#include "dialog/CaptionRoom.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QMessageBox>
#include <QPointer>

namespace dialog {

int CaptionRoom::widthFor(const QString& caption)
{
    QFont title = QApplication::font();
    title.setBold(true);
    const QFontMetrics metrics(title);
    constexpr int BarPadding = 8;
    const int barHeight = metrics.height() + BarPadding;
    return metrics.horizontalAdvance(caption) + TitleBarSquares * barHeight;
}

CaptionRoom::CaptionRoom()
{
    setParent(qApp);
    qApp->installEventFilter(this);
}

void CaptionRoom::install()
{
    static QPointer<CaptionRoom> watcher;
    if (!watcher && qApp)
        watcher = new CaptionRoom;
}

bool CaptionRoom::eventFilter(QObject* watched, QEvent* event)
{
    const bool sizing = event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest;
    if (!sizing || m_sizing)
        return QObject::eventFilter(watched, event);
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box)
        return QObject::eventFilter(watched, event);
    // The box sizes itself to its text when it is shown and whenever its
    // layout asks; it is widened after that, before the window system shows
    // it.
    m_sizing = true;
    QCoreApplication::sendEvent(box, event);
    m_sizing = false;
    const int wanted = widthFor(box->windowTitle());
    const int narrower = wanted - box->width();
    if (narrower > 0) {
        QLayout* layout = box->layout();
        const int height = layout && layout->hasHeightForWidth() ? layout->totalHeightForWidth(wanted) : box->height();
        box->setFixedSize(wanted, height);
        // Placed for its narrower self, about to be shown: it stays centred.
        if (event->type() == QEvent::Show)
            box->move(box->pos() - QPoint(narrower / 2, 0));
    }
    return true;
}

} // namespace dialog
