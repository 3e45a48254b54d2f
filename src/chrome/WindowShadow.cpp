#include "chrome/WindowShadow.h"

#include "chrome/MemoryImage.h"
#include "chrome/ShadowEventFilter.h"
#include "chrome/ShadowStrip.h"
#include "chrome/ShadowWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <array>

// The resources live in a static library; nothing else references them, so register them by hand.
static void initChromeResources()
{
    Q_INIT_RESOURCE(chrome);
}

namespace quorvane {

namespace {

// Largest window side the shadow will place and draw; beyond it the picture would not fit the window
// system anyway, and the grown rectangle could overflow.
constexpr qint64 kMaxShadowSide = QWIDGETSIZE_MAX;

// Wayland lets no client place its own top-level windows, so a shadow could not follow its owner there.
bool platformPlacesWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QObject* shadowFilterOf(const QWidget* owner)
{
    return owner->property(kShadowProcProperty).value<QPointer<QObject>>().data();
}

int shadowSizeOf(const ShadowWindow* shadow)
{
    return shadow->property(kShadowSizeProperty).toInt();
}

// The two stock pictures of a black shadow, decoded on first use and kept for the process.
MemoryImage& stockShadowImage(int index)
{
    static std::array<MemoryImage, 2> images;
    MemoryImage& image = images.at(static_cast<std::size_t>(index));
    if (image.GetHandle() == nullptr) {
        initChromeResources();
        image.LoadFromResource(index == 0 ? QStringLiteral(":/chrome/shadow5.png")
                                          : QStringLiteral(":/chrome/shadow10.png"));
    }
    return image;
}

void removeShadow(QWidget* owner)
{
    if (ShadowWindow* shadow = shadowWindowOf(owner)) {
        shadow->setProperty(kShadowColorProperty, QVariant());
        shadow->setProperty(kShadowSizeProperty, QVariant());
        shadow->hide();
        delete shadow;
    }
    owner->setProperty(kShadowProperty, QVariant());
    if (owner->property(kShadowProcProperty).isValid()) {
        if (QObject* filter = shadowFilterOf(owner)) {
            owner->removeEventFilter(filter);
            delete filter;
        }
        owner->setProperty(kShadowProcProperty, QVariant());
    }
}

} // namespace

ShadowWindow* shadowWindowOf(const QWidget* owner)
{
    if (owner == nullptr)
        return nullptr;
    return qobject_cast<ShadowWindow*>(owner->property(kShadowProperty).value<QPointer<QObject>>().data());
}

bool SetWindowShadow(QWidget* window, quint32 color, std::optional<int> size)
{
    // A shadow follows a window across the screen; child widgets move with their parent unseen.
    if (window == nullptr || !window->isWindow())
        return false;
    if (size && *size < 1) {
        removeShadow(window);
        return false;
    }

    ShadowWindow* shadow = shadowWindowOf(window);
    if (shadow == nullptr) {
        shadow = new ShadowWindow(window);
        window->setProperty(kShadowProperty, QVariant::fromValue(QPointer<QObject>(shadow)));
    }
    shadow->setProperty(kShadowColorProperty, QVariant::fromValue(color));
    shadow->setProperty(kShadowSizeProperty, size.value_or(5));
    UpdateShadowPosition(window, false, false);

    if (shadowFilterOf(window) != nullptr)
        return true;
    auto* filter = new ShadowEventFilter(window);
    window->installEventFilter(filter);
    window->setProperty(kShadowProcProperty, QVariant::fromValue(QPointer<QObject>(filter)));
    return true;
}

void UpdateShadowPosition(QWidget* owner, bool visible, bool useVisible)
{
    ShadowWindow* shadow = shadowWindowOf(owner);
    if (shadow == nullptr)
        return;
    if (!useVisible)
        visible = owner->isVisible();

    // A full-screen window fills the screen like a maximised one: no room for a shadow either.
    if (!visible || !platformPlacesWindows() || owner->isMinimized() || owner->isMaximized() ||
        owner->isFullScreen()) {
        shadow->hide();
        return;
    }

    const QRect area = owner->frameGeometry();
    const qint64 size = shadowSizeOf(shadow);
    const qint64 width = qint64(area.width()) + 2 * size;
    const qint64 height = qint64(area.height()) + 2 * size;
    // Placed before it is shown, so that it never flashes at its old place.
    if (area.width() > 0 && area.height() > 0 && width <= kMaxShadowSide && height <= kMaxShadowSide) {
        shadow->setGeometry(QRect(int(area.left() - size), int(area.top() - size), int(width), int(height)),
                            int(size));
        RenderShadow(owner, int(width), int(height));
    }
    shadow->show();
}

void RenderShadow(QWidget* owner, int width, int height)
{
    ShadowWindow* shadow = shadowWindowOf(owner);
    if (shadow == nullptr)
        return;
    if (width <= 0 || height <= 0) {
        width = shadow->geometry().width();
        height = shadow->geometry().height();
        if (width <= 0 || height <= 0)
            return;
    }
    const std::array<QRect, 4> areas = ShadowWindow::stripAreas(QSize(width, height), shadowSizeOf(shadow));
    for (int side = ShadowWindow::Top; side <= ShadowWindow::Right; ++side) {
        ShadowStrip* strip = shadow->strip(ShadowWindow::Side(side));
        const QRect& area = areas.at(std::size_t(side));
        if (strip == nullptr || area.isEmpty())
            continue;
        QImage part(area.size(), QImage::Format_ARGB32_Premultiplied);
        if (part.isNull())
            continue; // too large to allocate: keep the old picture
        part.fill(Qt::transparent);
        QPainter graphics(&part);
        graphics.translate(-area.left(), -area.top());
        PaintShadow(shadow, graphics, width, height);
        graphics.end();
        strip->setPicture(std::move(part));
    }
}

bool ShadowSubclassProc(QWidget* window, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        UpdateShadowPosition(window, false, false);
        break;
    case QEvent::Show:
        UpdateShadowPosition(window, true, true);
        break;
    case QEvent::Hide:
        UpdateShadowPosition(window, false, true);
        break;
    default:
        break;
    }
    return false;
}

