#pragma once

#include "pipeline/subscriptions/SubscriptionChecker.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

namespace quorvane {

class Engine;
class SubscriptionStore;
class SubscriptionsWindow;

// The desktop program's side of the subscriptions: the store (in the history's file), its reads and
// changes, and the rounds of checks, all on threads of their own; results come back to the GUI thread as
// signals. A round runs right after start-up and then whenever a subscription falls due (looked at once
// a minute, by the intervals of the settings file as they are then). Rounds never overlap.
class SubscriptionCenter : public QObject
{
    Q_OBJECT

public:
    SubscriptionCenter(QString settingsFile, QString historyFile, SubscriptionChecker::CheckFunction check,
                       QObject* parent = nullptr);
    ~SubscriptionCenter() override;

    // The subscriptions as last read (GUI thread).
    const std::vector<Subscription>& subscriptions() const { return m_subscriptions; }
    // Set when the store could not be used as it was.
    QString notice() const { return m_notice; }

    // A pasted share text or link: resolved and classified off the GUI thread, then stored.
    void add(const QString& text);
    void remove(const Subscription& subscription);
    void reload();
    // One round over the due subscriptions (all of them with `all`).
    void checkNow(bool all = false);
    // How often the timer looks for due subscriptions (tests shorten it).
    void setTickMilliseconds(int milliseconds) { m_timer.setInterval(milliseconds); }
    bool roundRunning() const { return m_roundRunning; }

    // The window 订阅, made on the first call.
    SubscriptionsWindow& window();
    bool hasWindow() const { return !m_window.isNull(); }
    void showWindow();

signals:
    void listChanged();
    // The end of an add: what to show, and whether it was stored.
    void addFinished(const QString& message, bool added);
    void roundFinished(int checked);

private:
    void tick();
    template <typename Work> void onStoreThread(Work work);

    QString m_settingsFile;
    QString m_notice;
    std::shared_ptr<SubscriptionStore> m_store;
    SubscriptionChecker::CheckFunction m_check;
    std::vector<Subscription> m_subscriptions;
    QTimer m_timer;
    bool m_roundRunning = false;
    bool m_roundWanted = false; // asked for while one ran: another follows it
    bool m_wantAll = false;
    QPointer<SubscriptionsWindow> m_window;
    // Changes and reads on one thread, rounds on another: a long check never holds up an add.
    std::unique_ptr<Engine> m_changes;
    std::unique_ptr<Engine> m_rounds;
};

} // namespace quorvane
