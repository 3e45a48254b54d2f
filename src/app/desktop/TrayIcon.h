#pragma once

#include "base/ByteSet.h"
#include "base/Text.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <optional>

class QMenu;

namespace quorvane {

// The program's place in the notification area: the tray icon with its tip and menu, through which a
// hidden main window comes back, and the balloons the pipeline reports progress with. Balloons are shown
// at the tray icon; a new balloon replaces one still showing.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // What a tray event means: left click, double click, context click.
    enum EventKind
    {
        LeftClick = 1,
        DoubleClick = 2,
        ContextClick = 3
    };

    struct Balloon
    {
        QString title;
        QString content;
        int kind = 0; // 0 none, 1 information, 2 warning, 3 error
        int seconds = 30;
        bool hasIcon = false;
    };

    TrayIcon(const QIcon& icon, const QString& tip, QMenu* menu, QObject* parent = nullptr);

    void show();
    void hide();
    QSystemTrayIcon& icon() { return m_icon; }
    // Whether a tray host shows the icon now (a desktop may have none). Tests replace the check.
    bool isAvailable() const { return m_availability(); }
    void setAvailabilityCheck(std::function<bool()> check) { m_availability = std::move(check); }

    // Any argument may be left out: "这里是标题", "这里是内容", no icon, kind 0, 30 seconds. A title over 63
    // bytes or a content over 255 bytes (in the settings' encoding) is cut at a character boundary.
    void ShowBalloon(std::optional<Text> title = std::nullopt, std::optional<Text> content = std::nullopt,
                     const ByteSet& icoBytes = {}, int kind = 0, int seconds = 30);

    // The balloon showing now, if any (it goes at the end of its display time or on a click).
    const std::optional<Balloon>& currentBalloon() const { return m_current; }

signals:
    void trayEvent(int kind);

private:
    QSystemTrayIcon m_icon;
    QTimer m_balloonTimer;
    std::optional<Balloon> m_current;
    std::function<bool()> m_availability = &QSystemTrayIcon::isSystemTrayAvailable;
};

} // namespace quorvane
