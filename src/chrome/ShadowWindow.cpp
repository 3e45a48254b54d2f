#include "chrome/ShadowWindow.h"

#include "chrome/ShadowStrip.h"

#include <QWidget>

#include <algorithm>

namespace quorvane {

ShadowWindow::ShadowWindow(QWidget* owner) : QObject(owner)
{
    for (QPointer<ShadowStrip>& strip : m_strips)
        strip = new ShadowStrip(owner);
}

ShadowWindow::~ShadowWindow()
{
    for (const QPointer<ShadowStrip>& strip : m_strips)
        delete strip.data();
}

std::array<QRect, 4> ShadowWindow::stripAreas(QSize outer, int size)
{
    const int width = outer.width();
    const int height = outer.height();
    const int band = std::max(0, std::min(size, height / 2));
    const int column = std::max(0, std::min(size, width / 2));
    const int middle = std::max(0, height - 2 * band);
    std::array<QRect, 4> areas;
    areas[Top] = QRect(0, 0, width, band);
    areas[Bottom] = QRect(0, height - band, width, band);
    areas[Left] = QRect(0, band, column, middle);
    areas[Right] = QRect(width - column, band, column, middle);
    return areas;
}

void ShadowWindow::setGeometry(const QRect& area, int size)
{
    m_geometry = area;
    const std::array<QRect, 4> areas = stripAreas(area.size(), size);
    for (std::size_t side = 0; side < m_strips.size(); ++side) {
        if (m_strips[side])
            m_strips[side]->setGeometry(areas[side].translated(area.topLeft()));
    }
}

void ShadowWindow::show()
{
    for (const QPointer<ShadowStrip>& strip : m_strips) {
        if (strip && !strip->isVisible())
            strip->show();
    }
}

void ShadowWindow::hide()
{
    for (const QPointer<ShadowStrip>& strip : m_strips) {
        if (strip)
            strip->hide();
    }
}

bool ShadowWindow::isVisible() const
{
    return std::all_of(m_strips.begin(), m_strips.end(),
                       [](const QPointer<ShadowStrip>& strip) { return strip && strip->isVisible(); });
}

ShadowStrip* ShadowWindow::strip(Side side) const
{
    return m_strips.at(std::size_t(side)).data();
}

} // namespace quorvane
