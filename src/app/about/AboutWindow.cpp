#include "app/about/AboutWindow.h"

#include "app/widgets/FormFonts.h"
#include "app/widgets/WindowDragger.h"
#include "chrome/WindowShadow.h"

namespace quorvane {

AboutWindow::AboutWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    m_form.setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    move(50, 50);
    FormFonts::apply(this);
    new WindowDragger(m_form.图片框1);
    connect(m_form.关闭, &QAbstractButton::clicked, this, &QWidget::close);

    // What the window does once it exists: shadow first, then its working size (the face).
    SetWindowShadow(this, 0, 5);
    setFixedSize(kWidth, kHeight);
}

} // namespace quorvane
