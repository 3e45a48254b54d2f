#pragma once

class QWidget;

namespace quorvane {

// The forms name Windows fonts at pixel sizes. Those fonts are not on Linux, so each is mapped onto an
// installed CJK face, and the pixel size a form gives in its "fontPixelSize" property is applied (form
// files can only store point sizes).
class FormFonts
{
public:
    // Maps "微软雅黑", "宋体" and "仿宋" onto Noto Sans CJK SC. Safe to call more than once.
    static void registerSubstitutes();
    // Applies "fontPixelSize" of the form and of every child that has one.
    static void apply(QWidget* form);
};

} // namespace quorvane
