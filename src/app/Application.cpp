#include "app/Application.h"

#include "app/about/AboutWindow.h"
#include "app/desktop/ShellActions.h"
#include "app/desktop/SystemDialogs.h"
#include "app/desktop/TrayIcon.h"
#include "app/main/ClipboardWatcher.h"
#include "app/main/MainWindow.h"
#include "app/main/MainWindowPort.h"
#include "app/main/SettingsController.h"
#include "app/settings/SettingsWindow.h"
#include "app/subscriptions/SubscriptionCenter.h"
#include "app/tasks/TaskCenter.h"
#include "app/widgets/FormFonts.h"
#include "app/widgets/LinkDrops.h"
#include "app/widgets/TextBridge.h"
#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "base/platform/Paths.h"
#include "chrome/MemoryImage.h"
#include "chrome/WindowShadow.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/lists/CookieStore.h"
#include "pipeline/settings/ListSettings.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/Settings.h"
#include "pipeline/settings/SettingsFile.h"
#include "pipeline/tasks/ListQueue.h"
#include "pipeline/tasks/Scheduler.h"

#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

// Resources of a static library must be registered by name, outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace quorvane {

namespace {
const QString kTrayTip = QStringLiteral("无水印下载工具");
const QString kCloseQuestion =
    QStringLiteral("您确定彻底关闭本程序吗？\n\n点击【确认】彻底关闭\n点击【取消】最小化到任务栏");
const QString kCloseCaption = QStringLiteral("信息：");
// The history and the scheduler start this long after the main window, once it is on screen.
constexpr int kTasksDelayMs = 400;

void terminateNow(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}
} // namespace

Application::Application(std::unique_ptr<Dialogs> dialogs, QObject* parent)
    : QObject(parent), m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<SystemDialogs>()),
      m_terminate(terminateNow)
{
    initResources();
    QApplication::setQuitOnLastWindowClosed(false); // hidden to the tray is still running
    // Before the first widget, which would otherwise resolve the default face as well.
    FormFonts::installApplicationFont();
    m_window = std::make_unique<MainWindow>();
    OnMainWindowCreated();
}

Application::~Application()
{
    // The pipeline talks to the window through the port; it goes first, and the scheduler it uses after it.
    if (m_pipeline)
        m_pipeline->setScheduler(nullptr);
    m_pipeline.reset();
    m_subscriptions.reset();
    m_tasks.reset();
    if (m_about)
        delete m_about.data();
    if (m_settingsWindow)
        delete m_settingsWindow.data();
}

AboutWindow* Application::aboutWindow() const
{
    return m_about;
}

QIcon Application::programIcon()
{
    // Decoded once; the window, the caption and the tray share it. A PNG, which MemoryImage hands straight
    // to Qt's decoder: an icon file would first load the icon engine and image format plugins.
    static const QIcon icon = [] {
        initResources();
        MemoryImage image;
        image.LoadFromResource(QStringLiteral(":/quorvane/quorvane.png"));
        return image.GetHandle() ? QIcon(QPixmap::fromImage(*image.GetHandle())) : QIcon();
    }();
    return icon;
}

