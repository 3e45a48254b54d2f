// The program stays usable while the pipeline works: a slow platform answer neither freezes the window
// nor loses links copied meanwhile, and quitting during a download leaves nothing under a final name.
#include "AppFixture.h"

#include "app/about/AboutWindow.h"
#include "app/main/MainWindow.h"
#include "emulator/PlatformEmulator.h"
#include "pipeline/engine/Pipeline.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {

const QString shareSentence = QStringLiteral(" 复制此链接，打开Dou音搜索，直接观看视频！");

std::string detailBody(const std::string& id, const std::string& title, const std::string& media)
{
    return R"({"aweme_detail":{"aweme_id":")" + id + R"(","desc":")" + title +
           R"(","create_time":1675231509,"video":{"bit_rate":[{"play_addr":{"url_list":[")" + media +
           R"("]}}]},"music":{"play_url":{"url_list":["{{http}}/media/m.mp3?size=10"]}}},"status_code":0})";
}

} // namespace

class ResponsivenessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_emulator = std::make_unique<PlatformEmulator>();
        m_emulator->start();
    }
    void cleanupTestCase() { m_emulator.reset(); }

    void slowAnswerKeepsTheWindowAliveAndQueuesTheNextLink();
    void quittingDuringADownloadLeavesOnlyItsPartFile();

private:
    // Settings with clipboard watching and automatic download on, saving into `folder`, title-only names.
    QString settings(const QTemporaryDir& folder) const
    {
        return QStringLiteral(
                   "[剪切板]\n开启=开\n[自动下载]\n开启=开\n[时间格式]\n时间格式=下载时间\n[保存目录]\n"
                   "保存目录=%1\n[平台]\n网页主机=%2\n分享主机=%2\n证书文件=%3\n")
            .arg(folder.path(), QString::fromStdString(m_emulator->webHost()),
                 QString::fromStdString(m_emulator->caFile()));
    }

    QString addPost(const std::string& code, const std::string& id, const std::string& title,
                    const std::string& media, int detailDelayMs = 0)
    {
        m_emulator->addVideoLink(code, id);
        m_emulator->addDetail(id, detailBody(id, title, media), detailDelayMs);
        return QStringLiteral("看看 ") + QString::fromStdString(m_emulator->shortLink(code)) + shareSentence;
    }

    std::unique_ptr<PlatformEmulator> m_emulator;
};

void ResponsivenessTest::slowAnswerKeepsTheWindowAliveAndQueuesTheNextLink()
{
    QTemporaryDir folder;
    const QString slow =
        addPost("resp0001", "7301234567890600001", "慢的", "{{http}}/media/a.mp4?size=5000", 5000);
    const QString quick =
        addPost("resp0002", "7301234567890600002", "快的", "{{http}}/media/b.mp4?size=6000");
    AppFixture fixture(settings(folder));
    fixture.app->start();
    auto& form = fixture.app->mainWindow().form();

    QGuiApplication::clipboard()->setText(slow);
    QTRY_COMPARE(form.剪贴板->toPlainText(), slow);
    // The parse is under way, waiting for the detail answer; the user opens the about window.
    QTest::qWait(300);
    QElapsedTimer clock;
    clock.start();
    form.超级按钮4->click();
    QTRY_VERIFY_WITH_TIMEOUT(fixture.app->aboutWindow() && fixture.app->aboutWindow()->isVisible(), 1000);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(form.编辑框6->text(), QString()); // the slow answer has not come yet

    // A second link copied meanwhile waits for the first and is saved after it.
    QGuiApplication::clipboard()->setText(quick);
    QTRY_COMPARE(form.剪贴板->toPlainText(), quick);
    const QString first = folder.filePath(QStringLiteral("慢的.mp4"));
    const QString second = folder.filePath(QStringLiteral("快的.mp4"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(first) && QFileInfo::exists(second), 20000);
    QVERIFY(QFileInfo(first).lastModified() <= QFileInfo(second).lastModified());
    QCOMPARE(QFileInfo(first).size(), 5000);
    QCOMPARE(QFileInfo(second).size(), 6000);
    QCOMPARE(form.编辑框6->text(), QStringLiteral("快的"));
    QTRY_VERIFY(fixture.app->pipeline()->idle());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QVERIFY(fixture.dialogs->warnings.isEmpty());
}

void ResponsivenessTest::quittingDuringADownloadLeavesOnlyItsPartFile()
{
    QTemporaryDir folder;
    const QString slow =
        addPost("resp0003", "7301234567890600003", "很大", "{{http}}/media/c.mp4?size=50000000&rate=200000");
    AppFixture fixture(settings(folder));
    fixture.app->start();
    QGuiApplication::clipboard()->setText(slow);
    // The temporary file appears once the download runs.
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty(), 10000);
    QElapsedTimer clock;
    clock.start();
    fixture.app->mainWindow().form().退出->trigger();
    QCOMPARE(fixture.exitStatus, std::optional<int>(0));
    QVERIFY(!fixture.app->pipeline());
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    // The download list keeps the part file and its resume record for the next start; nothing lies under a
    // final name.
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(name.startsWith(QLatin1Char('.')) &&
                     (name.endsWith(QStringLiteral(".part")) || name.endsWith(QStringLiteral(".resume"))),
                 qPrintable(name));
    // Whatever the pipeline had posted finds it gone.
    QTest::qWait(300);
    QVERIFY(fixture.dialogs->warnings.isEmpty());
}

QTEST_MAIN(ResponsivenessTest)
#include "ResponsivenessTest.moc"