void PaintShadow(const ShadowWindow* shadow, QPainter& graphics, int width, int height)
{
    const quint32 color = shadow->property(kShadowColorProperty).toUInt();
    const int size = shadowSizeOf(shadow);
    if (size < 1 || !graphics.isActive())
        return;
    const int step = size <= 8 ? 100 / size : 150 / size;

    graphics.save();
    if (color == 0 && (size == 5 || size == 10)) {
        NineSliceMargins margins;
        DrawNineSlice(graphics, stockShadowImage(size == 5 ? 0 : 1), 0, 0, width, height, margins);
    } else {
        // Everything except the area that lies over the owner, within what the caller lets through.
        const QRegion owner(size, size, width - 2 * size, height - 2 * size);
        graphics.setClipRegion(QRegion(0, 0, width, height).subtracted(owner), Qt::IntersectClip);
        graphics.setRenderHint(QPainter::Antialiasing);
        // Path coordinates name pixel centres, so a one-pixel line at x covers exactly column x.
        graphics.translate(0.5, 0.5);
        for (int i = 1; i <= size; ++i) {
            const int alpha = step * i;
            QPen pen(QColor::fromRgba(ColorToArgb(color, alpha)), 1.0);
            graphics.setPen(pen);
            graphics.setBrush(Qt::NoBrush);
            graphics.drawPath(CreateRoundedRectPath(i - 1, i - 1, width - 2 * i + 1, height - 2 * i + 1, 4));
        }
    }
    graphics.restore();
}

QPainterPath CreateRoundedRectPath(qreal x, qreal y, qreal w, qreal h, qreal radius)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    if (radius <= 0) {
        path.addRect(x, y, w, h);
        return path;
    }
    radius = qBound<qreal>(1, radius, 100);
    const qreal d = 2 * radius;
    // Angles run clockwise on screen from 3 o'clock; Qt's run counter-clockwise, hence the signs.
    auto arc = [&path](qreal left, qreal top, qreal side, qreal start) {
        path.arcTo(left, top, side, side, -start, -90);
    };
    path.arcMoveTo(x, y, d, d, -180);
    arc(x, y, d, 180);
    arc(x + w - d, y, d, 270);
    arc(x + w - d, y + h - d, d, 0);
    arc(x, y + h - d, d, 90);
    path.closeSubpath();
    return path;
}

void DrawNineSlice(QPainter& graphics, MemoryImage& image, int x, int y, int width, int height,
                   NineSliceMargins& margins)
{
    const qint64 w = image.GetWidth();
    const qint64 h = image.GetHeight();
    const int m = (w > 80 && h > 80) ? 20 : (w > 50 && h > 50) ? 10 : 5;
    margins = {m, m, int(w - m), int(h - m)};
    const QImage* source = image.GetHandle();
    if (source == nullptr)
        return;

    const int midW = margins.right - margins.left;
    const int midH = margins.bottom - margins.top;
    const int farW = int(w) - margins.right;
    const int farH = int(h) - margins.bottom;
    const int targetMidW = width - m - farW;
    const int targetMidH = height - m - farH;

    // Each slice is cut out first, so that stretching never samples its neighbours. A slice without area
    // (the middle of an image no larger than its corners, edges of a target smaller than its corners) is
    // left out; the others are still drawn.
    auto part = [&](int tx, int ty, int tw, int th, int sx, int sy, int sw, int sh) {
        if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0)
            return;
        graphics.drawImage(QRect(x + tx, y + ty, tw, th), source->copy(sx, sy, sw, sh));
    };
    part(0, 0, m, m, 0, 0, m, m);
    part(width - farW, 0, farW, m, margins.right, 0, farW, m);
    part(0, height - farH, m, farH, 0, margins.bottom, m, farH);
    part(width - farW, height - farH, farW, farH, margins.right, margins.bottom, farW, farH);
    part(m, 0, targetMidW, m, margins.left, 0, midW, m);
    part(m, height - farH, targetMidW, farH, margins.left, margins.bottom, midW, farH);
    part(0, m, m, targetMidH, 0, margins.top, m, midH);
    part(width - farW, m, farW, targetMidH, margins.right, margins.top, farW, midH);
    part(m, m, targetMidW, targetMidH, margins.left, margins.top, midW, midH);
}

quint32 ColorToArgb(quint32 color, int alpha)
{
    const quint32 red = color & 0xFF;
    const quint32 green = (color >> 8) & 0xFF;
    const quint32 blue = (color >> 16) & 0xFF;
    return (quint32(alpha & 0xFF) << 24) | (red << 16) | (green << 8) | blue;
}

} // namespace quorvane
