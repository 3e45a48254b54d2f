// The desktop program's command line, the single running instance and the autostart target.
#include "app/desktop/AutostartEntry.h"
#include "app/desktop/CommandLine.h"
#include "app/desktop/SingleInstance.h"
#include "app/main/LinkQueue.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

using namespace quorvane;

class InstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();

    void linksParsedInOrderAlsoWhenArrivingDuringAParse();

    void secondStartHandsItsLinksToTheFirst();
    void staleSocketIsTakenOver();
    void brokenHandOffIsDroppedAndTheServerGoesOn();
    void socketNamedAfterTheDisplay();

    void autostartTarget_data();
    void autostartTarget();
    void autostartEntryStartsHidden();

private:
    // claim() in another thread, as a second process would: the first one answers from this thread's loop.
    static SingleInstance::Role claimElsewhere(const QString& path, const QStringList& links)
    {
        auto result = std::async(std::launch::async, [&] { return SingleInstance(path).claim(links, 3000); });
        while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return result.get();
    }
};

void InstanceTest::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("newInstance");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<int>("exitStatus"); // -1: runs

    const QString a = QStringLiteral("https://v.douyin.com/aB3dE/");
    const QString text = QStringLiteral("7.43 复制打开抖音 https://v.douyin.com/xY9/ 复制此链接");
    QTest::newRow("nothing") << QStringList{} << false << false << QStringList{} << -1;
    QTest::newRow("links in order") << QStringList{a, text} << false << false << QStringList{a, text} << -1;
    QTest::newRow("autostart") << QStringList{QStringLiteral("--hidden")} << true << false << QStringList{}
                               << -1;
    QTest::newRow("options between links") << QStringList{a, QStringLiteral("--new-instance"), text} << false
                                           << true << QStringList{a, text} << -1;
    QTest::newRow("empty %U field") << QStringList{QString(), QStringLiteral("  ")} << false << false
                                    << QStringList{} << -1;
    QTest::newRow("after --") << QStringList{QStringLiteral("--"), QStringLiteral("--hidden")} << false
                              << false << QStringList{QStringLiteral("--hidden")} << -1;
    QTest::newRow("help") << QStringList{QStringLiteral("--help"), a} << false << false << QStringList{} << 0;
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << false << false << QStringList{}
                             << 0;
    QTest::newRow("unknown option") << QStringList{a, QStringLiteral("--hiden")} << false << false
                                    << QStringList{a} << 2;
}

void InstanceTest::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hidden);
    QFETCH(bool, newInstance);
    QFETCH(QStringList, links);
    QFETCH(int, exitStatus);
    arguments.prepend(QStringLiteral("/usr/bin/quorvane"));
    const CommandLine command = CommandLine::parse(arguments);
    QCOMPARE(command.exitStatus.value_or(-1), exitStatus);
    if (exitStatus == 2)
        QVERIFY(command.message.contains(QStringLiteral("--hiden")));
    if (exitStatus != -1)
        return;
    QCOMPARE(command.hidden, hidden);
    QCOMPARE(command.newInstance, newInstance);
    QCOMPARE(command.links, links);
}

void InstanceTest::linksParsedInOrderAlsoWhenArrivingDuringAParse()
{
    QStringList parsed;
    LinkQueue* queue = nullptr;
    LinkQueue links([&](const QString& link) {
        parsed << QStringLiteral("begin ") + link;
        // A parse waits for the network while events run; a hand-over may come in meanwhile.
        if (link == QLatin1String("a"))
            queue->add({QStringLiteral("c")});
        QTest::qWait(20);
        parsed << QStringLiteral("end ") + link;
    });
    queue = &links;
    links.add({QStringLiteral("a"), QStringLiteral("b")});
    QVERIFY(parsed.isEmpty()); // not from inside the caller
    QTRY_COMPARE(parsed.size(), 6);
    QCOMPARE(parsed, (QStringList{"begin a", "end a", "begin b", "end b", "begin c", "end c"}));
    QCOMPARE(links.pending(), 0);
}

void InstanceTest::secondStartHandsItsLinksToTheFirst()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("q.socket"));
    SingleInstance first(path);
    QCOMPARE(first.claim({}), SingleInstance::Role::Primary);
    QVERIFY(first.isListening());
    QSignalSpy received(&first, &SingleInstance::linksReceived);

    const QStringList links{QStringLiteral("https://v.douyin.com/one/"),
                            QStringLiteral("分享 https://v.douyin.com/二/")};
    QCOMPARE(claimElsewhere(path, links), SingleInstance::Role::HandedOff);
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toStringList(), links);

    // A start without links still reaches it (to raise the window).
    QCOMPARE(claimElsewhere(path, {}), SingleInstance::Role::HandedOff);
    QTRY_COMPARE(received.size(), 2);
    QVERIFY(received[1][0].toStringList().isEmpty());
}

void InstanceTest::staleSocketIsTakenOver()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("q.socket"));
    {
        // A program that crashed leaves its socket file and maybe its lock behind: nobody answers.
        SingleInstance crashed(path);
        QCOMPARE(crashed.claim({}), SingleInstance::Role::Primary);
        QFile(path).copy(path + QStringLiteral(".keep"));
    }
    QFile lock(path + QStringLiteral(".lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("999999999\nquorvane\nnowhere\n"); // a process that does not exist
    lock.close();
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly)); // a plain file where the socket was
    stale.close();

    SingleInstance next(path);
    QCOMPARE(next.claim({QStringLiteral("x")}, 1000), SingleInstance::Role::Primary);
    QVERIFY(next.isListening());
    QCOMPARE(claimElsewhere(path, {QStringLiteral("y")}), SingleInstance::Role::HandedOff);
}

