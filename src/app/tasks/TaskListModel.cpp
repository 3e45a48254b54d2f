#include "app/tasks/TaskListModel.h"

#include "pipeline/history/HistoryStore.h"

#include <algorithm>

namespace quorvane {

namespace {
QString utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

qint64 filesSize(const HistoryRecord& record)
{
    qint64 size = 0;
    for (const SavedFile& file : record.files)
        size += file.size;
    return size;
}
} // namespace

TaskListModel::TaskListModel(const HistoryStore* store, int pageSize, QObject* parent)
    : QAbstractListModel(parent), m_store(store), m_pageSize(std::max(1, pageSize)), m_storeExhausted(!store)
{}

int TaskListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

bool TaskListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_storeExhausted;
}

void TaskListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_storeExhausted)
        return;
    const std::vector<HistoryRecord> page = m_store->recent(std::size_t(m_pageSize), m_oldestRead);
    if (!page.empty())
        m_oldestRead = page.back().key;
    m_storeExhausted = page.size() < std::size_t(m_pageSize);
    std::vector<TaskView> fresh;
    fresh.reserve(page.size());
    for (const HistoryRecord& record : page) {
        // A task the scheduler announced meanwhile is already here, with newer news.
        if (rowOfKey(record.key) < 0)
            fresh.push_back(TaskView{record, {}, false});
    }
    if (fresh.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(fresh.size()) - 1);
    std::move(fresh.begin(), fresh.end(), std::back_inserter(m_rows));
    endInsertRows();
}

void TaskListModel::reload()
{
    beginResetModel();
    m_rows.clear();
    m_oldestRead = INT64_MAX;
    m_storeExhausted = !m_store;
    endResetModel();
}

int TaskListModel::rowOfKey(std::int64_t key) const
{
    // Live tasks are the newest, near the top: a plain scan finds them at once.
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].record.key == key)
            return int(i);
    }
    return -1;
}

const TaskView* TaskListModel::task(int row) const
{
    return row >= 0 && std::size_t(row) < m_rows.size() ? &m_rows[std::size_t(row)] : nullptr;
}

void TaskListModel::taskChanged(const TaskView& task)
{
    const int row = rowOfKey(task.record.key);
    if (row >= 0) {
        m_rows[std::size_t(row)] = task;
        const QModelIndex at = index(row);
        emit dataChanged(at, at);
        return;
    }
    // Rows stay newest first (by key). An older record not read yet comes with its page.
    if (task.record.key < m_oldestRead && !m_storeExhausted)
        return;
    const auto place = std::find_if(m_rows.begin(), m_rows.end(),
                                    [&](const TaskView& row) { return row.record.key < task.record.key; });
    const int at = int(place - m_rows.begin());
    beginInsertRows({}, at, at);
    m_rows.insert(place, task);
    endInsertRows();
}

void TaskListModel::taskRemoved(std::int64_t key)
{
    const int row = rowOfKey(key);
    if (row < 0)
        return; // not read yet: the records above the next page are unchanged
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

QList<int> TaskListModel::actionsFor(const TaskView& task)
{
    if (task.alreadyDownloaded)
        return {Open, OpenFolder, Redownload, Remove};
    switch (task.record.state) {
    case TaskState::Queued:
    case TaskState::Running:
        return {Pause, Cancel};
    case TaskState::Paused:
        return {Resume, Cancel, Remove};
    case TaskState::Done:
        return task.record.files.empty() ? QList<int>{Remove} : QList<int>{Open, OpenFolder, Remove};
    case TaskState::Failed:
    case TaskState::Cancelled:
        return {Retry, Remove};
    }
    return {Remove};
}

QString TaskListModel::actionText(int action)
{
    switch (action) {
    case Open:
        return QStringLiteral("打开");
    case OpenFolder:
        return QStringLiteral("打开文件夹");
    case Pause:
        return QStringLiteral("暂停");
    case Resume:
        return QStringLiteral("继续");
    case Retry:
        return QStringLiteral("重试");
    case Cancel:
        return QStringLiteral("取消");
    case Remove:
        return QStringLiteral("删除记录");
    case Redownload:
        return QStringLiteral("重新下载");
    default:
        return {};
    }
}

QString TaskListModel::stateText(const TaskView& task)
{
    if (task.alreadyDownloaded)
        return QStringLiteral("已下载过");
    switch (task.record.state) {
    case TaskState::Queued:
        return QStringLiteral("等待中");
    case TaskState::Running:
        return task.progress.total > 0 || task.progress.received > 0 ? QStringLiteral("下载中")
                                                                     : QStringLiteral("解析中");
    case TaskState::Paused:
        return QStringLiteral("已暂停");
    case TaskState::Done:
        return QStringLiteral("已完成");
    case TaskState::Failed:
        return QStringLiteral("失败");
    case TaskState::Cancelled:
        return QStringLiteral("已取消");
    }
    return {};
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const
{
    const TaskView* row = task(index.row());
    if (!row || index.parent().isValid())
        return {};
    const HistoryRecord& record = row->record;
    const TaskProgress& progress = row->progress;
    const bool running = record.state == TaskState::Running && !row->alreadyDownloaded;
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return record.title.empty() ? utf8(record.link) : utf8(record.title);
    case Qt::ToolTipRole:
        return record.error.empty() ? utf8(record.link) : utf8(record.error);
    case KeyRole:
        return qint64(record.key);
    case AuthorRole:
        return utf8(record.author);
    case StateRole:
        return int(record.state);
    case StateTextRole:
        return stateText(*row);
    case ProgressRole:
        if (record.state == TaskState::Done)
            return 1000;
        return progress.total > 0 ? int(std::min(progress.received, progress.total) * 1000 / progress.total)
                                  : -1;
    case ReceivedRole:
        return qint64(progress.received);
    case TotalRole:
        return qint64(progress.total);
    case SpeedRole:
        return running ? progress.bytesPerSecond : 0.0;
    case SecondsLeftRole:
        if (!running || progress.bytesPerSecond <= 0 || progress.total <= 0)
            return qint64(-1);
        return qint64(double(progress.total - progress.received) / progress.bytesPerSecond + 0.5);
    case SizeRole:
        return record.files.empty() ? qint64(progress.total) : filesSize(record);
    case FilesRole: {
        QStringList paths;
        for (const SavedFile& file : record.files)
            paths << utf8(file.path);
        return paths;
    }
    case ErrorRole:
        return utf8(record.error);
    case CoverUrlRole:
        return utf8(record.coverUrl);
    case PostIdRole:
        return utf8(record.postId);
    case AlreadyDownloadedRole:
        return row->alreadyDownloaded;
    case ActionsRole:
        return QVariant::fromValue(actionsFor(*row));
    case FilterTextRole:
        return utf8(record.title) + QLatin1Char('\n') + utf8(record.author);
    default:
        return {};
    }
}

QHash<int, QByteArray> TaskListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(KeyRole, "key");
    names.insert(TitleRole, "title");
    names.insert(AuthorRole, "author");
    names.insert(StateRole, "state");
    names.insert(ProgressRole, "progress");
    return names;
}

} // namespace quorvane
