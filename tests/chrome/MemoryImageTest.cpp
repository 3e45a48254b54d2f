#include "chrome/MemoryImage.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

using quorvane::ByteSet;
using quorvane::MemoryImage;

namespace {

QByteArray encode(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray encodePng(int width, int height)
{
    return encode(width, height, "PNG");
}

// Image format plugins mapped into this process (read from /proc/self/maps).
QStringList loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QStringList plugins;
    if (!maps.open(QIODevice::ReadOnly))
        return plugins;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        if (line.contains("/imageformats/"))
            plugins << QString::fromLocal8Bit(line.mid(line.indexOf('/')));
    }
    plugins.removeDuplicates();
    return plugins;
}

bool load(MemoryImage& image, const QByteArray& bytes)
{
    return image.LoadFromBytes(ByteSet(bytes.begin(), bytes.end()));
}

bool isEmpty(MemoryImage& image)
{
    quint32 width = 7;
    quint32 height = 7;
    image.GetSize(width, height);
    return image.GetHandle() == nullptr && image.GetWidth() == 0 && image.GetHeight() == 0 && width == 0 &&
           height == 0;
}

} // namespace

class MemoryImageTest : public QObject
{
    Q_OBJECT

private slots:
    // First, before any other case makes Qt look for a format among its plugins (and before the
    // encoder in encodePng, which loads them too).
    void pngNeedsNoImagePlugin()
    {
        if (!QFile::exists(QStringLiteral("/proc/self/maps")))
            QSKIP("no /proc on this system");
        QVERIFY(loadedImagePlugins().isEmpty());
        Q_INIT_RESOURCE(chrome);
        QFile file(QStringLiteral(":/chrome/shadow5.png"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        MemoryImage image;
        QVERIFY(load(image, file.readAll()));
        QCOMPARE(image.GetHandle()->size(), QSize(100, 100));
        QCOMPARE(loadedImagePlugins(), QStringList());
    }

    void decodesOtherFormatsToo()
    {
        MemoryImage image;
        QVERIFY(load(image, encode(30, 20, "BMP")));
        QCOMPARE(image.GetHandle()->size(), QSize(30, 20));
        if (QImageWriter::supportedImageFormats().contains("ico")) { // a plugin's format
            QVERIFY(load(image, encode(16, 16, "ICO")));
            QCOMPARE(image.GetHandle()->size(), QSize(16, 16));
        }
    }

    void decodesFromMemory()
    {
        MemoryImage image;
        QVERIFY(isEmpty(image));
        QVERIFY(load(image, encodePng(100, 100)));
        QCOMPARE(image.GetWidth(), 100u);
        QCOMPARE(image.GetHeight(), 100u);
        QCOMPARE(image.GetHandle()->pixel(50, 50), qRgba(10, 20, 30, 40));

        QVERIFY(load(image, encodePng(60, 30))); // a second load replaces the first, cached size too
        quint32 width = 0;
        quint32 height = 0;
        image.GetSize(width, height);
        QCOMPARE(QSize(int(width), int(height)), QSize(60, 30));
        QCOMPARE(image.GetHandle()->size(), QSize(60, 30));

        image.Dispose();
        QVERIFY(isEmpty(image));
    }

    void refusesShortOrUndecodableBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray png = encodePng(100, 100);
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("four bytes of a PNG") << png.left(4);
        QTest::newRow("five zero bytes") << QByteArray(5, '\0');
        QTest::newRow("plain text") << QByteArray("this is not an image at all");
        QTest::newRow("PNG cut after its header") << png.left(33);
        QTest::newRow("PNG with a broken signature") << QByteArray("\x88").append(png.mid(1));
    }

    void refusesShortOrUndecodableBytes()
    {
        QFETCH(QByteArray, bytes);
        MemoryImage image;
        QVERIFY(load(image, encodePng(8, 8)));
        QVERIFY(!load(image, bytes));
        QVERIFY(isEmpty(image)); // nothing of the earlier picture is left either
        image.Dispose();
        QVERIFY(isEmpty(image));
    }

    void copiesShareThePictureSafely()
    {
        MemoryImage original;
        QVERIFY(load(original, encodePng(40, 30)));
        MemoryImage copy(original);
        QCOMPARE(copy.GetHandle(), original.GetHandle());

        // Disposing, reloading or destroying one copy never takes the picture from another.
        original.Dispose();
        QVERIFY(load(original, encodePng(8, 8)));
        {
            MemoryImage shortLived;
            shortLived = copy;
            QCOMPARE(shortLived.GetHandle(), copy.GetHandle());
        }
        QCOMPARE(copy.GetWidth(), 40u);
        QCOMPARE(copy.GetHandle()->pixel(39, 29), qRgba(10, 20, 30, 40));
        QCOMPARE(original.GetWidth(), 8u);
    }
};

QTEST_MAIN(MemoryImageTest)
#include "MemoryImageTest.moc"
