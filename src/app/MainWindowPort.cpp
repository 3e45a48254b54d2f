#include "app/MainWindowPort.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/TextBridge.h"
#include "app/TrayIcon.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
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

void MainWindowPort::pumpEvents(int maxMilliseconds)
{
    if (m_wakePending.exchange(false) || maxMilliseconds <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(maxMilliseconds);
    m_loops.push_back(&loop);
    loop.exec();
    m_loops.pop_back();
}

void MainWindowPort::wake()
{
    m_wakePending.store(true);
    // Queued onto the GUI thread: the loop list is only ever touched there.
    QMetaObject::invokeMethod(this, &MainWindowPort::quitInnermostLoop, Qt::QueuedConnection);
}

void MainWindowPort::quitInnermostLoop()
{
    if (!m_loops.empty() && m_wakePending.exchange(false))
        m_loops.back()->quit();
}

void MainWindowPort::reportProgress(std::int64_t received, std::int64_t total)
{
    m_window.progress().report(received, total);
}

} // namespace quorvane