void Application::OnMainWindowCreated()
{
    MainWindow& window = *m_window;
    auto& form = window.form();

    SetWindowShadow(&window, 0, 5);
    window.setFixedSize(MainWindow::kWidth, MainWindow::kHeight);

    // Only changes from now on reach the mirror; what is on the clipboard already is not taken.
    m_clipboard = std::make_unique<ClipboardWatcher>(QGuiApplication::clipboard(), form.剪贴板);

    ConfigPaths::ensureSettingsFile();
    SettingsFile file(ConfigPaths::settingsFile());
    m_settings = std::make_unique<SettingsController>(window, file);
    m_settings->applyToControls(Settings::read(file));
    m_shell = std::make_unique<ShellActions>(window, *m_settings, *m_dialogs,
                                             QCoreApplication::applicationFilePath());

    m_tray = std::make_unique<TrayIcon>(programIcon(), kTrayTip, window.trayMenu());
    // The tray host is asked once the window is on its way (hiding to the tray shows the icon at once).
    QTimer::singleShot(0, this, [this] {
        if (!m_exiting)
            m_tray->show();
    });
    form.图片框2->setPixmap(programIcon().pixmap(18, 18));
    window.setWindowIcon(programIcon());

    m_port = std::make_unique<MainWindowPort>(window, *m_tray, *m_dialogs);
    m_pipeline = std::make_unique<Pipeline>(*m_port, PlatformSettings::load(file.path()));
    // The pipeline is gone once the program is ending (see exitProgram).
    // A link's download goes to the download list's scheduler, made (with the history) on the first link.
    connect(form.超级按钮2, &QAbstractButton::clicked, this, [this] {
        if (m_pipeline) {
            tasks();
            m_pipeline->ParseButtonClicked();
        }
    });
    connect(form.超级按钮3, &QAbstractButton::clicked, this, [this] {
        if (m_pipeline)
            m_pipeline->DownloadMusic();
    });
    connect(form.剪贴板, &QPlainTextEdit::textChanged, this, [this] {
        if (m_pipeline) {
            tasks();
            m_pipeline->ClipboardMirrorChanged();
        }
    });

    connect(form.关闭, &QAbstractButton::clicked, this, &Application::ConfirmClose);
    connect(form.关闭1, &QAbstractButton::clicked, this, &Application::hideMainWindow);
    connect(form.超级按钮4, &QAbstractButton::clicked, this, &Application::openAboutWindow);
    connect(form.打开, &QAction::triggered, this, &Application::showMainWindow);
    connect(form.退出, &QAction::triggered, this, &Application::exitProgram);
    connect(&window, &MainWindow::closeRequested, this, &Application::ConfirmClose);
    connect(m_tray.get(), &TrayIcon::trayEvent, this, &Application::onTrayEvent);

    auto* list = new QAction(QStringLiteral("下载列表"), &window);
    list->setObjectName(QStringLiteral("下载列表"));
    window.trayMenu()->insertAction(form.退出, list);
    connect(list, &QAction::triggered, this, &Application::openTaskList);
    auto* following = new QAction(QStringLiteral("订阅"), &window);
    following->setObjectName(QStringLiteral("订阅"));
    window.trayMenu()->insertAction(form.退出, following);
    connect(following, &QAction::triggered, this, &Application::openSubscriptions);
    auto* settings = new QAction(QStringLiteral("设置"), &window);
    settings->setObjectName(QStringLiteral("设置"));
    window.trayMenu()->insertAction(form.退出, settings);
    connect(settings, &QAction::triggered, this, &Application::openSettingsWindow);
    connect(form.设置按钮, &QAbstractButton::clicked, this, &Application::openSettingsWindow);
    connect(&window.progress(), &ProgressStrip::clicked, this, &Application::openTaskList);
    auto* drops = new LinkDrops(&window);
    connect(drops, &LinkDrops::textDropped, this, [this](const QString& text) { tasks().addText(text); });
    // Work a previous run left is taken up a moment after start-up; without a history file there is none,
    // and the history is opened only once something asks for it.
    QTimer::singleShot(kTasksDelayMs, this, [this] {
        if (!m_exiting && std::filesystem::exists(ConfigPaths::historyFile())) {
            tasks();
            subscriptions();
        }
    });
}

TaskCenter& Application::tasks()
{
    if (!m_tasks) {
        m_tasks = std::make_unique<TaskCenter>(
            QString::fromStdString(utf8FromPath(ConfigPaths::settingsFile())),
            QString::fromStdString(utf8FromPath(ConfigPaths::historyFile())), *m_dialogs);
        connect(m_tasks.get(), &TaskCenter::summaryChanged, this, &Application::showSummary);
        connect(m_tasks.get(), &TaskCenter::subscriptionsRequested, this, &Application::openSubscriptions);
        if (m_pipeline)
            m_pipeline->setScheduler(&m_tasks->scheduler());
        if (!m_tasks->notice().isEmpty())
            m_tray->ShowBalloon(toText(QStringLiteral("下载记录")), toText(m_tasks->notice()), {}, 2, 10);
    }
    return *m_tasks;
}

void Application::openTaskList()
{
    tasks().showWindow();
}

SubscriptionCenter& Application::subscriptions()
{
    if (!m_subscriptions) {
        m_subscriptions = std::make_unique<SubscriptionCenter>(
            QString::fromStdString(utf8FromPath(ConfigPaths::settingsFile())),
            QString::fromStdString(utf8FromPath(ConfigPaths::historyFile())),
            m_check ? m_check : listCheck());
        if (!m_subscriptions->notice().isEmpty())
            m_tray->ShowBalloon(toText(QStringLiteral("订阅")), toText(m_subscriptions->notice()), {}, 2, 10);
    }
    return *m_subscriptions;
}

