#pragma once

#include "app/main/ProgressStrip.h"
#include "ui_MainWindow.h"

#include <QWidget>

class QMenu;

namespace quorvane {

// The main window: the form of MainWindow.ui, frameless, moved by dragging its face. Controls keep their
// form names as object names; other classes look them up by those names.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    // The size the program gives the window once it exists: the face 图片框1 (the form is larger, so that
    // the hidden clipboard mirror lies outside the visible part).
    static constexpr int kWidth = 736;
    static constexpr int kHeight = 416;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow& form() { return m_form; }
    // The tray's pop-up menu 托盘 with 打开 and 退出.
    QMenu* trayMenu() const { return m_trayMenu; }
    ProgressStrip& progress() { return *m_progress; }

signals:
    // The window manager's close command (Alt+F4); the window stays until the handler decides.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::MainWindow m_form;
    QMenu* m_trayMenu;
    ProgressStrip* m_progress = nullptr;
};

} // namespace quorvane
