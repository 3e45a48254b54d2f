#include "app/widgets/LinkDrops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace quorvane {

namespace {
QString droppedText(const QMimeData* data)
{
    if (!data)
        return {};
    if (data->hasText())
        return data->text();
    QStringList lines;
    for (const QUrl& url : data->urls()) {
        // Local files are no share links.
        if (!url.isLocalFile())
            lines << url.toString();
    }
    return lines.join(QLatin1Char('\n'));
}
} // namespace

LinkDrops::LinkDrops(QWidget* window) : QObject(window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool LinkDrops::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (droppedText(drag->mimeData()).trimmed().isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString text = droppedText(drop->mimeData());
        if (text.trimmed().isEmpty())
            return false;
        drop->acceptProposedAction();
        emit textDropped(text);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace quorvane
