#pragma once

#include "chrome/NineSliceMargins.h"

#include <QtGlobal>

#include <optional>

class QEvent;
class QPainter;
class QPainterPath;
class QWidget;

namespace quorvane {

class MemoryImage;
class ShadowWindow;

// Names of the dynamic properties that tie an owner window and its shadow window together.
inline constexpr char kShadowProperty[] = "Tervo.WndShadow";          // owner: QPointer<QObject>, the shadow
inline constexpr char kShadowProcProperty[] = "Tervo.WndShadow.Proc"; // owner: QPointer<QObject>, the filter
inline constexpr char kShadowColorProperty[] = "Tervo.WndShadow.Color"; // shadow: quint32, 0x00BBGGRR
inline constexpr char kShadowSizeProperty[] = "Tervo.WndShadow.Size";   // shadow: int, pixels on every side

// Gives a frameless top-level window a soft drop shadow of `size` pixels on every side in `color`
// (0x00BBGGRR; 0 is black). Attaching again only changes colour and size. A given size below 1 removes the
// shadow and returns false. Returns false when `window` is null or not a top-level window.
bool SetWindowShadow(QWidget* window, quint32 color = 0, std::optional<int> size = std::nullopt);

// Places, shows or hides the owner's shadow. Unless `useVisible`, `visible` is taken from the owner.
void UpdateShadowPosition(QWidget* owner, bool visible, bool useVisible);

// Draws the shadow picture of the given size (the shadow window's own size when either is 0) and hands
// it to the shadow window: each strip gets its own part, so no picture of the whole size is ever made.
void RenderShadow(QWidget* owner, int width, int height);

// The owner's event hook: keeps the shadow placed on move, resize, show, hide and state changes. Returns
// false: the event always goes on to the owner.
bool ShadowSubclassProc(QWidget* window, QEvent* event);

// Draws the shadow of width x height described by the shadow window's properties with `graphics`, whose
// device is transparent and ARGB32_Premultiplied. The shadow's top left corner lies at the painter's
// origin: a painter translated by whole pixels draws the matching part into a smaller device, with the
// same pixels as in the whole picture (antialiased rings may round one step apart where they overlap).
// The painter's state is restored afterwards.
void PaintShadow(const ShadowWindow* shadow, QPainter& graphics, int width, int height);

QPainterPath CreateRoundedRectPath(qreal x, qreal y, qreal w, qreal h, qreal radius);

// Draws `image` stretched into the target by nine slices: corners unscaled, edges stretched along their
// length, centre both ways. Fills `margins` with the source slice edges.
void DrawNineSlice(QPainter& graphics, MemoryImage& image, int x, int y, int width, int height,
                   NineSliceMargins& margins);

// 0x00BBGGRR plus alpha to 0xAARRGGBB.
quint32 ColorToArgb(quint32 color, int alpha);

// The owner's shadow window, or null when it has none.
ShadowWindow* shadowWindowOf(const QWidget* owner);

} // namespace quorvane
