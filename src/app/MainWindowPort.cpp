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

namespace {

void setLine(QLineEdit* edit, const Text& text)
{
    edit->setText(toQString(text));
    edit->setCursorPosition(0); // long addresses show their start
}

} // namespace

Text MainWindowPort::shareLinkText() const
{
    return toText(m_window.form().主页链接地址->text());
}

void MainWindowPort::setShareLinkText(const Text& text)
{
    setLine(m_window.form().主页链接地址, text);
}

Text MainWindowPort::clipboardText() const
{
    return toText(m_window.form().剪贴板->toPlainText());
}

bool MainWindowPort::watchesClipboard() const
{
    return m_window.form().选择框1->isChecked();
}

void MainWindowPort::showPost(const Text& playAddress, const Text& musicAddress, const Text& title)
{
    Ui::MainWindow& form = m_window.form();
    setLine(form.编辑框4, playAddress);
    setLine(form.编辑框5, musicAddress);
    setLine(form.编辑框6, title);
}

void MainWindowPort::clearPost()
{
    showPost(Text(), Text(), Text());
}

Text MainWindowPort::playAddress() const
{
    return toText(m_window.form().编辑框4->text());
}

Text MainWindowPort::musicAddress() const
{
    return toText(m_window.form().编辑框5->text());
}

Text MainWindowPort::title() const
{
    return toText(m_window.form().编辑框6->text());
}

bool MainWindowPort::downloadsAutomatically() const
{
    return m_window.form().选择框2->isChecked();
}

bool MainWindowPort::namesByTitleOnly() const
{
    return m_window.form().单选框2->isChecked();
}

Text MainWindowPort::saveFolder() const
{
    return toText(m_window.form().编辑框7->text());
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
