#include "app/subscriptions/SubscriptionCenter.h"

#include "app/subscriptions/SubscriptionsWindow.h"
#include "base/platform/Paths.h"
#include "pipeline/engine/Engine.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/SettingsFile.h"
#include "pipeline/settings/SubscriptionSettings.h"
#include "pipeline/subscriptions/SubscriptionLink.h"
#include "pipeline/subscriptions/SubscriptionStore.h"

#include <chrono>
#include <utility>

namespace quorvane {

namespace {
// The shortest interval is a minute; looking more often would find nothing due.
constexpr int kTickMs = 60 * 1000;

std::int64_t now()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::filesystem::path pathOf(const QString& file)
{
    return pathFromUtf8(file.toStdString());
}
} // namespace

SubscriptionCenter::SubscriptionCenter(QString settingsFile, QString historyFile,
                                       SubscriptionChecker::CheckFunction check, QObject* parent)
    : QObject(parent), m_settingsFile(std::move(settingsFile)), m_check(std::move(check)),
      m_changes(std::make_unique<Engine>()), m_rounds(std::make_unique<Engine>())
{
    // Kept in the history's file whatever 历史/记录 says: that switch is about handled links.
    std::string notice;
    m_store = SubscriptionStore::open(pathOf(historyFile), &notice);
    m_notice = QString::fromStdString(notice);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &SubscriptionCenter::tick);
    if (m_store) {
        m_timer.start();
        reload();
        checkNow();
    }
}

SubscriptionCenter::~SubscriptionCenter()
{
    if (m_window)
        delete m_window.data();
    // The threads stop (a running request cancelled) before the store they use goes.
    m_changes.reset();
    m_rounds.reset();
}

template <typename Work> void SubscriptionCenter::onStoreThread(Work work)
{
    if (m_store)
        m_changes->submit([work = std::move(work)](const std::atomic<bool>& cancel) { work(cancel); });
}

void SubscriptionCenter::reload()
{
    onStoreThread([this, store = m_store](const std::atomic<bool>&) {
        std::vector<Subscription> all = store->list();
        QMetaObject::invokeMethod(
            this,
            [this, all = std::move(all)]() mutable {
                m_subscriptions = std::move(all);
                emit listChanged();
            },
            Qt::QueuedConnection);
    });
}

void SubscriptionCenter::add(const QString& text)
{
    if (!m_store) {
        emit addFinished(m_notice, false);
        return;
    }
    const PlatformSettings platform = PlatformSettings::load(pathOf(m_settingsFile));
    onStoreThread(
        [this, store = m_store, platform, text = text.toStdString()](const std::atomic<bool>& cancel) {
            const SubscriptionTarget target = resolveSubscriptionLink(text, platform, &cancel);
            QString message;
            bool added = false;
            if (!target.subscription) {
                message = QStringLiteral("无法订阅：") + QString::fromStdString(target.reason);
            } else {
                const QString shown = QString::fromUtf8(subscriptionKindLabel(target.subscription->kind)) +
                                      QLatin1Char(' ') + QString::fromStdString(target.subscription->id);
                switch (store->add(*target.subscription)) {
                case SubscriptionStore::Added::New:
                    message = QStringLiteral("已订阅：") + shown;
                    added = true;
                    break;
                case SubscriptionStore::Added::AlreadyThere:
                    message = QStringLiteral("已订阅过：") + shown;
                    break;
                case SubscriptionStore::Added::Failed:
                    message = QStringLiteral("无法保存订阅：") + QString::fromStdString(store->lastError());
                    break;
                }
            }
            QMetaObject::invokeMethod(
                this, [this, message, added] { emit addFinished(message, added); }, Qt::QueuedConnection);
        });
    reload();
    // A new subscription is checked at once: the round takes only what is due.
    checkNow();
}

void SubscriptionCenter::remove(const Subscription& subscription)
{
    onStoreThread([store = m_store, subscription](const std::atomic<bool>&) {
        store->remove(subscription.kind, subscription.id);
    });
    reload();
}

void SubscriptionCenter::tick()
{
    checkNow();
}

void SubscriptionCenter::checkNow(bool all)
{
    if (!m_store)
        return;
    if (m_roundRunning) {
        m_roundWanted = true;
        m_wantAll = m_wantAll || all;
        return;
    }
    m_roundRunning = true;
    const SubscriptionSettings settings = SubscriptionSettings::read(SettingsFile(pathOf(m_settingsFile)));
    // After the queued changes (an add just made is due at once).
    onStoreThread([this, store = m_store, settings, all](const std::atomic<bool>&) {
        m_rounds->submit([this, store, settings, all](const std::atomic<bool>&) {
            SubscriptionChecker checker(*store, m_check);
            const int checked = int(checker.runRound(settings, now(), all).size());
            QMetaObject::invokeMethod(
                this,
                [this, checked] {
                    m_roundRunning = false;
                    emit roundFinished(checked);
                    if (checked > 0)
                        reload();
                    if (std::exchange(m_roundWanted, false))
                        checkNow(std::exchange(m_wantAll, false));
                },
                Qt::QueuedConnection);
        });
    });
}

SubscriptionsWindow& SubscriptionCenter::window()
{
    if (!m_window)
        m_window = new SubscriptionsWindow(*this);
    return *m_window;
}

void SubscriptionCenter::showWindow()
{
    SubscriptionsWindow& shown = window();
    shown.showNormal();
    shown.raise();
    shown.activateWindow();
    reload();
}

} // namespace quorvane
