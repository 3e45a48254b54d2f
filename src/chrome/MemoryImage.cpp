#include "chrome/MemoryImage.h"

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
    QImage decoded;
    if (!decoded.loadFromData(m_memoryBlock->data(), static_cast<qsizetype>(m_memoryBlock->size())) ||
        decoded.isNull())
        return false; // the bytes stay until the next Dispose or load, like a successful load's
    m_image = std::make_shared<const QImage>(std::move(decoded));
    return true;
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
