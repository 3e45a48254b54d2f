#include "chrome/MemoryImage.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

using quorvane::ByteSet;
using quorvane::MemoryImage;

namespace {

ByteSet encodePng(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ByteSet(bytes.begin(), bytes.end());
}

void expectEmpty(MemoryImage& image)
{
    QVERIFY(image.GetHandle() == nullptr);
    QCOMPARE(image.GetWidth(), 0u);
    QCOMPARE(image.GetHeight(), 0u);
    quint32 width = 7;
    quint32 height = 7;
    image.GetSize(width, height);
    QCOMPARE(width, 0u);
    QCOMPARE(height, 0u);
}

} // namespace

class MemoryImageTest : public QObject
{
    Q_OBJECT

private slots:
    void newObjectIsEmpty()
    {
        MemoryImage image;
        expectEmpty(image);
    }

    void decodesPngFromMemory()
    {
        MemoryImage image;
        QVERIFY(image.LoadFromBytes(encodePng(100, 100)));
        QVERIFY(image.GetHandle() != nullptr);
        QCOMPARE(image.GetWidth(), 100u);
        QCOMPARE(image.GetHeight(), 100u);
        QCOMPARE(image.GetHandle()->pixel(50, 50), qRgba(10, 20, 30, 40));
    }

    void refusesShortOrUndecodableBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const ByteSet png = encodePng(100, 100);
        const QByteArray whole(reinterpret_cast<const char*>(png.data()), qsizetype(png.size()));
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("one byte") << QByteArray("\x89");
        QTest::newRow("four bytes of a PNG") << whole.left(4);
        QTest::newRow("five zero bytes") << QByteArray(5, '\0');
        QTest::newRow("plain text") << QByteArray("this is not an image at all");
        QTest::newRow("PNG cut after its header") << whole.left(33);
        QTest::newRow("PNG with a broken signature") << QByteArray("\x88").append(whole.mid(1));
    }

    void refusesShortOrUndecodableBytes()
    {
        QFETCH(QByteArray, bytes);
        MemoryImage image;
        QVERIFY(!image.LoadFromBytes(ByteSet(bytes.begin(), bytes.end())));
        expectEmpty(image);
        image.Dispose();
        expectEmpty(image);
    }

    void secondLoadReplacesTheFirst()
    {
        MemoryImage image;
        QVERIFY(image.LoadFromBytes(encodePng(100, 100)));
        QCOMPARE(image.GetWidth(), 100u);
        QVERIFY(image.LoadFromBytes(encodePng(60, 30)));
        QCOMPARE(image.GetWidth(), 60u);
        QCOMPARE(image.GetHeight(), 30u);
        QCOMPARE(image.GetHandle()->size(), QSize(60, 30));

        // A failed load leaves nothing of the earlier picture behind.
        QVERIFY(!image.LoadFromBytes(ByteSet{1, 2, 3}));
        expectEmpty(image);
    }

    void disposeEmptiesTheObject()
    {
        MemoryImage image;
        QVERIFY(image.LoadFromBytes(encodePng(20, 10)));
        quint32 width = 0;
        quint32 height = 0;
        image.GetSize(width, height);
        QCOMPARE(width, 20u);
        QCOMPARE(height, 10u);
        image.Dispose();
        expectEmpty(image);
        image.Dispose();
        expectEmpty(image);
    }

    void copiesShareThePictureSafely()
    {
        MemoryImage original;
        QVERIFY(original.LoadFromBytes(encodePng(40, 30)));
        MemoryImage copy(original);
        QCOMPARE(copy.GetHandle(), original.GetHandle());
        QCOMPARE(copy.GetWidth(), 40u);

        // Disposing, reloading or destroying one copy never takes the picture from the other.
        original.Dispose();
        QVERIFY(copy.GetHandle() != nullptr);
        QCOMPARE(copy.GetHandle()->size(), QSize(40, 30));
        QVERIFY(original.LoadFromBytes(encodePng(8, 8)));
        QCOMPARE(copy.GetHeight(), 30u);
        {
            MemoryImage shortLived;
            shortLived = copy;
            QCOMPARE(shortLived.GetHandle(), copy.GetHandle());
        }
        QCOMPARE(copy.GetHandle()->pixel(39, 29), qRgba(10, 20, 30, 40));
    }
};

QTEST_MAIN(MemoryImageTest)
#include "MemoryImageTest.moc"
