#pragma once

#include "pipeline/history/HistoryRecord.h"
#include "pipeline/tasks/TaskView.h"

#include <QAbstractListModel>
#include <QList>

#include <vector>

namespace quorvane {

class HistoryStore;

// One row a task of the download list, newest first: the records of the history, read a page at a time
// as the view scrolls (canFetchMore/fetchMore), and the scheduler's live tasks on top of them.
class TaskListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        KeyRole = Qt::UserRole + 1,
        TitleRole,
        AuthorRole,
        StateRole,       // int(TaskState)
        StateTextRole,   // what the row shows: 下载中, 已完成, 已下载过 …
        ProgressRole,    // 0 to 1000, or -1 when the size is not known
        ReceivedRole,    // qint64 bytes
        TotalRole,       // qint64 bytes, 0 when unknown
        SpeedRole,       // double bytes per second, while running
        SecondsLeftRole, // qint64, -1 when unknown
        SizeRole,        // qint64: the files' sizes, or the total while running
        FilesRole,       // QStringList of paths
        ErrorRole,
        CoverUrlRole,
        PostIdRole,
        AlreadyDownloadedRole,
        ActionsRole,   // QList<int> of TaskAction, in the order they show
        FilterTextRole // title and author, what the filter box matches
    };

    enum TaskAction
    {
        Open,
        OpenFolder,
        Pause,
        Resume,
        Retry,
        Cancel,
        Remove,
        Redownload
    };
    Q_ENUM(TaskAction)

    // Records are read `pageSize` at a time. `store` may be null (history switched off): only live tasks.
    explicit TaskListModel(const HistoryStore* store, int pageSize = 100, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The scheduler's news, on the GUI thread.
    void taskChanged(const TaskView& task);
    void taskRemoved(std::int64_t key);
    // Reads the history afresh (after clearing finished records, say).
    void reload();

    int rowOfKey(std::int64_t key) const;
    const TaskView* task(int row) const;

    static QList<int> actionsFor(const TaskView& task);
    static QString actionText(int action);
    static QString stateText(const TaskView& task);

private:
    const HistoryStore* m_store;
    int m_pageSize;
    std::vector<TaskView> m_rows;
    // The oldest key of the pages read: the next page starts below it.
    std::int64_t m_oldestRead = INT64_MAX;
    bool m_storeExhausted = false;
};

} // namespace quorvane
