#pragma once

#include <QColor>
#include <QWidget>

namespace quorvane {

// A plain rectangular frame around its children, one pixel wide, in a colour of its own.
class ShapeBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor frameColor READ frameColor WRITE setFrameColor)

public:
    explicit ShapeBox(QWidget* parent = nullptr) : QWidget(parent) {}

    QColor frameColor() const { return m_frameColor; }
    void setFrameColor(const QColor& color)
    {
        m_frameColor = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_frameColor{0, 0, 0};
};

} // namespace quorvane