void InstanceTest::brokenHandOffIsDroppedAndTheServerGoesOn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("q.socket"));
    SingleInstance first(path);
    QCOMPARE(first.claim({}), SingleInstance::Role::Primary);
    QSignalSpy received(&first, &SingleInstance::linksReceived);

    const auto send = [&](const QByteArray& bytes) {
        QLocalSocket peer;
        peer.connectToServer(path);
        QVERIFY(peer.waitForConnected(1000));
        peer.write(bytes);
        peer.flush();
        QTRY_COMPARE(peer.state(), QLocalSocket::UnconnectedState); // dropped, no answer
        QCOMPARE(peer.bytesAvailable(), 0);
    };
    QByteArray wrongMagic;
    QDataStream(&wrongMagic, QIODevice::WriteOnly) << quint32(0x12345678) << quint32(4) << quint32(0);
    send(wrongMagic);
    QByteArray tooLarge;
    QDataStream(&tooLarge, QIODevice::WriteOnly)
        << quint32(0x51524c31) << (SingleInstance::maxMessageBytes + 1);
    send(tooLarge);
    QByteArray notAList;
    QDataStream(&notAList, QIODevice::WriteOnly) << quint32(0x51524c31) << quint32(4) << quint32(5);
    send(notAList);
    QCOMPARE(received.size(), 0);

    QCOMPARE(claimElsewhere(path, {QStringLiteral("z")}), SingleInstance::Role::HandedOff);
    QTRY_COMPARE(received.size(), 1);
}

void InstanceTest::socketNamedAfterTheDisplay()
{
#ifdef Q_OS_WIN
    // One pipe per user and log-in session, whatever the display.
    const QString name = SingleInstance::defaultSocketPath();
    QVERIFY(QFileInfo(name).fileName().startsWith(
        QStringLiteral("quorvane-%1-").arg(qEnvironmentVariable("USERNAME"))));
    QVERIFY(!name.contains(QLatin1Char('\\')));
    return;
#endif
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":3.0");
    const QString onThree = SingleInstance::defaultSocketPath();
    qputenv("DISPLAY", ":4");
    const QString onFour = SingleInstance::defaultSocketPath();
    qputenv("DISPLAY", display);
    qputenv("WAYLAND_DISPLAY", wayland);
    QVERIFY(onThree != onFour);
    QVERIFY(onThree.endsWith(QStringLiteral("/quorvane-_3_0.socket")));
}

void InstanceTest::autostartTarget_data()
{
    QTest::addColumn<QString>("running"); // folder of the running program, under the temporary folder
    QTest::addColumn<bool>("installed");  // an installed program exists
    QTest::addColumn<QString>("expected");

    QTest::newRow("installed program") << "prefix/bin" << true << "prefix/bin";
    QTest::newRow("build tree, also installed") << "build/src/app" << true << "build/src/app";
    QTest::newRow("build tree") << "build/src/app" << false << "build/src/app";
    QTest::newRow("stray copy, installed") << "stage/usr/bin" << true << "prefix/bin";
    QTest::newRow("stray copy alone") << "stage/usr/bin" << false << "stage/usr/bin";
}

// Windows knows programs by their suffix.
#ifdef Q_OS_WIN
const QString kProgramName = QStringLiteral("/quorvane.exe");
#else
const QString kProgramName = QStringLiteral("/quorvane");
#endif

void InstanceTest::autostartTarget()
{
    QFETCH(QString, running);
    QFETCH(bool, installed);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const auto makeProgram = [&](const QString& folder) {
        QDir(root.path()).mkpath(folder);
        QFile file(root.filePath(folder + kProgramName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    };
    QDir(root.path()).mkpath(QStringLiteral("build"));
    QFile(root.filePath(QStringLiteral("build/CMakeCache.txt"))).open(QIODevice::WriteOnly);
    QDir(root.path()).mkpath(QStringLiteral("prefix/bin"));
    makeProgram(running);
    if (installed)
        makeProgram(QStringLiteral("prefix/bin"));

    const QString target = AutostartEntry::startTarget(root.filePath(running + kProgramName),
                                                       root.filePath(QStringLiteral("prefix/bin")));
    QCOMPARE(target, root.filePath(expected + kProgramName));
}

void InstanceTest::autostartEntryStartsHidden()
{
#ifdef Q_OS_WIN
    QSKIP("Linux only: desktop entries (the Windows shortcut is checked with the shell actions)");
#endif
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
    QDir(root.path()).mkpath(QStringLiteral("prefix/bin"));
    QDir(root.path()).mkpath(QStringLiteral("stage"));
    for (const QString& program : {QStringLiteral("prefix/bin/quorvane"), QStringLiteral("stage/quorvane")}) {
        QFile file(root.filePath(program));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    const QString stray = root.filePath(QStringLiteral("stage/quorvane"));
    QVERIFY(AutostartEntry::create(stray, root.filePath(QStringLiteral("prefix/bin"))));
    QFile entry(AutostartEntry::path(stray));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray content = entry.readAll();
    QVERIFY2(content.contains("\nExec=\"" + root.filePath(QStringLiteral("prefix/bin/quorvane")).toUtf8() +
                              "\" --hidden\n"),
             content.constData());
    QVERIFY(AutostartEntry::remove(stray));
    QVERIFY(!QFileInfo::exists(AutostartEntry::path(stray)));
}

QTEST_GUILESS_MAIN(InstanceTest)
#include "InstanceTest.moc"
