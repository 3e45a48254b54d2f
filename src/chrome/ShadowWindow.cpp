#include "chrome/ShadowWindow.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace quorvane {

ShadowWindow::ShadowWindow(QWidget* owner)
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

void ShadowWindow::setPicture(QImage picture, const QRect& ownerArea)
{
    m_picture = std::move(picture);
    const QRect whole(QPoint(0, 0), m_picture.size());
    const QRegion shape = QRegion(whole).subtracted(QRegion(ownerArea.intersected(whole)));
    if (shape.isEmpty())
        clearMask();
    else
        setMask(shape);
    update();
}

void ShadowWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), Qt::transparent);
    painter.drawImage(0, 0, m_picture);
}

} // namespace quorvane
