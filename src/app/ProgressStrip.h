#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace quorvane {

// The slim download bar in the main window's face, with bytes so far, the total and the speed. Hidden
// when no download runs: it goes away a moment after the last report.
class ProgressStrip : public QObject
{
    Q_OBJECT

public:
    ProgressStrip(QProgressBar* bar, QLabel* label, QObject* parent = nullptr);

    // total is 0 when unknown.
    void report(qint64 received, qint64 total);

    static QString formatBytes(qint64 bytes);

private:
    void hide();

    QProgressBar* m_bar;
    QLabel* m_label;
    QTimer m_hideTimer;
    QElapsedTimer m_clock;
    qint64 m_lastBytes = 0;
    qint64 m_lastMs = 0;
    double m_speed = 0; // bytes per second, smoothed
};

} // namespace quorvane
