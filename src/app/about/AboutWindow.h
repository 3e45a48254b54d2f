#pragma once

#include "ui_AboutWindow.h"

#include <QWidget>

namespace quorvane {

// The about window: frameless, not modal, without a parent window; its own 关闭 destroys it.
class AboutWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 616;
    static constexpr int kHeight = 224;

    AboutWindow();

    Ui::AboutWindow& form() { return m_form; }

private:
    Ui::AboutWindow m_form;
};

} // namespace quorvane
