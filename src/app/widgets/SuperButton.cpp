#include "app/widgets/SuperButton.h"

#include <QPainter>

namespace quorvane {

SuperButton::SuperButton(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void SuperButton::setBackgroundColor(const QColor& color)
{
    m_background = color;
    update();
}

void SuperButton::setHoverColor(const QColor& color)
{
    m_hover = color;
    update();
}

void SuperButton::setPressedColor(const QColor& color)
{
    m_pressed = color;
    update();
}

void SuperButton::setBorderColor(const QColor& color)
{
    m_border = color;
    update();
}

void SuperButton::setTextColor(const QColor& color)
{
    m_text = color;
    update();
}

void SuperButton::setHoverTextColor(const QColor& color)
{
    m_hoverText = color;
    update();
}

QSize SuperButton::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return text + QSize(16, 8);
}

void SuperButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool active = isEnabled() && (m_hovered || isDown());
    const QColor fill = isDown() ? pressedColor() : (active ? m_hover : m_background);
    painter.fillRect(rect(), fill);
    painter.setPen(active ? fill : m_border);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(isEnabled() ? (active ? hoverTextColor() : m_text) : QColor(160, 160, 160));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void SuperButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SuperButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace quorvane
