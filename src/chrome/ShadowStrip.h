#pragma once

#include <QImage>
#include <QWidget>

namespace quorvane {

// One of the four windows that show a drop shadow around its owner: a frameless, translucent top-level
// window along one side of the owner that never takes focus or activation and lets every click through.
// It belongs to the owner, so the window system keeps it above the owner and Qt destroys it with the
// owner. Being no larger than its strip of the shadow, its backing store costs a few kilobytes, where
// one window around the whole owner would hold a picture of the owner's full size.
class ShadowStrip : public QWidget
{
    Q_OBJECT

public:
    explicit ShadowStrip(QWidget* owner);

    // Shows `picture` (ARGB32_Premultiplied, the window's size).
    void setPicture(QImage picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace quorvane
