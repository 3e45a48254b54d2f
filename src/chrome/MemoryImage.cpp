#include "chrome/MemoryImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <iterator>
#include <new>

namespace quorvane {

void MemoryImage::Dispose()
{
    m_image.reset();
    m_memoryBlock.reset();
    m_width = 0;
    m_height = 0;
}

bool MemoryImage::LoadFromBytes(const ByteSet& bytes)
{
    Dispose();
    if (bytes.size() < 5)
        return false;
    try {
        m_memoryBlock = std::make_shared<const ByteSet>(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // PNG (the stock shadow pictures) goes straight to its decoder. Left to find the format by itself,
    // or even when told it but free to look further, Qt first loads every image format plugin to ask
    // it (about 1.5 ms at start-up, before the main window is shown); other formats still go that way.
    static constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto* data = m_memoryBlock->data();
    const auto size = static_cast<qsizetype>(m_memoryBlock->size());
    QImage decoded;
    if (m_memoryBlock->size() >= sizeof kPngSignature &&
        std::equal(std::begin(kPngSignature), std::end(kPngSignature), data)) {
        QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char*>(data), size);
        QBuffer buffer(&view);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        reader.setAutoDetectImageFormat(false);
        reader.read(&decoded);
    } else {
        decoded.loadFromData(data, size);
    }
    if (decoded.isNull())
        return false; // the bytes stay until the next Dispose or load, like a successful load's
    m_image = std::make_shared<const QImage>(std::move(decoded));
    return true;
}

bool MemoryImage::LoadFromResource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Dispose();
        return false;
    }
    const QByteArray bytes = file.readAll();
    return LoadFromBytes(ByteSet(bytes.begin(), bytes.end()));
}

// GetSize asks the picture only while nothing is cached, so these stay cheap after the first call.
quint32 MemoryImage::GetWidth()
{
    quint32 width = 0;
    quint32 height = 0;
    GetSize(width, height);
    return width;
}

quint32 MemoryImage::GetHeight()
{
    quint32 width = 0;
    quint32 height = 0;
    GetSize(width, height);
    return height;
}

void MemoryImage::GetSize(quint32& width, quint32& height)
{
    if (m_image && m_width == 0) {
        m_width = static_cast<quint32>(qMax(0, m_image->width()));
        m_height = static_cast<quint32>(qMax(0, m_image->height()));
        if (m_width == 0 || m_height == 0)
            Dispose();
    }
    width = m_width;
    height = m_height;
}

const QImage* MemoryImage::GetHandle() const
{
    return m_image.get();
}

} // namespace quorvane
