#include "app/main/LinkQueue.h"

#include "app/main/MainWindow.h"

#include <QTimer>

namespace quorvane {

LinkQueue::LinkQueue(ParseOne parse, QObject* parent) : QObject(parent), m_parse(std::move(parse)) {}

LinkQueue::ParseOne LinkQueue::throughParseButton(MainWindow& window)
{
    return [&window](const QString& link) {
        auto& form = window.form();
        form.主页链接地址->setText(link);
        form.超级按钮2->click();
    };
}

void LinkQueue::add(const QStringList& links)
{
    if (links.isEmpty())
        return;
    m_pending << links;
    // Never from inside the caller (a socket handler, start-up): the parse may wait for the network.
    QTimer::singleShot(0, this, &LinkQueue::drain);
}

void LinkQueue::drain()
{
    if (m_draining)
        return; // the running loop below takes the new links
    m_draining = true;
    while (!m_pending.isEmpty())
        m_parse(m_pending.takeFirst());
    m_draining = false;
}

} // namespace quorvane
