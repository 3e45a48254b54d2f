#pragma once

#include <QObject>
#include <QPoint>

namespace quorvane {

// Moves a frameless window when its face is dragged with the left button. Asks the window manager to run
// the move where it can (smooth, snaps like a framed window), and moves the window itself otherwise.
// Children that ignore mouse presses (labels, disabled captions) pass the press on to the face.
class WindowDragger : public QObject
{
    Q_OBJECT

public:
    // Installs itself on `face`; moves face->window().
    explicit WindowDragger(QWidget* face);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_face;
    QPoint m_offset;
    bool m_dragging = false;
};

} // namespace quorvane
