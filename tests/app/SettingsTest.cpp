#include "AppFixture.h"

#include "app/main/MainWindow.h"

#include <QAbstractButton>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void readRules_data();
    void readRules();
    void firstStartCreatesFolderAndEmptyFile();
    void readingRaisesNoClickAndWritesNothing();
    void clickWriters_data();
    void clickWriters();
    void typedFolderIsStoredOnlyByTheFolderButton();
    void cancelledFolderDialogStoresTheBoxEvenWhenEmpty();
    void writesKeepOtherSettingsAndUnknownLines();
};

void SettingsTest::readRules_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("watch");
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("boot");
    QTest::addColumn<bool>("titleOnly");
    QTest::addColumn<QString>("folder");

    QTest::newRow("all on") << QStringLiteral(
                                   "[剪切板]\n开启=开\n[自动下载]\n开启=开\n[开机启动]\n开机启动=开\n"
                                   "[时间格式]\n时间格式=下载时间\n[保存目录]\n保存目录=/home/u/视频 下载\n")
                            << true << true << true << true << QStringLiteral("/home/u/视频 下载");
    QTest::newRow("all off") << QStringLiteral(
                                    "[剪切板]\n开启=关\n[自动下载]\n开启=关\n[开机启动]\n开机启动=关\n"
                                    "[时间格式]\n时间格式=发布时间\n")
                             << false << false << false << false << QString();
    QTest::newRow("other values count as off")
        << QStringLiteral("[剪切板]\n开启=ON\n[自动下载]\n开启=\"开 \"\n[开机启动]\n"
                          "开机启动=开开\n[时间格式]\n时间格式=下载\n")
        << false << false << false << false << QString();
    QTest::newRow("empty time format")
        << QStringLiteral("[时间格式]\n时间格式=\n") << false << false << false << false << QString();
    QTest::newRow("keys in the wrong section")
        << QStringLiteral("[剪切板]\n开机启动=开\n[开机启动]\n开启=开\n") << false << false << false << false
        << QString();
    QTest::newRow("empty file") << QString() << false << false << false << false << QString();
    QTest::newRow("text beyond GBK") << QStringLiteral(
                                            "[保存目录]\n保存目录=/data/𠀀😀\n[时间格式]\n时间格式=下载时间\n")
                                     << false << false << false << true << QStringLiteral("/data/𠀀😀");
}

void SettingsTest::readRules()
{
    QFETCH(QString, file);
    QFETCH(bool, watch);
    QFETCH(bool, download);
    QFETCH(bool, boot);
    QFETCH(bool, titleOnly);
    QFETCH(QString, folder);

    AppFixture fixture(file);
    auto& form = fixture.app->mainWindow().form();
    QCOMPARE(form.选择框1->isChecked(), watch);
    QCOMPARE(form.选择框2->isChecked(), download);
    QCOMPARE(form.选择框3->isChecked(), boot);
    QCOMPARE(form.单选框2->isChecked(), titleOnly);
    QCOMPARE(form.单选框1->isChecked(), !titleOnly);
    QCOMPARE(form.编辑框7->text(), folder);
}

void SettingsTest::firstStartCreatesFolderAndEmptyFile()
{
    AppFixture fixture;
    QCOMPARE(fixture.readSettings(), QString(""));
    QVERIFY(!fixture.app->mainWindow().form().选择框3->isChecked());
}

void SettingsTest::readingRaisesNoClickAndWritesNothing()
{
    // A stored "开" for start at log-in ticks the box but creates no autostart entry, and the file stays.
    const QString stored = QStringLiteral("[开机启动]\n开机启动=开\n[剪切板]\n开启=开\n");
    AppFixture fixture(stored);
    QVERIFY(fixture.app->mainWindow().form().选择框3->isChecked());
    QVERIFY(!QDir(fixture.configPath() + QStringLiteral("/autostart")).exists());
    QCOMPARE(fixture.readSettings(), stored);
}

