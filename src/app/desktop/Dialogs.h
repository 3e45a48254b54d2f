#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quorvane {

// The program's modal dialogs, behind one seam so that tests can answer them without a user.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // OK/Cancel question without an icon and without an owner window. True only for OK; Cancel, Esc and
    // closing the box give false.
    virtual bool confirm(const QString& text, const QString& caption) = 0;
    // A message with the warning icon and an OK button.
    virtual void warn(const QString& text, const QString& caption) = 0;
    // Folder picker; an empty result when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& startFolder) = 0;
    // A question with the given buttons, the last one the escape; the index of the button chosen, -1 when
    // the box was closed.
    virtual int choose(const QString& text, const QString& caption, const QStringList& buttons) = 0;
};

} // namespace quorvane
