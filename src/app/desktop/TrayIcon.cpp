#include "app/desktop/TrayIcon.h"

#include "app/widgets/TextBridge.h"
#include "base/TextOps.h"

#include <QPixmap>

namespace quorvane {

namespace {
// The balloon record's arrays hold 64 and 256 bytes with the closing zero.
constexpr std::size_t kTitleBytes = 63;
constexpr std::size_t kContentBytes = 255;

QSystemTrayIcon::MessageIcon messageIcon(int kind)
{
    switch (kind) {
    case 1:
        return QSystemTrayIcon::Information;
    case 2:
        return QSystemTrayIcon::Warning;
    case 3:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}
} // namespace

TrayIcon::TrayIcon(const QIcon& icon, const QString& tip, QMenu* menu, QObject* parent)
    : QObject(parent), m_icon(icon)
{
    m_icon.setToolTip(tip);
    // The menu is the icon's context menu, so every kind of tray host (XEmbed or StatusNotifier) pops it up
    // at the cursor on a right click.
    m_icon.setContextMenu(menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit trayEvent(LeftClick);
            break;
        case QSystemTrayIcon::DoubleClick:
            emit trayEvent(DoubleClick);
            break;
        case QSystemTrayIcon::Context:
            emit trayEvent(ContextClick);
            break;
        default:
            break;
        }
    });
    m_balloonTimer.setSingleShot(true);
    connect(&m_balloonTimer, &QTimer::timeout, this, [this] { m_current.reset(); });
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, [this] {
        m_balloonTimer.stop();
        m_current.reset();
    });
}

void TrayIcon::show()
{
    m_icon.show();
}

void TrayIcon::hide()
{
    m_icon.hide();
}

void TrayIcon::ShowBalloon(std::optional<Text> title, std::optional<Text> content, const ByteSet& icoBytes,
                           int kind, int seconds)
{
    Balloon balloon;
    balloon.title = title ? toQString(cutAtCharacter(*title, kTitleBytes)) : QStringLiteral("这里是标题");
    balloon.content =
        content ? toQString(cutAtCharacter(*content, kContentBytes)) : QStringLiteral("这里是内容");
    balloon.kind = kind;
    balloon.seconds = seconds > 0 ? seconds : 30;

    QPixmap picture;
    if (!icoBytes.empty())
        picture.loadFromData(icoBytes.data(), static_cast<uint>(icoBytes.size()), "ICO");
    balloon.hasIcon = !picture.isNull();

    // One balloon at a time: showing a message replaces the one still on screen.
    const int ms = balloon.seconds * 1000;
    if (balloon.hasIcon)
        m_icon.showMessage(balloon.title, balloon.content, QIcon(picture), ms);
    else
        m_icon.showMessage(balloon.title, balloon.content, messageIcon(kind), ms);
    m_current = balloon;
    m_balloonTimer.start(ms);
}

} // namespace quorvane
