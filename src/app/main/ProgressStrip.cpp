#include "app/main/ProgressStrip.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

namespace quorvane {

namespace {
// How long the finished bar stays, and how long a silent download may pause before the bar goes.
constexpr int kLingerMs = 2000;
constexpr int kSilenceMs = 5000;
} // namespace

ProgressStrip::ProgressStrip(QProgressBar* bar, QLabel* label, QObject* parent)
    : QObject(parent), m_bar(bar), m_label(label)
{
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &ProgressStrip::hide);
    m_bar->installEventFilter(this);
    m_label->installEventFilter(this);
}

bool ProgressStrip::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        emit clicked();
    return QObject::eventFilter(watched, event);
}

void ProgressStrip::reportOverall(int running, qint64 received, qint64 total, double bytesPerSecond)
{
    const bool wasOverall = m_overall;
    m_overall = running >= 1;
    if (m_overall)
        show(received, total, running >= 2 ? QStringLiteral("%1 个下载   ").arg(running) : QString(),
             bytesPerSecond);
    else if (wasOverall)
        m_hideTimer.start(kLingerMs);
}

QString ProgressStrip::formatBytes(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    if (bytes < 1024LL * 1024 * 1024)
        return QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(bytes / (1024.0 * 1024.0 * 1024.0), 0, 'f', 2);
}

void ProgressStrip::report(qint64 received, qint64 total)
{
    if (!m_overall)
        show(received, total, {}, -1);
}

void ProgressStrip::show(qint64 received, qint64 total, const QString& prefix, double speed)
{
    // A new download starts from zero (or from fewer bytes than the last report). isHidden, not isVisible:
    // while the window is hidden to the tray the bar is never visible, and the speed would restart each time.
    if (m_bar->isHidden() || received < m_lastBytes) {
        m_clock.start();
        m_lastBytes = received;
        m_lastMs = 0;
        m_speed = 0;
    }
    const qint64 now = m_clock.elapsed();
    if (now - m_lastMs >= 250) {
        const double instant = (received - m_lastBytes) * 1000.0 / double(now - m_lastMs);
        m_speed = m_speed == 0 ? instant : 0.7 * m_speed + 0.3 * instant;
        m_lastBytes = received;
        m_lastMs = now;
    }

    const bool finished = total > 0 && received >= total;
    if (total > 0) {
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(std::min<qint64>(received, total) * 1000 / total));
    } else {
        m_bar->setRange(0, 0); // size unknown: busy bar
    }
    QString text = prefix + (total > 0 ? formatBytes(received) + QStringLiteral(" / ") + formatBytes(total)
                                       : formatBytes(received));
    // The downloads together bring their own speeds; a single one is measured here.
    const double shown = speed >= 0 ? speed : m_speed;
    if (!finished && shown > 0)
        text += QStringLiteral("   ") + formatBytes(qint64(shown)) + QStringLiteral("/s");
    m_label->setText(text);
    m_bar->show();
    m_label->show();
    m_hideTimer.start(finished ? kLingerMs : kSilenceMs);
}

void ProgressStrip::hide()
{
    m_bar->hide();
    m_label->hide();
    m_bar->setRange(0, 1000); // stops the busy animation's timer
    m_bar->setValue(0);
}

} // namespace quorvane
