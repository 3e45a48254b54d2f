#include "app/widgets/ShapeBox.h"

#include <QPainter>

namespace quorvane {

void ShapeBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_frameColor);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace quorvane
