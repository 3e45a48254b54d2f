#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quorvane {

// A flat button that draws itself: caption centred, a one-pixel border, and colours of its own for the
// normal, hovered and pressed states. The hint is the tool tip.
class SuperButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
    Q_PROPERTY(QColor pressedColor READ pressedColor WRITE setPressedColor)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor hoverTextColor READ hoverTextColor WRITE setHoverTextColor)

public:
    explicit SuperButton(QWidget* parent = nullptr);

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);
    QColor hoverColor() const { return m_hover; }
    void setHoverColor(const QColor& color);
    QColor pressedColor() const { return m_pressed.isValid() ? m_pressed : m_hover.darker(110); }
    void setPressedColor(const QColor& color);
    QColor borderColor() const { return m_border; }
    void setBorderColor(const QColor& color);
    QColor textColor() const { return m_text; }
    void setTextColor(const QColor& color);
    QColor hoverTextColor() const { return m_hoverText.isValid() ? m_hoverText : m_text; }
    void setHoverTextColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor m_background{255, 255, 255};
    QColor m_hover{229, 241, 251};
    QColor m_pressed;
    QColor m_border{173, 173, 173};
    QColor m_text{0, 0, 0};
    QColor m_hoverText;
    bool m_hovered = false;
};

} // namespace quorvane
