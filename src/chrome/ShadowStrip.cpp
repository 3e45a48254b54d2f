#include "chrome/ShadowStrip.h"

#include <QPaintEvent>
#include <QPainter>

namespace quorvane {

ShadowStrip::ShadowStrip(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                         Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QString());
}

void ShadowStrip::setPicture(QImage picture)
{
    m_picture = std::move(picture);
    update();
}

void ShadowStrip::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), Qt::transparent);
    painter.drawImage(0, 0, m_picture);
}

} // namespace quorvane
