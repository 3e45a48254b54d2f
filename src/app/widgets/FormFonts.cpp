#include "app/widgets/FormFonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QWidget>

namespace quorvane {

namespace {
constexpr char kFamilyProperty[] = "fontFamily";
constexpr char kPixelSizeProperty[] = "fontPixelSize";
constexpr int kApplicationPixelSize = 12;

void applyOne(QWidget* widget)
{
    const QVariant family = widget->property(kFamilyProperty);
    const QVariant size = widget->property(kPixelSizeProperty);
    if (!family.isValid() && !size.isValid())
        return;
    QFont font = widget->font();
    if (family.isValid()) {
#ifdef Q_OS_WIN
        // Windows has the faces the forms name; the installed CJK face stands in where one is missing.
        font.setFamilies({family.toString(), FormFonts::installedFace()});
#else
        font.setFamilies({FormFonts::installedFace()});
#endif
    }
    if (size.isValid())
        font.setPixelSize(size.toInt());
    font.setWeight(QFont::Normal);
    widget->setFont(font);
}
} // namespace

QString FormFonts::installedFace()
{
    static const QString face = [] {
        // Simplified Chinese first, so that Han characters take their mainland forms.
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : {
#ifdef Q_OS_WIN
                 QStringLiteral("Microsoft YaHei"),
#endif
                 QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")}) {
            // A family that several foundries provide is listed as "family [foundry]".
            const QString withFoundry = candidate + QStringLiteral(" [");
            for (const QString& family : installed) {
                if (family.compare(candidate, Qt::CaseInsensitive) == 0 ||
                    family.startsWith(withFoundry, Qt::CaseInsensitive))
                    return family;
            }
        }
        return QApplication::font().family();
    }();
    return face;
}

void FormFonts::installApplicationFont()
{
    static const bool done = [] {
        QFont font = QApplication::font();
        font.setFamilies({installedFace()});
        font.setPixelSize(kApplicationPixelSize);
        QApplication::setFont(font);
        return true;
    }();
    (void)done;
}

void FormFonts::apply(QWidget* form)
{
    // The form first: children without a font of their own inherit it.
    applyOne(form);
    for (QWidget* child : form->findChildren<QWidget*>())
        applyOne(child);
}

} // namespace quorvane
