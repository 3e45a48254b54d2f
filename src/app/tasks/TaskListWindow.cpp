#include "app/tasks/TaskListWindow.h"

#include "app/desktop/Dialogs.h"
#include "app/tasks/CoverCache.h"
#include "app/tasks/TaskDelegate.h"
#include "app/tasks/TaskListModel.h"
#include "app/widgets/LinkDrops.h"
#include "pipeline/tasks/Scheduler.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QUrl>
#include <QVBoxLayout>

namespace quorvane {

namespace {
QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    return result;
}
} // namespace

TaskListWindow::TaskListWindow(Scheduler& scheduler, TaskListModel& model, CoverCache* covers,
                               Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_scheduler(scheduler), m_model(model), m_dialogs(dialogs),
      m_filter(new QSortFilterProxyModel(this)), m_view(new QListView(this)),
      m_delegate(new TaskDelegate(covers, this)), m_filterBox(new QLineEdit(this)),
      m_linksBox(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("TaskListWindow"));
    setWindowTitle(QStringLiteral("下载列表"));
    resize(760, 520);

    auto* pauseAll = button(QStringLiteral("全部暂停"), "pauseAllButton", this);
    auto* resumeAll = button(QStringLiteral("全部继续"), "resumeAllButton", this);
    auto* clearFinished = button(QStringLiteral("清除已完成"), "clearFinishedButton", this);
    auto* following = button(QStringLiteral("订阅"), "subscriptionsButton", this);
    m_filterBox->setObjectName(QStringLiteral("filterBox"));
    m_filterBox->setPlaceholderText(QStringLiteral("筛选标题或作者"));
    m_filterBox->setClearButtonEnabled(true);
    auto* top = new QHBoxLayout;
    top->addWidget(pauseAll);
    top->addWidget(resumeAll);
    top->addWidget(clearFinished);
    top->addWidget(following);
    top->addStretch();
    top->addWidget(m_filterBox, 1);

    m_linksBox->setObjectName(QStringLiteral("linksBox"));
    m_linksBox->setPlaceholderText(QStringLiteral("在此粘贴一个或多个分享链接，每个链接成为一个任务"));
    m_linksBox->setFixedHeight(64);
    auto* add = button(QStringLiteral("添加任务"), "addLinksButton", this);
    auto* paste = new QHBoxLayout;
    paste->addWidget(m_linksBox, 1);
    paste->addWidget(add, 0, Qt::AlignTop);

    m_filter->setSourceModel(&model);
    m_filter->setFilterRole(TaskListModel::FilterTextRole);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_view->setObjectName(QStringLiteral("taskList"));
    m_view->setModel(m_filter);
    m_view->setItemDelegate(m_delegate);
    // Every row has the same height: the view then never asks for the sizes of rows out of sight.
    m_view->setUniformItemSizes(true);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setMouseTracking(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(paste);
    layout->addWidget(m_view, 1);

    connect(pauseAll, &QPushButton::clicked, this, [this] { m_scheduler.pauseAll(); });
    connect(resumeAll, &QPushButton::clicked, this, [this] { m_scheduler.resumeAll(); });
    connect(clearFinished, &QPushButton::clicked, this, [this] {
        m_scheduler.clearFinished();
        m_model.reload();
    });
    connect(following, &QPushButton::clicked, this, &TaskListWindow::subscriptionsRequested);
    connect(m_filterBox, &QLineEdit::textChanged, m_filter, &QSortFilterProxyModel::setFilterFixedString);
    connect(add, &QPushButton::clicked, this, [this] {
        if (addLinks(m_linksBox->toPlainText()) > 0)
            m_linksBox->clear();
    });
    connect(m_delegate, &TaskDelegate::actionTriggered, this, &TaskListWindow::trigger);
    if (covers)
        connect(covers, &CoverCache::coverReady, m_view->viewport(), qOverload<>(&QWidget::update));

    auto* drops = new LinkDrops(this);
    connect(drops, &LinkDrops::textDropped, this, &TaskListWindow::addLinks);
}

int TaskListWindow::addLinks(const QString& text)
{
    return int(m_scheduler.addAll(text.toStdString()).size());
}

void TaskListWindow::trigger(qint64 key, int action)
{
    const int row = m_model.rowOfKey(key);
    const TaskView* task = m_model.task(row);
    if (!task)
        return;
    const QStringList files = m_model.data(m_model.index(row), TaskListModel::FilesRole).toStringList();
    switch (action) {
    case TaskListModel::Open:
        if (!files.isEmpty() && QFileInfo::exists(files.first()))
            QDesktopServices::openUrl(QUrl::fromLocalFile(files.first()));
        break;
    case TaskListModel::OpenFolder:
        if (!files.isEmpty() && QFileInfo(files.first()).dir().exists())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(files.first()).absolutePath()));
        break;
    case TaskListModel::Pause:
        m_scheduler.pause(key);
        break;
    case TaskListModel::Resume:
        m_scheduler.resume(key);
        break;
    case TaskListModel::Retry:
        m_scheduler.retry(key);
        break;
    case TaskListModel::Cancel:
        m_scheduler.cancel(key);
        break;
    case TaskListModel::Redownload:
        m_scheduler.redownload(key);
        break;
    case TaskListModel::Remove:
        removeRecord(key);
        break;
    default:
        break;
    }
}

void TaskListWindow::removeRecord(qint64 key)
{
    const int row = m_model.rowOfKey(key);
    const QStringList files = m_model.data(m_model.index(row), TaskListModel::FilesRole).toStringList();
    bool deleteFiles = false;
    if (!files.isEmpty()) {
        const QString title = m_model.data(m_model.index(row), TaskListModel::TitleRole).toString();
        const int answer = m_dialogs.choose(
            QStringLiteral("删除“%1”的记录。\n已下载的文件也一起删除吗？").arg(title),
            QStringLiteral("删除记录"),
            {QStringLiteral("删除记录和文件"), QStringLiteral("只删除记录"), QStringLiteral("取消")});
        if (answer != 0 && answer != 1)
            return;
        deleteFiles = answer == 0;
    }
    m_scheduler.remove(key, deleteFiles);
    // The scheduler tells the list too; a record only in the history (not known to it) goes here.
    m_model.taskRemoved(key);
}

} // namespace quorvane
