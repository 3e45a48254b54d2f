#include "app/widgets/WindowDragger.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace quorvane {

WindowDragger::WindowDragger(QWidget* face) : QObject(face), m_face(face)
{
    face->installEventFilter(this);
}

bool WindowDragger::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_face)
        return false;
    QWidget* window = m_face->window();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (window->windowHandle() && window->windowHandle()->startSystemMove())
            return true;
        m_dragging = true;
        m_offset = mouse->globalPosition().toPoint() - window->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            window->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - m_offset);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_dragging = false;
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace quorvane
