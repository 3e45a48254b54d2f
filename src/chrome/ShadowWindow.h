#pragma once

#include <QImage>
#include <QWidget>

namespace quorvane {

// The window that shows a drop shadow around its owner: a frameless, translucent top-level window that
// never takes focus or activation and lets every click through. It belongs to the owner, so the window
// system keeps it above the owner and Qt destroys it with the owner.
class ShadowWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ShadowWindow(QWidget* owner);

    // Shows `picture` (ARGB32_Premultiplied, the window's size). `ownerArea` is the part that lies over
    // the owner: it is cut out of the window's shape, so that without a compositor the owner stays
    // visible instead of being covered by the unblended picture.
    void setPicture(QImage picture, const QRect& ownerArea);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace quorvane
