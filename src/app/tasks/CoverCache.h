#pragma once

#include "pipeline/settings/PlatformSettings.h"

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QThreadPool>

#include <atomic>

namespace quorvane {

// Small cover pictures for the download list. Each cover is fetched once, on a worker thread through the
// pipeline's cover request (fetchCover), scaled down and kept as a PNG in the user's cache folder; later runs
// read it from there (also on the worker). Painting asks for a cover and gets a null pixmap until it is
// ready.
class CoverCache : public QObject
{
    Q_OBJECT

public:
    // `folder` holds the cached files; `platform` gives the trusted roots and the time limit of the requests.
    CoverCache(QString folder, PlatformSettings platform, QObject* parent = nullptr);
    ~CoverCache() override;

    // $XDG_CACHE_HOME/quibexlar/covers (the user's cache folder on other systems).
    static QString defaultFolder();
    static constexpr int kSide = 96; // stored and held at this size at most; rows show it smaller

    // The cover of a post, or a null pixmap while it is fetched (or when it cannot be had). `postId` names
    // the cached file; without one the address does.
    QPixmap cover(const QString& postId, const QString& url);
    // The file a cover is kept in.
    QString fileFor(const QString& postId, const QString& url) const;

    // Waits until no fetch runs (tests).
    void waitForIdle();

signals:
    void coverReady(const QString& name);

private:
    void loaded(const QString& name, const QImage& image);

    QString m_folder;
    PlatformSettings m_platform;
    QThreadPool m_pool;
    QCache<QString, QPixmap> m_pixmaps;
    QSet<QString> m_requested; // on their way, or not to be had this run
    std::atomic<bool> m_cancel{false};
};

} // namespace quorvane
