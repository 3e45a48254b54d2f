#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <array>

class QWidget;

namespace quorvane {

class ShadowStrip;

// The drop shadow of one owner window: four strip windows (ShadowStrip) that together cover the ring of
// `size` pixels around the owner and nothing else. The top and bottom strips span the whole width of the
// shadow, corners included; the left and right ones the owner's height between them. Nothing lies over
// the owner, so without a compositor the owner stays visible around an unblended, solid ring. The strips
// belong to the owner and go with it or with this object, whichever goes first.
class ShadowWindow : public QObject
{
    Q_OBJECT

public:
    enum Side
    {
        Top,
        Bottom,
        Left,
        Right
    };

    explicit ShadowWindow(QWidget* owner);
    ~ShadowWindow() override;

    // Where each side's strip lies inside a shadow of `outer` size whose ring is `size` pixels wide,
    // relative to the shadow's top left corner. A side without room gets an empty rectangle.
    static std::array<QRect, 4> stripAreas(QSize outer, int size);

    // Places the strips so that together they frame `area`, the owner's frame grown by `size`.
    void setGeometry(const QRect& area, int size);
    // The whole shadow, as last placed.
    QRect geometry() const { return m_geometry; }

    void show();
    void hide();
    bool isVisible() const;

    // The strip along `side`; null once the owner destroyed it.
    ShadowStrip* strip(Side side) const;

private:
    QRect m_geometry;
    std::array<QPointer<ShadowStrip>, 4> m_strips;
};

} // namespace quorvane
