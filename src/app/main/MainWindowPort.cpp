#include "app/main/MainWindowPort.h"

#include "app/desktop/Dialogs.h"
#include "app/desktop/TrayIcon.h"
#include "app/main/MainWindow.h"
#include "app/widgets/TextBridge.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace quorvane {

MainWindowPort::MainWindowPort(MainWindow& window, TrayIcon& tray, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_window(window), m_tray(tray), m_dialogs(dialogs)
{}

namespace {

void setLine(QLineEdit* edit, const std::string& text)
{
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(0); // long addresses show their start
}

} // namespace

std::string MainWindowPort::shareLinkText() const
{
    return m_window.form().主页链接地址->text().toStdString();
}

void MainWindowPort::setShareLinkText(const std::string& text)
{
    setLine(m_window.form().主页链接地址, text);
}

std::string MainWindowPort::clipboardText() const
{
    return m_window.form().剪贴板->toPlainText().toStdString();
}

bool MainWindowPort::watchesClipboard() const
{
    return m_window.form().选择框1->isChecked();
}

void MainWindowPort::showPost(const std::string& playAddress, const std::string& musicAddress,
                              const std::string& title)
{
    Ui::MainWindow& form = m_window.form();
    setLine(form.编辑框4, playAddress);
    setLine(form.编辑框5, musicAddress);
    setLine(form.编辑框6, title);
}

void MainWindowPort::clearPost()
{
    showPost({}, {}, {});
}

std::string MainWindowPort::playAddress() const
{
    return m_window.form().编辑框4->text().toStdString();
}

std::string MainWindowPort::musicAddress() const
{
    return m_window.form().编辑框5->text().toStdString();
}

std::string MainWindowPort::title() const
{
    return m_window.form().编辑框6->text().toStdString();
}

bool MainWindowPort::downloadsAutomatically() const
{
    return m_window.form().选择框2->isChecked();
}

bool MainWindowPort::namesByTitleOnly() const
{
    return m_window.form().单选框2->isChecked();
}

std::string MainWindowPort::saveFolder() const
{
    return m_window.form().编辑框7->text().toStdString();
}

void MainWindowPort::showBalloon(const std::string& title, const std::string& content, int iconKind,
                                 int seconds)
{
    // The tray's balloon cuts its texts as double-byte text.
    m_tray.ShowBalloon(CharsetConverter::utf8ToText(title), CharsetConverter::utf8ToText(content), {},
                       iconKind, seconds);
}

void MainWindowPort::showMessageBox(const std::string& text, const std::string& caption)
{
    m_dialogs.warn(QString::fromStdString(text), QString::fromStdString(caption));
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
