#include "chrome/WindowShadow.h"
#include "chrome/MemoryImage.h"
#include "chrome/ShadowEventFilter.h"
#include "chrome/ShadowStrip.h"
#include "chrome/ShadowWindow.h"

#include <QBuffer>
#include <QPainter>
#include <QPointer>
#include <QtTest>

#include <algorithm>
#include <array>
#include <memory>

using namespace quorvane;

namespace {

const QRect kHome(200, 150, 300, 200);

std::unique_ptr<QWidget> shownOwner(bool show = true)
{
    auto owner = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    owner->setGeometry(kHome);
    if (show) {
        owner->show();
        if (!QTest::qWaitForWindowExposed(owner.get()))
            QTest::qFail("the owner was never shown", __FILE__, __LINE__);
    }
    return owner;
}

constexpr std::array kSides{ShadowWindow::Top, ShadowWindow::Bottom, ShadowWindow::Left, ShadowWindow::Right};

// The shadow as the screen shows it: each strip's picture put where its window lies. A strip whose
// picture is not its window's size leaves the result empty.
QImage pictureOf(const QWidget* owner)
{
    const ShadowWindow* shadow = shadowWindowOf(owner);
    const QRect whole = shadow->geometry();
    QImage picture(whole.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (ShadowWindow::Side side : kSides) {
        const ShadowStrip* strip = shadow->strip(side);
        if (strip->picture().size() != strip->size())
            return {};
        painter.drawImage(strip->pos() - whole.topLeft(), strip->picture());
    }
    return picture;
}

// The strips cover the ring of `size` pixels around the owner's frame once each, and nothing else.
bool stripsFrameTheOwner(const QWidget* owner, int size)
{
    const ShadowWindow* shadow = shadowWindowOf(owner);
    const QRect frame = owner->frameGeometry();
    QRegion covered;
    qint64 area = 0;
    for (ShadowWindow::Side side : kSides) {
        const QRect place = shadow->strip(side)->geometry();
        covered += place;
        area += qint64(place.width()) * place.height();
    }
    const QRegion ring = QRegion(frame.adjusted(-size, -size, size, size)).subtracted(QRegion(frame));
    qint64 ringArea = 0;
    for (const QRect& rect : ring)
        ringArea += qint64(rect.width()) * rect.height();
    return covered == ring && area == ringArea;
}

bool anyStripActive(const QWidget* owner)
{
    const ShadowWindow* shadow = shadowWindowOf(owner);
    return std::any_of(kSides.begin(), kSides.end(),
                       [shadow](ShadowWindow::Side side) { return shadow->strip(side)->isActiveWindow(); });
}

// Loads an opaque black picture of the given size, encoded as PNG.
bool loadBlack(MemoryImage& image, QSize size)
{
    QImage source(size, QImage::Format_ARGB32);
    source.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    source.save(&buffer, "PNG");
    return image.LoadFromBytes(ByteSet(png.begin(), png.end()));
}

QRect grown(const QRect& rect, int size)
{
    return rect.adjusted(-size, -size, size, size);
}

// The part of the picture that lies over the owner must stay fully transparent.
bool ownerAreaClear(const QImage& picture, int size)
{
    for (int y = size; y < picture.height() - size; ++y)
        for (int x = size; x < picture.width() - size; ++x)
            if (qAlpha(picture.pixel(x, y)) != 0)
                return false;
    return true;
}

class MoveCounter : public QObject
{
public:
    int moves = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        moves += event->type() == QEvent::Move;
        return false;
    }
};

} // namespace

class WindowShadowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(chrome);
        // The offscreen platform has no window shapes; its complaints are noise here.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (!text.contains(QLatin1String("This plugin does not support")))
                fprintf(stderr, "%d: %s\n", int(type), qPrintable(text));
        });
    }

    void colorToArgb()
    {
        QCOMPARE(ColorToArgb(0, 20), 0x14000000u);
        QCOMPARE(ColorToArgb(0x0000FF, 33), 0x21FF0000u);
        QCOMPARE(ColorToArgb(0x123456, 255), 0xFF563412u);
    }

    void nineSliceMargins_data()
    {
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<int>("margin");
        QTest::newRow("100 x 100") << QSize(100, 100) << 20;
        QTest::newRow("81 x 81") << QSize(81, 81) << 20;
        QTest::newRow("80 x 100") << QSize(80, 100) << 10;
        QTest::newRow("51 x 51") << QSize(51, 51) << 10;
        QTest::newRow("100 x 50") << QSize(100, 50) << 5;
    }

    void nineSliceMargins()
    {
        QFETCH(QSize, imageSize);
        QFETCH(int, margin);
        MemoryImage image;
        QVERIFY(loadBlack(image, imageSize));

        QImage canvas(200, 150, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        NineSliceMargins margins;
        DrawNineSlice(painter, image, 0, 0, 200, 150, margins);
        painter.end();
        QCOMPARE(QList<int>({margins.left, margins.top, margins.right, margins.bottom}),
                 QList<int>({margin, margin, imageSize.width() - margin, imageSize.height() - margin}));
        // The nine slices cover the target without gaps.
        QCOMPARE(canvas.convertToFormat(QImage::Format_RGB32).pixel(0, 0), qRgb(0, 0, 0));
        QVERIFY(canvas.pixelColor(0, 0).alpha() == 255 && canvas.pixelColor(199, 149).alpha() == 255);
        for (int x : {margin - 1, margin, 100, 199 - margin, 200 - margin})
            QCOMPARE(qAlpha(canvas.pixel(x, 75)) + qAlpha(canvas.pixel(x, margin)), 510);
    }

    void smallImageStillDrawsItsCorners()
    {
        // 10 x 10 gives corners of 5 and no middle at all: the corners are drawn, the rest stays clear.
        MemoryImage image;
        QVERIFY(loadBlack(image, QSize(10, 10)));

        QImage canvas(60, 40, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        NineSliceMargins margins;
        DrawNineSlice(painter, image, 0, 0, 60, 40, margins);
        painter.end();
        for (QPoint at : {QPoint(0, 0), QPoint(4, 4), QPoint(55, 0), QPoint(0, 39), QPoint(59, 35)})
            QCOMPARE(qAlpha(canvas.pixel(at)), 255);
        for (QPoint at : {QPoint(5, 0), QPoint(30, 20), QPoint(0, 5), QPoint(54, 39)})
            QCOMPARE(qAlpha(canvas.pixel(at)), 0);
    }

    void ringsHaveStepwiseAlpha_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<quint32>("color");
        QTest::addColumn<QList<int>>("alphas");
        QTest::newRow("size 3 red") << 3 << 0x0000FFu << QList<int>{33, 66, 99};
        QTest::newRow("size 5 coloured") << 5 << 0x102030u << QList<int>{20, 40, 60, 80, 100};
        QTest::newRow("size 8") << 8 << 0x010101u << QList<int>{12, 24, 36, 48, 60, 72, 84, 96};
        QTest::newRow("size 10 white")
            << 10 << 0xFFFFFFu << QList<int>{15, 30, 45, 60, 75, 90, 105, 120, 135, 150};
        QTest::newRow("size 12 black")
            << 12 << 0u << QList<int>{12, 24, 36, 48, 60, 72, 84, 96, 108, 120, 132, 144};
    }

    void ringsHaveStepwiseAlpha()
    {
        QFETCH(int, size);
        QFETCH(quint32, color);
        QFETCH(QList<int>, alphas);
        auto owner = shownOwner();
        QVERIFY(SetWindowShadow(owner.get(), color, size));
        const QImage picture = pictureOf(owner.get());
        QCOMPARE(picture.format(), QImage::Format_ARGB32_Premultiplied);
        const int w = picture.width();
        const int h = picture.height();
        QCOMPARE(QSize(w, h), grown(kHome, size).size());
        for (int i = 1; i <= size; ++i) {
            const int alpha = alphas.at(i - 1);
            for (QPoint at :
                 {QPoint(w / 2, i - 1), QPoint(w / 2, h - i), QPoint(i - 1, h / 2), QPoint(w - i, h / 2)})
                QCOMPARE(qAlpha(picture.pixel(at)), alpha);
            const QRgb straight = qUnpremultiply(picture.pixel(w / 2, i - 1));
            const int slack = 255 / alpha + 1; // premultiplied storage rounds faint colours
            QVERIFY(qAbs(qRed(straight) - int(color & 0xFF)) <= slack);
            QVERIFY(qAbs(qGreen(straight) - int((color >> 8) & 0xFF)) <= slack);
            QVERIFY(qAbs(qBlue(straight) - int((color >> 16) & 0xFF)) <= slack);
        }
        QCOMPARE(qAlpha(picture.pixel(0, 0)), 0); // rounded corner
        QVERIFY(ownerAreaClear(picture, size));
    }

    void blackShadowsUseTheStockImages_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("name");
        QTest::newRow("size 5") << 5 << QStringLiteral(":/chrome/shadow5.png");
        QTest::newRow("size 10") << 10 << QStringLiteral(":/chrome/shadow10.png");
    }

    void blackShadowsUseTheStockImages()
    {
        QFETCH(int, size);
        QFETCH(QString, name);
        const QImage stock = QImage(name).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(stock.size(), QSize(100, 100));
        QVERIFY(ownerAreaClear(stock, size));
        QVERIFY(qAlpha(stock.pixel(50, size - 1)) > qAlpha(stock.pixel(50, 0))); // fades outwards

        auto owner = shownOwner();
        QVERIFY(SetWindowShadow(owner.get(), 0, size));
        const QImage picture = pictureOf(owner.get());
        QCOMPARE(picture.size(), grown(kHome, size).size());
        // Corners of 20 pixels unscaled, edges stretched along their length only.
        auto sourceOf = [](int at, int extent) {
            return at < 20 ? at : at >= extent - 20 ? at - extent + 100 : 50;
        };
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixel(x, y) !=
                    stock.pixel(sourceOf(x, picture.width()), sourceOf(y, picture.height())))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
        QVERIFY(ownerAreaClear(picture, size));
    }

    void stripsShowTheWholePicture_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<quint32>("color");
        QTest::addColumn<QRect>("place");
        QTest::newRow("stock 5") << 5 << 0u << kHome;
        QTest::newRow("stock 5, small owner") << 5 << 0u << QRect(40, 30, 37, 23);
        QTest::newRow("stock 10") << 10 << 0u << QRect(11, 13, 736, 416);
        QTest::newRow("rings 7") << 7 << 0x336699u << kHome;
        QTest::newRow("rings 3, small owner") << 3 << 0x0000FFu << QRect(5, 5, 9, 31);
        QTest::newRow("rings 12") << 12 << 0u << QRect(100, 90, 123, 77);
    }

    void stripsShowTheWholePicture()
    {
        // Each strip draws its own part of the shadow; put together they must give exactly the picture
        // drawn in one piece, so that a part cut from the wrong place shows up here.
        QFETCH(int, size);
        QFETCH(quint32, color);
        QFETCH(QRect, place);
        auto owner = shownOwner();
        owner->setGeometry(place);
        QVERIFY(SetWindowShadow(owner.get(), color, size));
        QTRY_COMPARE(shadowWindowOf(owner.get())->geometry(), grown(place, size));

        const QSize whole = grown(place, size).size();
        QImage expected(whole, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        QPainter painter(&expected);
        const QTransform before = painter.transform();
        PaintShadow(shadowWindowOf(owner.get()), painter, whole.width(), whole.height());
        QCOMPARE(painter.transform(), before); // the caller's painter is left as it was
        painter.end();
        QVERIFY(qAlpha(expected.pixel(whole.width() / 2, size - 1)) > 0);

        // The stock pictures come out identical. Where antialiased rings overlap near the corners, the
        // raster engine may round their blend one step differently in a small device than in a large one.
        const int slack = color == 0 && (size == 5 || size == 10) ? 0 : 1;
        const QImage picture = pictureOf(owner.get());
        QCOMPARE(picture.size(), whole);
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x) {
                const QRgb got = picture.pixel(x, y);
                const QRgb want = expected.pixel(x, y);
                if (qAbs(qAlpha(got) - qAlpha(want)) > slack || qAbs(qRed(got) - qRed(want)) > slack ||
                    qAbs(qGreen(got) - qGreen(want)) > slack || qAbs(qBlue(got) - qBlue(want)) > slack)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
            }
        }

        // Only the ring is held in memory, not a picture of the owner's size.
        qint64 held = 0;
        for (ShadowWindow::Side side : kSides) {
            const QImage& part = shadowWindowOf(owner.get())->strip(side)->picture();
            held += qint64(part.width()) * part.height();
        }
        QCOMPARE(held, qint64(whole.width()) * whole.height() - qint64(place.width()) * place.height());
    }

    void followsMovesAndResizes()
    {
        auto owner = shownOwner();
        QVERIFY(SetWindowShadow(owner.get()));
        ShadowWindow* shadow = shadowWindowOf(owner.get());
        QCOMPARE(shadow->property(kShadowSizeProperty).toInt(), 5);
        QCOMPARE(shadow->property(kShadowColorProperty).toUInt(), 0u);
        QVERIFY(shadow->isVisible() && !anyStripActive(owner.get()));
        QCOMPARE(shadow->geometry(), grown(kHome, 5));
        QVERIFY(stripsFrameTheOwner(owner.get(), 5));
        QCOMPARE(shadow->strip(ShadowWindow::Top)->geometry(), QRect(195, 145, 310, 5));
        QCOMPARE(shadow->strip(ShadowWindow::Bottom)->geometry(), QRect(195, 350, 310, 5));
        QCOMPARE(shadow->strip(ShadowWindow::Left)->geometry(), QRect(195, 150, 5, 200));
        QCOMPARE(shadow->strip(ShadowWindow::Right)->geometry(), QRect(500, 150, 5, 200));

        QVERIFY(SetWindowShadow(owner.get(), 0x336699, 7)); // attaching again: new size and colour
        for (const QRect& place : {QRect(10, 20, 300, 200), QRect(10, 20, 420, 180), QRect(333, 44, 1, 1)}) {
            owner->setGeometry(place);
            QTRY_COMPARE(shadow->geometry(), grown(place, 7));
            QVERIFY(stripsFrameTheOwner(owner.get(), 7));
            const QImage picture = pictureOf(owner.get());
            QCOMPARE(picture.size(), grown(place, 7).size());
            QVERIFY(ownerAreaClear(picture, 7));
            // The innermost ring is drawn on every side, near the corners too.
            if (place.width() > 40 && place.height() > 40) {
                for (QPoint at : {QPoint(picture.width() / 2, 6), QPoint(6, picture.height() / 2),
                                  QPoint(20, picture.height() - 7), QPoint(picture.width() - 7, 20)})
                    QCOMPARE(qAlpha(picture.pixel(at)), 98);
            }
        }
        QCOMPARE(shadowWindowOf(owner.get()), shadow);
        QCOMPARE(owner->findChildren<ShadowWindow*>().size(), 1);
        QCOMPARE(owner->findChildren<ShadowStrip*>().size(), 4);
        QCOMPARE(owner->findChildren<ShadowEventFilter*>().size(), 1); // hooked once only
    }

    void hiddenAndShownWithItsOwner()
    {
        auto owner = shownOwner(false);
        QVERIFY(SetWindowShadow(owner.get()));
        ShadowWindow* shadow = shadowWindowOf(owner.get());
        auto stripsShown = [shadow] {
            return int(std::count_if(kSides.begin(), kSides.end(), [shadow](ShadowWindow::Side side) {
                return shadow->strip(side)->isVisible();
            }));
        };
        QVERIFY(!shadow->isVisible());
        QCOMPARE(stripsShown(), 0);
        owner->show();
        QTRY_VERIFY(shadow->isVisible());
        QCOMPARE(stripsShown(), 4);
        QCOMPARE(shadow->geometry(), grown(kHome, 5));

        owner->hide();
        QVERIFY(!shadow->isVisible());
        QCOMPARE(stripsShown(), 0);
        owner->move(50, 60);
        owner->show();
        QTRY_VERIFY(shadow->isVisible());
        QTRY_COMPARE(shadow->geometry(), grown(owner->frameGeometry(), 5));
        QVERIFY(stripsFrameTheOwner(owner.get(), 5));
    }

    void hiddenWhileMinimisedOrMaximised_data()
    {
        QTest::addColumn<Qt::WindowState>("state");
        QTest::newRow("minimised") << Qt::WindowMinimized;
        QTest::newRow("maximised") << Qt::WindowMaximized;
        QTest::newRow("full screen") << Qt::WindowFullScreen;
    }

    void hiddenWhileMinimisedOrMaximised()
    {
        QFETCH(Qt::WindowState, state);
        auto owner = shownOwner();
        QVERIFY(SetWindowShadow(owner.get()));
        ShadowWindow* shadow = shadowWindowOf(owner.get());
        owner->setWindowState(state);
        QTRY_VERIFY(!shadow->isVisible());
        for (ShadowWindow::Side side : kSides)
            QVERIFY(!shadow->strip(side)->isVisible());
        owner->setWindowState(Qt::WindowNoState);
        QTRY_VERIFY(shadow->isVisible());
        QTRY_COMPARE(shadow->geometry(), grown(kHome, 5));
        QVERIFY(stripsFrameTheOwner(owner.get(), 5));
    }

    void removalRestoresTheOwner_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -4;
    }

    void removalRestoresTheOwner()
    {
        QFETCH(int, size);
        auto owner = shownOwner();
        MoveCounter earlier;
        owner->installEventFilter(&earlier);
        QVERIFY(SetWindowShadow(owner.get(), 0x00FF00, 6));
        QPointer<ShadowWindow> shadow = shadowWindowOf(owner.get());
        QPointer<ShadowStrip> strip = shadow->strip(ShadowWindow::Left);

        QVERIFY(!SetWindowShadow(owner.get(), 0, size));
        QVERIFY(shadow.isNull() && strip.isNull());
        QVERIFY(owner->dynamicPropertyNames().isEmpty());
        QVERIFY(owner->findChildren<ShadowEventFilter*>().isEmpty());
        owner->move(321, 123);
        QTRY_VERIFY(earlier.moves > 0); // the earlier handling still sees the owner's events
        QVERIFY(shadowWindowOf(owner.get()) == nullptr);

        QVERIFY(!SetWindowShadow(owner.get(), 0, size)); // nothing left to remove
        QVERIFY(owner->children().isEmpty());
        QVERIFY(SetWindowShadow(owner.get(), 0, 5));
        QCOMPARE(shadowWindowOf(owner.get())->geometry(), grown(owner->frameGeometry(), 5));
    }

    void refusesWhatIsNotAWindowAndDiesWithItsOwner()
    {
        QVERIFY(!SetWindowShadow(nullptr));
        auto owner = shownOwner(false);
        auto* child = new QWidget(owner.get());
        QVERIFY(!SetWindowShadow(child, 0, 5));
        QVERIFY(child->children().isEmpty() && child->dynamicPropertyNames().isEmpty());

        QVERIFY(SetWindowShadow(owner.get()));
        QPointer<ShadowWindow> shadow = shadowWindowOf(owner.get());
        QPointer<ShadowStrip> strip = shadow->strip(ShadowWindow::Bottom);
        owner.reset();
        QVERIFY(shadow.isNull() && strip.isNull());
    }
};

QTEST_MAIN(WindowShadowTest)
#include "WindowShadowTest.moc"
