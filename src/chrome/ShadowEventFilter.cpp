#include "chrome/ShadowEventFilter.h"

#include "chrome/WindowShadow.h"

#include <QWidget>

namespace quorvane {

ShadowEventFilter::ShadowEventFilter(QWidget* owner) : QObject(owner), m_owner(owner) {}

bool ShadowEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_owner)
        return ShadowSubclassProc(m_owner, event);
    return false;
}

} // namespace quorvane
