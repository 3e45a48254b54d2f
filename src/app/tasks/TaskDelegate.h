#pragma once

#include <QList>
#include <QPair>
#include <QRect>
#include <QStyledItemDelegate>

namespace quorvane {

class CoverCache;

// Paints one row of the download list (cover, title and author, state with a progress bar, speed and
// time left, size, and the buttons of the actions that fit the row's state) and turns a click on a
// button into actionTriggered. No widget exists per row.
class TaskDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kRowHeight = 64;
    static constexpr int kCoverSide = 48;

    // `covers` may be null: rows then show no pictures.
    explicit TaskDelegate(CoverCache* covers, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where each action's button lies in a row drawn in `row`, right-aligned, in the order given.
    static QList<QPair<int, QRect>> actionRects(const QRect& row, const QList<int>& actions,
                                                const QFontMetrics& metrics);
    // "12:05", "1:02:03"; empty for an unknown time.
    static QString formatDuration(qint64 seconds);

signals:
    void actionTriggered(qint64 key, int action);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    CoverCache* m_covers;
};

} // namespace quorvane
