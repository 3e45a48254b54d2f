#include "app/main/MainWindow.h"

#include "app/widgets/FormFonts.h"
#include "app/widgets/WindowDragger.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>

#include <limits>

namespace quorvane {

namespace {
// Edit boxes take texts of any length (a line edit cuts at 32767 characters by default) and hide their
// selection while they do not have the focus.
void prepareEditBoxes(QWidget* form)
{
    for (QLineEdit* edit : form->findChildren<QLineEdit*>()) {
        edit->setMaxLength(std::numeric_limits<int>::max());
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight,
                         palette.color(QPalette::Inactive, QPalette::Base));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         palette.color(QPalette::Inactive, QPalette::Text));
        edit->setPalette(palette);
    }
}
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_trayMenu(new QMenu(this))
{
    m_form.setupUi(this);
    move(50, 50);
    FormFonts::apply(this);
    prepareEditBoxes(this);
    new WindowDragger(m_form.图片框1);
    m_progress = new ProgressStrip(m_form.下载进度条, m_form.下载进度文字, this);

    m_trayMenu->setObjectName(QStringLiteral("托盘"));
    m_trayMenu->setTitle(QStringLiteral("托盘"));
    m_trayMenu->addAction(m_form.打开);
    m_trayMenu->addAction(m_form.退出);
}

MainWindow::~MainWindow() = default;

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}

} // namespace quorvane
