#include "app/MainWindowPort.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/TextBridge.h"
#include "app/TrayIcon.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace quorvane {

MainWindowPort::MainWindowPort(MainWindow& window, TrayIcon& tray, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_window(window), m_tray(tray), m_dialogs(dialogs)
{}

QWidget* MainWindowPort::control(std::string_view name) const
{
    const QString objectName = QString::fromUtf8(name.data(), qsizetype(name.size()));
    return m_window.findChild<QWidget*>(objectName);
}

Text MainWindowPort::controlText(std::string_view name) const
{
    QWidget* widget = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return toText(edit->text());
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
        return toText(box->toPlainText());
    return {};
}

void MainWindowPort::setControlText(std::string_view name, const Text& text)
{
    QWidget* widget = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(toQString(text));
        edit->setCursorPosition(0); // long addresses show their start
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(toQString(text));
    }
}

bool MainWindowPort::isChecked(std::string_view name) const
{
    auto* button = qobject_cast<QAbstractButton*>(control(name));
    return button && button->isChecked();
}

void MainWindowPort::showBalloon(const Text& title, const Text& content, int iconKind, int seconds)
{
    m_tray.ShowBalloon(title, content, {}, iconKind, seconds);
}

void MainWindowPort::showMessageBox(const Text& text, const Text& caption)
{
    m_dialogs.warn(toQString(text), toQString(caption));
}

void MainWindowPort::post(std::function<void()> task, int delayMilliseconds)
{
    // Queued onto this object's (the GUI) thread; Qt drops what is still queued once the port is gone.
    QMetaObject::invokeMethod(
        this,
        [this, task = std::move(task), delayMilliseconds]() mutable {
            if (delayMilliseconds <= 0)
                task();
            else
                QTimer::singleShot(delayMilliseconds, Qt::PreciseTimer, this, std::move(task));
        },
        Qt::QueuedConnection);
}

void MainWindowPort::reportProgress(std::int64_t received, std::int64_t total)
{
    m_window.progress().report(received, total);
}

} // namespace quorvane
