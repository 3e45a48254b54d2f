#include "chrome/WindowShadow.h"
#include "chrome/MemoryImage.h"
#include "chrome/ShadowEventFilter.h"
#include "chrome/ShadowWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QtTest>

#include <memory>

using namespace quorvane;

namespace {

std::unique_ptr<QWidget> makeOwner(const QRect& geometry = QRect(200, 150, 300, 200))
{
    auto owner = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    owner->setGeometry(geometry);
    return owner;
}

ShadowWindow* shadowOf(const QWidget* owner)
{
    return qobject_cast<ShadowWindow*>(shadowWindowOf(owner));
}

QRect grown(const QRect& rect, int size)
{
    return rect.adjusted(-size, -size, size, size);
}

// The owner's area inside the picture must stay fully transparent.
void expectOwnerAreaClear(const QImage& picture, int size)
{
    for (int y = size; y < picture.height() - size; ++y)
        for (int x = size; x < picture.width() - size; ++x)
            if (qAlpha(picture.pixel(x, y)) != 0)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) over the owner is drawn").arg(x).arg(y)));
}

// Counts the owner's events: stands for whatever handled them before the shadow came.
class EventCounter : public QObject
{
public:
    int moves = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Move)
            ++moves;
        return false;
    }
};

QImage stockImage(const QString& name)
{
    QImage image(QStringLiteral(":/chrome/") + name);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

ByteSet encodePng(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ByteSet(bytes.begin(), bytes.end());
}

} // namespace

class WindowShadowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(chrome); }

    void colorToArgb_data()
    {
        QTest::addColumn<quint32>("color");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<quint32>("argb");
        QTest::newRow("black") << 0u << 20 << 0x14000000u;
        QTest::newRow("red") << 0x0000FFu << 33 << 0x21FF0000u;
        QTest::newRow("green") << 0x00FF00u << 66 << 0x4200FF00u;
        QTest::newRow("blue") << 0xFF0000u << 99 << 0x630000FFu;
        QTest::newRow("mixed") << 0x123456u << 255 << 0xFF563412u;
    }

    void colorToArgb()
    {
        QFETCH(quint32, color);
        QFETCH(int, alpha);
        QFETCH(quint32, argb);
        QCOMPARE(ColorToArgb(color, alpha), argb);
    }

    void roundedRectPath()
    {
        const QPainterPath square = CreateRoundedRectPath(2, 3, 40, 20, 0);
        QCOMPARE(square.boundingRect(), QRectF(2, 3, 40, 20));
        QVERIFY(square.contains(QPointF(2.1, 3.1)));

        const QPainterPath rounded = CreateRoundedRectPath(2, 3, 40, 20, 4);
        QCOMPARE(rounded.boundingRect(), QRectF(2, 3, 40, 20));
        QVERIFY(!rounded.contains(QPointF(2.5, 3.5)));   // corner cut off
        QVERIFY(!rounded.contains(QPointF(41.5, 22.5))); // opposite corner too
        QVERIFY(rounded.contains(QPointF(22, 3.5)));     // straight edge kept
        QVERIFY(rounded.contains(QPointF(2.5, 13)));
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
        QTest::newRow("12 x 12") << QSize(12, 12) << 5;
    }

    void nineSliceMargins()
    {
        QFETCH(QSize, imageSize);
        QFETCH(int, margin);
        MemoryImage image;
        QVERIFY(image.LoadFromBytes(encodePng(imageSize.width(), imageSize.height())));
        QImage canvas(200, 200, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        NineSliceMargins margins;
        DrawNineSlice(painter, image, 0, 0, 200, 200, margins);
        painter.end();
        QCOMPARE(margins.left, margin);
        QCOMPARE(margins.top, margin);
        QCOMPARE(margins.right, imageSize.width() - margin);
        QCOMPARE(margins.bottom, imageSize.height() - margin);
        // An opaque picture stretched by nine slices covers the whole target without gaps.
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                QCOMPARE(qAlpha(canvas.pixel(x, y)), 255);
    }

    void nineSliceOfAnEmptyImageDrawsNothing()
    {
        MemoryImage empty;
        QImage canvas(50, 50, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        NineSliceMargins margins;
        DrawNineSlice(painter, empty, 0, 0, 50, 50, margins);
        painter.end();
        QCOMPARE(canvas, [] {
            QImage clear(50, 50, QImage::Format_ARGB32_Premultiplied);
            clear.fill(Qt::transparent);
            return clear;
        }());
    }

    void stockImagesStayInsideTheirBand_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("band");
        QTest::newRow("size 5") << QStringLiteral("shadow5.png") << 5;
        QTest::newRow("size 10") << QStringLiteral("shadow10.png") << 10;
    }

    void stockImagesStayInsideTheirBand()
    {
        QFETCH(QString, name);
        QFETCH(int, band);
        QFile file(QStringLiteral(":/chrome/") + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        MemoryImage image;
        QVERIFY(image.LoadFromBytes(ByteSet(bytes.begin(), bytes.end())));
        QCOMPARE(image.GetWidth(), 100u);
        QCOMPARE(image.GetHeight(), 100u);
        QVERIFY(image.GetHandle()->hasAlphaChannel());
        const QImage picture = stockImage(name);
        expectOwnerAreaClear(picture, band);
        // Darkest next to the window, fading outwards.
        QVERIFY(qAlpha(picture.pixel(50, band - 1)) > qAlpha(picture.pixel(50, 0)));
        QVERIFY(qAlpha(picture.pixel(band - 1, 50)) > 0);
        QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
    }

    void refusesWhatIsNotAWindow()
    {
        QVERIFY(!SetWindowShadow(nullptr));
        auto owner = makeOwner();
        auto* child = new QWidget(owner.get());
        QVERIFY(!SetWindowShadow(child, 0, 5));
        QVERIFY(shadowWindowOf(child) == nullptr);
        QVERIFY(child->findChildren<ShadowEventFilter*>().isEmpty());
    }

    void ringsHaveStepwiseAlpha_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<quint32>("color");
        QTest::addColumn<QList<int>>("alphas");
        QTest::newRow("size 3 red") << 3 << 0x0000FFu << QList<int>{33, 66, 99};
        QTest::newRow("size 5 coloured") << 5 << 0x102030u << QList<int>{20, 40, 60, 80, 100};
        QTest::newRow("size 8 near black") << 8 << 0x010101u << QList<int>{12, 24, 36, 48, 60, 72, 84, 96};
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
        auto owner = makeOwner();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get(), color, size));
        const QImage picture = shadowOf(owner.get())->picture();
        QCOMPARE(picture.size(), QSize(300 + 2 * size, 200 + 2 * size));
        QCOMPARE(picture.format(), QImage::Format_ARGB32_Premultiplied);
        const int w = picture.width();
        const int h = picture.height();
        for (int i = 1; i <= size; ++i) {
            const int alpha = alphas.at(i - 1);
            QCOMPARE(qAlpha(picture.pixel(w / 2, i - 1)), alpha);
            QCOMPARE(qAlpha(picture.pixel(w / 2, h - i)), alpha);
            QCOMPARE(qAlpha(picture.pixel(i - 1, h / 2)), alpha);
            QCOMPARE(qAlpha(picture.pixel(w - i, h / 2)), alpha);
            const QRgb straight = qUnpremultiply(picture.pixel(w / 2, i - 1));
            QVERIFY(qAbs(qRed(straight) - int(color & 0xFF)) <= 4);
            QVERIFY(qAbs(qGreen(straight) - int((color >> 8) & 0xFF)) <= 4);
            QVERIFY(qAbs(qBlue(straight) - int((color >> 16) & 0xFF)) <= 4);
        }
        QCOMPARE(qAlpha(picture.pixel(0, 0)), 0); // rounded corner
        expectOwnerAreaClear(picture, size);
    }

    void blackShadowsUseTheStockImages_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("name");
        QTest::newRow("size 5") << 5 << QStringLiteral("shadow5.png");
        QTest::newRow("size 10") << 10 << QStringLiteral("shadow10.png");
    }

    void blackShadowsUseTheStockImages()
    {
        QFETCH(int, size);
        QFETCH(QString, name);
        auto owner = makeOwner(QRect(100, 100, 257, 143));
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get(), 0, size));
        const QImage picture = shadowOf(owner.get())->picture();
        const QImage stock = stockImage(name);
        const int w = picture.width();
        const int h = picture.height();
        QCOMPARE(picture.size(), QSize(257 + 2 * size, 143 + 2 * size));
        // Corners of 20 pixels unscaled, edges stretched along their length only.
        auto sourceOf = [](int at, int extent) {
            return at < 20 ? at : at >= extent - 20 ? at - extent + 100 : 50;
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (picture.pixel(x, y) != stock.pixel(sourceOf(x, w), sourceOf(y, h)))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
        expectOwnerAreaClear(picture, size);
    }

    void defaultIsTheSmallBlackShadow()
    {
        auto owner = makeOwner();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get()));
        QWidget* shadow = shadowWindowOf(owner.get());
        QVERIFY(shadow != nullptr);
        QCOMPARE(shadow->property(kShadowSizeProperty).toInt(), 5);
        QCOMPARE(shadow->property(kShadowColorProperty).toUInt(), 0u);
        QCOMPARE(owner->property(kShadowProperty).value<QPointer<QWidget>>().data(), shadow);
        QCOMPARE(shadowOf(owner.get())->picture(), [&] {
            QImage expected(310, 210, QImage::Format_ARGB32_Premultiplied);
            expected.fill(Qt::transparent);
            QPainter painter(&expected);
            MemoryImage stock;
            QFile file(QStringLiteral(":/chrome/shadow5.png"));
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            stock.LoadFromBytes(ByteSet(bytes.begin(), bytes.end()));
            NineSliceMargins margins;
            DrawNineSlice(painter, stock, 0, 0, 310, 210, margins);
            return expected;
        }());
    }

    void shadowWindowStaysOutOfTheWay()
    {
        auto owner = makeOwner();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get()));
        QWidget* shadow = shadowWindowOf(owner.get());
        QVERIFY(shadow->isWindow());
        QCOMPARE(shadow->parentWidget(), owner.get());
        const Qt::WindowFlags flags = shadow->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTransparentForInput));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QCOMPARE(shadow->windowType(), Qt::Tool);
        QVERIFY(shadow->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(shadow->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(shadow->isVisible());
        QVERIFY(!shadow->isActiveWindow());
        // Only the band around the owner belongs to the shadow's shape.
        const QRegion band = QRegion(0, 0, 310, 210).subtracted(QRegion(5, 5, 300, 200));
        QCOMPARE(shadow->mask(), band);
    }

    void followsMovesAndResizes()
    {
        auto owner = makeOwner();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get(), 0x336699, 7));
        QWidget* shadow = shadowWindowOf(owner.get());
        QCOMPARE(shadow->geometry(), grown(owner->frameGeometry(), 7));

        const QList<QRect> places{QRect(10, 20, 300, 200), QRect(10, 20, 420, 180), QRect(333, 44, 90, 60),
                                  QRect(0, 0, 1, 1)};
        for (const QRect& place : places) {
            owner->setGeometry(place);
            QTRY_COMPARE(owner->frameGeometry(), place);
            QTRY_COMPARE(shadow->geometry(), grown(place, 7));
            QCOMPARE(shadowOf(owner.get())->picture().size(), grown(place, 7).size());
            expectOwnerAreaClear(shadowOf(owner.get())->picture(), 7);
        }

        // Attaching again changes size and colour, and redraws.
        QVERIFY(SetWindowShadow(owner.get(), 0x336699, 3));
        QCOMPARE(shadow->geometry(), grown(owner->frameGeometry(), 3));
        QCOMPARE(shadowWindowOf(owner.get()), shadow);
    }

    void attachingTwiceHooksTheOwnerOnce()
    {
        auto owner = makeOwner();
        QVERIFY(SetWindowShadow(owner.get()));
        QObject* filter = owner->property(kShadowProcProperty).value<QPointer<QObject>>().data();
        QVERIFY(filter != nullptr);
        QVERIFY(SetWindowShadow(owner.get(), 0xFF, 4));
        QVERIFY(SetWindowShadow(owner.get(), 0, 10));
        QCOMPARE(owner->findChildren<ShadowEventFilter*>().size(), 1);
        QCOMPARE(owner->property(kShadowProcProperty).value<QPointer<QObject>>().data(), filter);
        QCOMPARE(owner->findChildren<ShadowWindow*>().size(), 1);
    }

    void hiddenWithItsOwner()
    {
        auto owner = makeOwner();
        QVERIFY(SetWindowShadow(owner.get()));
        QWidget* shadow = shadowWindowOf(owner.get());
        QVERIFY(!shadow->isVisible()); // the owner is not shown yet

        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(shadow->isVisible());
        QCOMPARE(shadow->geometry(), grown(owner->frameGeometry(), 5));

        owner->hide();
        QVERIFY(!shadow->isVisible());
        owner->move(50, 60);
        owner->show();
        QTRY_VERIFY(shadow->isVisible());
        QTRY_COMPARE(shadow->geometry(), grown(owner->frameGeometry(), 5));
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
        auto owner = makeOwner();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get()));
        QWidget* shadow = shadowWindowOf(owner.get());
        QVERIFY(shadow->isVisible());

        owner->setWindowState(state);
        QTRY_VERIFY(!shadow->isVisible());
        owner->setWindowState(Qt::WindowNoState);
        QTRY_VERIFY(shadow->isVisible());
        QTRY_COMPARE(owner->frameGeometry(), QRect(200, 150, 300, 200));
        QTRY_COMPARE(shadow->geometry(), QRect(195, 145, 310, 210));
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
        auto owner = makeOwner();
        EventCounter earlier;
        owner->installEventFilter(&earlier);
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get(), 0x00FF00, 6));
        QPointer<QWidget> shadow = shadowWindowOf(owner.get());
        QVERIFY(shadow);

        QVERIFY(!SetWindowShadow(owner.get(), 0, size));
        QVERIFY(shadow.isNull());
        QVERIFY(!owner->property(kShadowProperty).isValid());
        QVERIFY(!owner->property(kShadowProcProperty).isValid());
        QVERIFY(owner->findChildren<ShadowEventFilter*>().isEmpty());

        // The owner's earlier handling still sees its events, and no shadow comes back.
        const int movesBefore = earlier.moves;
        owner->move(321, 123);
        QTRY_VERIFY(earlier.moves > movesBefore);
        QVERIFY(shadowWindowOf(owner.get()) == nullptr);

        // Removing again changes nothing; attaching again works.
        QVERIFY(!SetWindowShadow(owner.get(), 0, size));
        QVERIFY(SetWindowShadow(owner.get(), 0, 5));
        QCOMPARE(shadowWindowOf(owner.get())->geometry(), grown(owner->frameGeometry(), 5));
    }

    void removingWhatWasNeverAttachedChangesNothing()
    {
        auto owner = makeOwner();
        owner->setProperty("unrelated", 7);
        QVERIFY(!SetWindowShadow(owner.get(), 0, 0));
        QCOMPARE(owner->dynamicPropertyNames(), QList<QByteArray>{"unrelated"});
        QVERIFY(owner->children().isEmpty());
    }

    void diesWithItsOwner()
    {
        auto owner = makeOwner();
        QVERIFY(SetWindowShadow(owner.get()));
        QPointer<QWidget> shadow = shadowWindowOf(owner.get());
        owner.reset();
        QVERIFY(shadow.isNull());
    }

    void clicksPassThroughTheShadow()
    {
        QWidget below(nullptr, Qt::FramelessWindowHint);
        below.setGeometry(0, 0, 800, 600);
        below.show();
        QVERIFY(QTest::qWaitForWindowExposed(&below));
        auto owner = makeOwner();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        QVERIFY(SetWindowShadow(owner.get(), 0, 10));
        QVERIFY(shadowWindowOf(owner.get())->geometry().contains(QPoint(195, 145)));
        QCOMPARE(QApplication::widgetAt(QPoint(195, 145)), &below);
        QCOMPARE(QApplication::widgetAt(QPoint(250, 200)), owner.get());
    }
};

QTEST_MAIN(WindowShadowTest)
#include "WindowShadowTest.moc"
