#pragma once

#include <QObject>

class QWidget;

namespace quorvane {

// Lets a window take dropped links or text: the dropped text (or the dropped addresses, one a line) comes
// out as textDropped. Installed as an event filter on the window, which then accepts drops.
class LinkDrops : public QObject
{
    Q_OBJECT

public:
    explicit LinkDrops(QWidget* window);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void textDropped(const QString& text);
};

} // namespace quorvane
