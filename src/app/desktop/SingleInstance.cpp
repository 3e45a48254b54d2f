#include "app/desktop/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include "base/platform/WinPipes.h"

#include <windows.h>
#endif

namespace quorvane {

namespace {

// A hand-over: magic, length of the rest, then the links as a QDataStream string list. The answer is one
// byte, kAccepted, sent before the links are parsed, so a long parse never holds up the second start.
constexpr quint32 kMagic = 0x51524c31; // "QRL1"
// The same with a word of flags before the links; sent only when a flag is set, so that a running program
// of an older build still takes plain hand-overs.
constexpr quint32 kMagicWithFlags = 0x51524c32; // "QRL2"
constexpr quint32 kFlagShowTasks = 1;
constexpr quint32 kFlagShowSubscriptions = 2;
constexpr char kAccepted = 'A';
constexpr int kHeaderBytes = 8;

// Tells users apart in a folder they share.
QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// A socket placed by another user is never spoken to: it could collect the links. On Unix the socket
// file must be ours; Windows pipes have no file, so the server's user is checked once connected.
bool mayBeOurs(const QString& socketPath)
{
#ifdef Q_OS_UNIX
    const QFileInfo file(socketPath);
    return file.exists() && file.ownerId() == getuid();
#else
    Q_UNUSED(socketPath);
    return true;
#endif
}

bool connectedToOurs(const QLocalSocket& socket)
{
#ifdef Q_OS_WIN
    return pipeServerRunsAsCurrentUser(reinterpret_cast<void*>(socket.socketDescriptor()));
#else
    Q_UNUSED(socket);
    return true;
#endif
}

#ifdef Q_OS_WIN
QString sessionTag()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QString::number(session);
}
#endif

[[maybe_unused]] QString displayTag()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = QStringLiteral("nodisplay");
    QString tag;
    for (const QChar c : display)
        tag += c.isLetterOrNumber() && c.unicode() < 0x80 ? c : QLatin1Char('_');
    return tag.left(40);
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString SingleInstance::defaultSocketPath()
{
#ifdef Q_OS_WIN
    // The pipe's name; the lock file beside it goes to the user's own temporary folder.
    return QDir::temp().filePath(QStringLiteral("quorvane-%1-%2").arg(userTag(), sessionTag()));
#else
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("quorvane-%1.socket").arg(displayTag()));
    return QDir::temp().filePath(QStringLiteral("quorvane-%1-%2.socket").arg(userTag(), displayTag()));
#endif
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

SingleInstance::Role SingleInstance::claim(const QStringList& links, int timeoutMilliseconds)
{
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(0); // a crashed start leaves a lock of a dead process; that one is taken over
    lock.tryLock(timeoutMilliseconds);

    if (mayBeOurs(m_socketPath)) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(timeoutMilliseconds)) {
            if (!connectedToOurs(socket)) {
                // Someone else holds the name: run alone rather than hand them the links.
                qWarning("quorvane: %s belongs to another user; running without the single-instance check",
                         qPrintable(m_socketPath));
                return Role::Primary;
            }
            return handOff(socket, links, timeoutMilliseconds) ? Role::HandedOff : Role::Failed;
        }
    }
    // Nobody answers: a socket file left by a program that crashed, or none at all.
    listen();
    return Role::Primary;
}

bool SingleInstance::handOff(QLocalSocket& socket, const QStringList& links, int timeoutMilliseconds)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    const quint32 flags =
        (m_showTasks ? kFlagShowTasks : 0) | (m_showSubscriptions ? kFlagShowSubscriptions : 0);
    if (flags)
        out << flags;
    out << links;
    if (body.size() > qsizetype(maxMessageBytes))
        return false;
    QByteArray message;
    QDataStream header(&message, QIODevice::WriteOnly);
    header << (flags ? kMagicWithFlags : kMagic) << quint32(body.size());
    message += body;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMilliseconds) && socket.bytesToWrite() > 0)
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMilliseconds))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kAccepted;
}

bool SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        qWarning("quorvane: cannot listen on %s (%s); later starts will run beside this one",
                 qPrintable(m_socketPath), qPrintable(m_server->errorString()));
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that connects and then says nothing is dropped after a while.
        QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < kHeaderBytes)
                return;
            QDataStream peek(socket->peek(kHeaderBytes));
            quint32 magic = 0;
            quint32 size = 0;
            peek >> magic >> size;
            if ((magic != kMagic && magic != kMagicWithFlags) || size > maxMessageBytes) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < kHeaderBytes + qint64(size))
                return;
            socket->skip(kHeaderBytes);
            QDataStream in(socket->read(size));
            in.setVersion(QDataStream::Qt_6_0);
            quint32 flags = 0;
            if (magic == kMagicWithFlags)
                in >> flags;
            QStringList links;
            in >> links;
            if (in.status() != QDataStream::Ok) {
                socket->abort();
                return;
            }
            socket->putChar(kAccepted);
            socket->flush();
            socket->disconnectFromServer();
            if (flags & kFlagShowTasks)
                emit tasksRequested();
            if (flags & kFlagShowSubscriptions)
                emit subscriptionsRequested();
            if (!(flags & (kFlagShowTasks | kFlagShowSubscriptions)) || !links.isEmpty())
                emit linksReceived(links);
        });
    }
}

} // namespace quorvane