SubscriptionChecker::CheckFunction Application::listCheck()
{
    // Made here, on the window's thread; the check runs on the subscriptions' thread and reaches only the
    // scheduler and the history store, which take calls from any thread.
    TaskCenter& center = tasks();
    Scheduler* scheduler = &center.scheduler();
    HistoryStore* history = center.store();
    return [scheduler, history](const Subscription& subscription) -> SubscriptionCheck {
        if (subscription.kind == SubscriptionKind::Live)
            return {"直播间的录制尚未接入桌面程序，请用 quorvane-cli --check-subscriptions", {}};
        const SettingsFile file(ConfigPaths::settingsFile());
        const Settings settings = Settings::read(file);
        ListQueueContext context;
        context.platform = PlatformSettings::load(file.path());
        context.order = ListSettings::fromIni(IniFile::load(file.path()));
        const CookieStore::Loaded cookies = CookieStore().load();
        context.cookies = cookies.jar ? &*cookies.jar : nullptr;
        context.saveFolder = CharsetConverter::textToUtf8(settings.saveFolder);
        context.titleOnly = settings.timeFormat == TimeFormat::DownloadTime;
        context.untilSaved = true;
        const LinkKind kind = subscription.kind == SubscriptionKind::Creator      ? LinkKind::Creator
                              : subscription.kind == SubscriptionKind::Collection ? LinkKind::Collection
                                                                                  : LinkKind::Music;
        const ListQueueResult result =
            queueList(LinkTarget{kind, subscription.id}, context, *scheduler, history);
        return {result.incomplete, result.name};
    };
}

void Application::openSubscriptions()
{
    subscriptions().showWindow();
}

SettingsWindow* Application::settingsWindow() const
{
    return m_settingsWindow;
}

void Application::openSettingsWindow()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new SettingsWindow(SettingsFile(ConfigPaths::settingsFile()));
        m_settingsWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_settingsWindow->setWindowIcon(programIcon());
        connect(m_settingsWindow, &SettingsWindow::settingChanged, this, &Application::applySettings);
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void Application::applySettings()
{
    // Work already running keeps what it started with; what starts from now on takes the new values.
    if (m_pipeline)
        m_pipeline->setPlatform(PlatformSettings::load(ConfigPaths::settingsFile()));
    if (m_tasks)
        m_tasks->refreshSettings();
    // The subscriptions read their intervals at each look for due ones.
}

void Application::showSummary(int running, qint64 received, qint64 total, double bytesPerSecond)
{
    m_window->progress().reportOverall(running, received, total, bytesPerSecond);
    QString tip = kTrayTip;
    if (running > 0)
        tip += QStringLiteral("\n%1 个任务下载中，%2/s")
                   .arg(running)
                   .arg(ProgressStrip::formatBytes(qint64(bytesPerSecond)));
    m_tray->icon().setToolTip(tip);
}

void Application::start()
{
    m_window->show();
}

void Application::onTrayEvent(int kind)
{
    // A context click pops up the tray menu by itself (it is the icon's context menu).
    if (kind == TrayIcon::LeftClick || kind == TrayIcon::DoubleClick)
        showMainWindow();
}

void Application::ConfirmClose()
{
    if (m_dialogs->confirm(kCloseQuestion, kCloseCaption))
        exitProgram();
    else
        hideMainWindow();
}

void Application::hideMainWindow()
{
    // Without a tray host a hidden window could never be brought back, so it goes to the taskbar instead.
    if (m_tray->isAvailable()) {
        m_tray->show();
        m_window->hide();
    } else
        m_window->showMinimized();
}

void Application::showMainWindow()
{
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

void Application::exitProgram()
{
    // The tray icon leaves the panel before the process goes, so no dead icon stays behind.
    m_exiting = true;
    m_tray->hide();
    if (m_about)
        m_about->close();
    if (m_settingsWindow)
        m_settingsWindow->close();
    m_window->hide();
    // A parse or music download still running on the pipeline's engine is cancelled (its temporary file
    // removed).
    m_pipeline.reset();
    // A round of checks stops (a running request cancelled) before the history it writes to goes.
    m_subscriptions.reset();
    // Downloads of the list stop and keep their part files: the next start continues them.
    m_tasks.reset();
    m_terminate(0);
}

void Application::openAboutWindow()
{
    if (!m_about) {
        m_about = new AboutWindow();
        m_about->setWindowIcon(programIcon());
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace quorvane
