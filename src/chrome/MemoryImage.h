#pragma once

#include "base/ByteSet.h"

#include <QImage>
#include <QtGlobal>

#include <memory>

namespace quorvane {

// An encoded image (PNG, ...) decoded from memory, without touching the file system. Keeps the copy of
// the encoded bytes together with the decoded picture. Copies share both; each copy holds its own
// reference, so disposing or destroying one never pulls the picture from under another.
class MemoryImage
{
public:
    MemoryImage() = default;
    virtual ~MemoryImage() = default;
    MemoryImage(const MemoryImage&) = default;
    MemoryImage& operator=(const MemoryImage&) = default;

    // Drops this object's picture and bytes; afterwards the object is empty.
    virtual void Dispose();
    // Decodes `bytes`; true when a picture came out. Fewer than 5 bytes are refused without copying.
    virtual bool LoadFromBytes(const ByteSet& bytes);
    // The bytes of a Qt resource (":/...") decoded the same way; false when it is missing or undecodable.
    bool LoadFromResource(const QString& path);
    // Size in pixels, 0 when empty. Asked once and cached.
    virtual quint32 GetWidth();
    virtual quint32 GetHeight();
    // Both sizes; a picture without a size is unusable and is disposed.
    virtual void GetSize(quint32& width, quint32& height);
    // The decoded picture, null when empty.
    virtual const QImage* GetHandle() const;

private:
    std::shared_ptr<const ByteSet> m_memoryBlock;
    std::shared_ptr<const QImage> m_image;
    quint32 m_width = 0;
    quint32 m_height = 0;
};

} // namespace quorvane
