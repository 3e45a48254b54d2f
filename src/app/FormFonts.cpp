#include "app/FormFonts.h"

#include <QFont>
#include <QWidget>

namespace quorvane {

namespace {
constexpr char kPixelSizeProperty[] = "fontPixelSize";

void applyOne(QWidget* widget)
{
    const QVariant size = widget->property(kPixelSizeProperty);
    if (!size.isValid())
        return;
    QFont font = widget->font();
    font.setPixelSize(size.toInt());
    font.setWeight(QFont::Normal);
    widget->setFont(font);
}
} // namespace

void FormFonts::registerSubstitutes()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("微软雅黑"), {QStringLiteral("Noto Sans CJK SC"),
                                                                QStringLiteral("WenQuanYi Micro Hei")});
        // One face for all three keeps start-up to a single CJK font file; the serif faces would only
        // draw the "─" and "×" of the caption buttons.
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("Noto Sans CJK SC")});
        QFont::insertSubstitutions(QStringLiteral("仿宋"), {QStringLiteral("Noto Sans CJK SC")});
        return true;
    }();
    (void)done;
}

void FormFonts::apply(QWidget* form)
{
    // The form first: children without a font of their own inherit its size.
    applyOne(form);
    for (QWidget* child : form->findChildren<QWidget*>())
        applyOne(child);
}

} // namespace quorvane
