#include "app/tasks/CoverCache.h"

#include "pipeline/download/CoverRequest.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QStandardPaths>

namespace quorvane {

namespace {
bool plainName(const QString& text)
{
    if (text.isEmpty() || text.size() > 64)
        return false;
    for (const QChar c : text) {
        if (!(c.isDigit() || (c.unicode() < 0x80 && c.isLetter()) || c == QLatin1Char('_')))
            return false;
    }
    return true;
}
} // namespace

CoverCache::CoverCache(QString folder, PlatformSettings platform, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_platform(std::move(platform)), m_pixmaps(400)
{
    m_pool.setMaxThreadCount(2);
}

CoverCache::~CoverCache()
{
    m_cancel = true; // a request in flight gives up at once
    m_pool.waitForDone();
}

QString CoverCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quibexlar/covers");
}

QString CoverCache::fileFor(const QString& postId, const QString& url) const
{
    // A post id is digits; anything else (or no id) is named by a hash, so no text becomes a path.
    const QString name =
        plainName(postId)
            ? postId
            : QString::fromLatin1(QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha1).toHex());
    return m_folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

QPixmap CoverCache::cover(const QString& postId, const QString& url)
{
    const QString file = fileFor(postId, url);
    if (QPixmap* ready = m_pixmaps.object(file))
        return *ready;
    if (m_requested.contains(file) || (url.isEmpty() && postId.isEmpty()))
        return {};
    m_requested.insert(file);
    const std::string address = url.toStdString();
    m_pool.start([this, file, address] {
        QImage image(file);
        if (image.isNull() && !address.empty() && !m_cancel) {
            const std::optional<ByteSet> body = fetchCover(address, m_platform, &m_cancel);
            if (body && image.loadFromData(reinterpret_cast<const uchar*>(body->data()), int(body->size()))) {
                if (image.width() > kSide || image.height() > kSide)
                    image = image.scaled(kSide, kSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                QDir().mkpath(QFileInfo(file).path());
                QSaveFile out(file);
                if (out.open(QIODevice::WriteOnly) && image.save(&out, "PNG"))
                    out.commit();
            }
        }
        if (!image.isNull() && !m_cancel)
            QMetaObject::invokeMethod(
                this, [this, file, image] { loaded(file, image); }, Qt::QueuedConnection);
    });
    return {};
}

void CoverCache::loaded(const QString& name, const QImage& image)
{
    // Ready: if the memory cache drops it later, the next request reads the file again.
    m_requested.remove(name);
    m_pixmaps.insert(name, new QPixmap(QPixmap::fromImage(image)));
    emit coverReady(name);
}

void CoverCache::waitForIdle()
{
    m_pool.waitForDone();
}

} // namespace quorvane
