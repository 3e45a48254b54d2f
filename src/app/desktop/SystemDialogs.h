#pragma once

#include "app/desktop/Dialogs.h"

namespace quorvane {

// Dialogs on QMessageBox and QFileDialog.
class SystemDialogs : public Dialogs
{
public:
    bool confirm(const QString& text, const QString& caption) override;
    void warn(const QString& text, const QString& caption) override;
    QString chooseFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    int choose(const QString& text, const QString& caption, const QStringList& buttons) override;
};

} // namespace quorvane
