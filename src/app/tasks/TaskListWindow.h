#pragma once

#include <QWidget>

class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;

namespace quorvane {

class CoverCache;
class Dialogs;
class Scheduler;
class TaskDelegate;
class TaskListModel;

// The window 下载列表: the tasks of the scheduler and the records of the history, one row each, with the
// buttons above the list (全部暂停, 全部继续, 清除已完成), a filter over titles and authors, and a box that
// takes a paste of many links. Links or text dropped on it become tasks.
class TaskListWindow : public QWidget
{
    Q_OBJECT

public:
    TaskListWindow(Scheduler& scheduler, TaskListModel& model, CoverCache* covers, Dialogs& dialogs,
                   QWidget* parent = nullptr);

    QListView* view() const { return m_view; }
    TaskDelegate* delegate() const { return m_delegate; }
    QSortFilterProxyModel* filterModel() const { return m_filter; }

    // What a row's button does, by the task's key.
    void trigger(qint64 key, int action);
    // Every link in the text becomes a task; returns how many.
    int addLinks(const QString& text);

signals:
    // The button 订阅: the window of the followed lists and rooms.
    void subscriptionsRequested();

private:
    void removeRecord(qint64 key);

    Scheduler& m_scheduler;
    TaskListModel& m_model;
    Dialogs& m_dialogs;
    QSortFilterProxyModel* m_filter;
    QListView* m_view;
    TaskDelegate* m_delegate;
    QLineEdit* m_filterBox;
    QPlainTextEdit* m_linksBox;
};

} // namespace quorvane