void SettingsTest::clickWriters_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("first");  // after one click from the default state
    QTest::addColumn<QString>("second"); // after a second click

    QTest::newRow("选择框1") << QStringLiteral("选择框1") << QStringLiteral("剪切板")
                             << QStringLiteral("开启") << QStringLiteral("开") << QStringLiteral("关");
    QTest::newRow("选择框2") << QStringLiteral("选择框2") << QStringLiteral("自动下载")
                             << QStringLiteral("开启") << QStringLiteral("开") << QStringLiteral("关");
    QTest::newRow("选择框3") << QStringLiteral("选择框3") << QStringLiteral("开机启动")
                             << QStringLiteral("开机启动") << QStringLiteral("开") << QStringLiteral("关");
    QTest::newRow("单选框2") << QStringLiteral("单选框2") << QStringLiteral("时间格式")
                             << QStringLiteral("时间格式") << QStringLiteral("下载时间")
                             << QStringLiteral("下载时间");
    QTest::newRow("单选框1") << QStringLiteral("单选框1") << QStringLiteral("时间格式")
                             << QStringLiteral("时间格式") << QStringLiteral("发布时间")
                             << QStringLiteral("发布时间");
}

void SettingsTest::clickWriters()
{
    QFETCH(QString, control);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, first);
    QFETCH(QString, second);

    AppFixture fixture;
    auto* button = fixture.app->mainWindow().findChild<QAbstractButton*>(control);
    QVERIFY(button);
    const QString expectedFirst = QStringLiteral("[%1]\n%2=%3\n").arg(section, key, first);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    QCOMPARE(fixture.readSettings(), expectedFirst);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    QCOMPARE(fixture.readSettings(), QStringLiteral("[%1]\n%2=%3\n").arg(section, key, second));
}

void SettingsTest::typedFolderIsStoredOnlyByTheFolderButton()
{
    AppFixture fixture(QStringLiteral("[保存目录]\n保存目录=/old\n"));
    auto& form = fixture.app->mainWindow().form();
    form.编辑框7->clear();
    form.编辑框7->setFocus();
    QTest::keyClicks(form.编辑框7, QStringLiteral("/typed/"));
    QInputMethodEvent typed; // CJK text arrives through the input method
    typed.setCommitString(QStringLiteral("文件夹"));
    QCoreApplication::sendEvent(form.编辑框7, &typed);
    QCOMPARE(form.编辑框7->text(), QStringLiteral("/typed/文件夹"));
    QCOMPARE(fixture.readSettings(), QStringLiteral("[保存目录]\n保存目录=/old\n"));

    fixture.dialogs->folderAnswer.clear(); // cancelled
    form.超级按钮6->click();
    QCOMPARE(fixture.dialogs->folderTitles, QStringList{QStringLiteral("设置保存位置")});
    QCOMPARE(form.编辑框7->text(), QStringLiteral("/typed/文件夹"));
    QCOMPARE(fixture.readSettings(), QStringLiteral("[保存目录]\n保存目录=/typed/文件夹\n"));

    // A picked folder is shown and stored with the system's separators.
    fixture.dialogs->folderAnswer = QStringLiteral("/picked/视频");
    form.超级按钮6->click();
    const QString picked = QDir::toNativeSeparators(QStringLiteral("/picked/视频"));
    QCOMPARE(form.编辑框7->text(), picked);
    QCOMPARE(fixture.readSettings(), QStringLiteral("[保存目录]\n保存目录=%1\n").arg(picked));
}

void SettingsTest::cancelledFolderDialogStoresTheBoxEvenWhenEmpty()
{
    AppFixture fixture(QStringLiteral("[保存目录]\n保存目录=/old\n"));
    auto& form = fixture.app->mainWindow().form();
    form.编辑框7->clear();
    form.超级按钮6->click();
    QCOMPARE(fixture.readSettings(), QStringLiteral("[保存目录]\n保存目录=\n"));
}

void SettingsTest::writesKeepOtherSettingsAndUnknownLines()
{
    const QString before =
        QStringLiteral("; user notes\r\n[平台]\r\n网页主机=127.0.0.1:9\r\n[剪切板]\r\n开启=关\r\n");
    AppFixture fixture(before);
    auto& form = fixture.app->mainWindow().form();
    form.选择框1->click();
    form.单选框2->click();
    QCOMPARE(fixture.readSettings(),
             QStringLiteral("; user notes\r\n[平台]\r\n网页主机=127.0.0.1:9\r\n[剪切板]\r\n"
                            "开启=开\r\n[时间格式]\r\n时间格式=下载时间\r\n"));
    // No temporary files are left beside the settings (on Windows the history lives there too).
    QStringList files = QDir(fixture.settingsFolder()).entryList(QDir::Files | QDir::Hidden);
    files.removeIf([](const QString& name) { return name.startsWith(QStringLiteral("history.sqlite")); });
    QCOMPARE(files, QStringList{QStringLiteral("set.ini")});
}

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
