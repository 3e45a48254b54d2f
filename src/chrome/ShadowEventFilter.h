#pragma once

#include <QObject>

class QWidget;

namespace quorvane {

// Watches the owner of a shadow and hands its events to ShadowSubclassProc. Never consumes an event,
// so the owner and any other filter see everything as before.
class ShadowEventFilter : public QObject
{
    Q_OBJECT

public:
    explicit ShadowEventFilter(QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_owner;
};

} // namespace quorvane
