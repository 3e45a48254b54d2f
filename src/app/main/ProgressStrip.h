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

    // total is 0 when unknown. Ignored while several downloads show together.
    void report(qint64 received, qint64 total);
    // The scheduler's downloads together: while any runs the strip shows their sum, with their number
    // when there are several (single reports wait meanwhile); none hands the strip back.
    void reportOverall(int running, qint64 received, qint64 total, double bytesPerSecond);
    bool showsOverall() const { return m_overall; }

    static QString formatBytes(qint64 bytes);

signals:
    // A click on the bar or its text.
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(qint64 received, qint64 total, const QString& prefix, double speed);
    void hide();

    QProgressBar* m_bar;
    QLabel* m_label;
    QTimer m_hideTimer;
    QElapsedTimer m_clock;
    qint64 m_lastBytes = 0;
    qint64 m_lastMs = 0;
    double m_speed = 0; // bytes per second, smoothed
    bool m_overall = false;
};

} // namespace quorvane
