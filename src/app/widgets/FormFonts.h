#pragma once

#include <QString>

class QWidget;

namespace quorvane {

// The forms name Windows faces ("微软雅黑", "宋体", "仿宋") at pixel sizes, in the dynamic properties
// "fontFamily" and "fontPixelSize" (form files can only store point sizes). Those faces are not on Linux,
// so every form face is drawn with one installed CJK face, asked for by its own name: a request for a
// missing family (or one with substitutes) makes Qt sort fontconfig's fallback lists for it, which costs
// more at start-up than laying out all the windows' text. On Windows the form faces are asked for by
// name, with the installed CJK face (Microsoft YaHei first) behind them.
class FormFonts
{
public:
    // Makes the installed face at 12 pixels the application font, so that what has no form font (menus,
    // balloons, dialogs, the line edits' first layout) uses the same font file. Call before the first
    // window; safe to call again.
    static void installApplicationFont();
    // The installed CJK face that stands in for the form faces; the application font's family when none
    // of the known faces is installed.
    static QString installedFace();
    // Applies the form font of the form and of every child that names one.
    static void apply(QWidget* form);
};

} // namespace quorvane
