#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace quorvane {

// One running program per user session. The first start listens on a local socket; a later start
// connects, hands over its links and ends. The socket lives in the user's runtime folder and is named
// after the display, so other users and other sessions of the same user are not reached. On Windows it is
// a named pipe named after the user and the log-in session, and its server must run as the same user.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role
    {
        Primary,   // this process is the running instance (or runs alone: no socket could be made)
        HandedOff, // the running instance took the links; this process should end with 0
        Failed     // an instance is running but did not take the links
    };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/quorvane-<display>.socket; without a runtime folder, the temporary folder with the
    // user id in the name.
    static QString defaultSocketPath();

    // Either hands `links` to the instance already running, or becomes the running instance. Two starts at
    // the same moment are ordered by a lock file beside the socket.
    Role claim(const QStringList& links, int timeoutMilliseconds = 5000);
    // The hand-over of claim() also asks the running instance to show its download list.
    void setShowTasks(bool show) { m_showTasks = show; }
    // … and its window 订阅.
    void setShowSubscriptions(bool show) { m_showSubscriptions = show; }

    bool isListening() const;
    QString socketPath() const { return m_socketPath; }

    // Largest hand-over accepted, in bytes.
    static constexpr quint32 maxMessageBytes = 1 << 20;

signals:
    // A later start handed over these links (maybe none); the window should come up. Not emitted for a
    // start that only asked for the download list.
    void linksReceived(const QStringList& links);
    // A later start asked for the download list (quorvane --tasks).
    void tasksRequested();
    // A later start asked for the window 订阅 (quorvane --subscriptions).
    void subscriptionsRequested();

private:
    bool handOff(QLocalSocket& socket, const QStringList& links, int timeoutMilliseconds);
    bool listen();
    void accept();

    QString m_socketPath;
    bool m_showTasks = false;
    bool m_showSubscriptions = false;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace quorvane
