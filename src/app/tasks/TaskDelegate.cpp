#include "app/tasks/TaskDelegate.h"

#include "app/main/ProgressStrip.h"
#include "app/tasks/CoverCache.h"
#include "app/tasks/TaskListModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace quorvane {

namespace {
constexpr int kMargin = 8;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 4;
constexpr int kBarHeight = 6;
} // namespace

TaskDelegate::TaskDelegate(CoverCache* covers, QObject* parent)
    : QStyledItemDelegate(parent), m_covers(covers)
{}

QSize TaskDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width() > 0 ? option.rect.width() : 600, kRowHeight};
}

QString TaskDelegate::formatDuration(qint64 seconds)
{
    if (seconds < 0)
        return {};
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

QList<QPair<int, QRect>> TaskDelegate::actionRects(const QRect& row, const QList<int>& actions,
                                                   const QFontMetrics& metrics)
{
    QList<QPair<int, QRect>> rects;
    int right = row.right() - kMargin;
    const int top = row.top() + (row.height() - kButtonHeight) / 2;
    for (qsizetype i = actions.size() - 1; i >= 0; --i) {
        const int width = metrics.horizontalAdvance(TaskListModel::actionText(actions[i])) + 16;
        rects.prepend({actions[i], QRect(right - width + 1, top, width, kButtonHeight)});
        right -= width + kButtonGap;
    }
    return rects;
}

void TaskDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, option.widget);

    const QRect row = option.rect;
    painter->save();
    const QRect coverRect(row.left() + kMargin, row.top() + (row.height() - kCoverSide) / 2, kCoverSide,
                          kCoverSide);
    const QPixmap cover = m_covers ? m_covers->cover(index.data(TaskListModel::PostIdRole).toString(),
                                                     index.data(TaskListModel::CoverUrlRole).toString())
                                   : QPixmap();
    if (!cover.isNull()) {
        const QPixmap scaled = cover.scaled(coverRect.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter->drawPixmap(coverRect.left() + (kCoverSide - scaled.width()) / 2,
                            coverRect.top() + (kCoverSide - scaled.height()) / 2, scaled);
    } else {
        painter->fillRect(coverRect, option.palette.color(QPalette::AlternateBase));
    }

    const QFontMetrics metrics(option.font);
    const auto buttons =
        actionRects(row, index.data(TaskListModel::ActionsRole).value<QList<int>>(), metrics);
    const int textLeft = coverRect.right() + kMargin;
    const int textRight = (buttons.isEmpty() ? row.right() : buttons.first().second.left()) - kMargin;
    const int textWidth = std::max(0, textRight - textLeft);
    const QColor text = option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                   : QPalette::Text);

    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(text);
    const int lineHeight = metrics.height();
    const QString title = index.data(TaskListModel::TitleRole).toString().simplified();
    painter->drawText(QRect(textLeft, row.top() + 6, textWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(bold).elidedText(title, Qt::ElideRight, textWidth));

    // Second line: author, state, size; while running also speed and time left.
    QStringList parts;
    const QString author = index.data(TaskListModel::AuthorRole).toString();
    if (!author.isEmpty())
        parts << author;
    parts << index.data(TaskListModel::StateTextRole).toString();
    const qint64 size = index.data(TaskListModel::SizeRole).toLongLong();
    const qint64 received = index.data(TaskListModel::ReceivedRole).toLongLong();
    const bool running = index.data(TaskListModel::StateRole).toInt() == int(TaskState::Running);
    if (running && size > 0)
        parts << ProgressStrip::formatBytes(received) + QStringLiteral(" / ") +
                     ProgressStrip::formatBytes(size);
    else if (size > 0)
        parts << ProgressStrip::formatBytes(size);
    const double speed = index.data(TaskListModel::SpeedRole).toDouble();
    if (speed > 0)
        parts << ProgressStrip::formatBytes(qint64(speed)) + QStringLiteral("/s");
    const QString left = formatDuration(index.data(TaskListModel::SecondsLeftRole).toLongLong());
    if (!left.isEmpty())
        parts << QStringLiteral("剩余 ") + left;
    const QString error = index.data(TaskListModel::ErrorRole).toString();
    if (!error.isEmpty())
        parts << error;
    painter->setFont(option.font);
    painter->drawText(QRect(textLeft, row.top() + 8 + lineHeight, textWidth, lineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(parts.join(QStringLiteral(" · ")), Qt::ElideRight, textWidth));

    const int state = index.data(TaskListModel::StateRole).toInt();
    const bool showBar = state == int(TaskState::Running) || state == int(TaskState::Paused) ||
                         state == int(TaskState::Queued);
    if (showBar && !index.data(TaskListModel::AlreadyDownloadedRole).toBool()) {
        QStyleOptionProgressBar bar;
        bar.rect = QRect(textLeft, row.bottom() - kBarHeight - 6, textWidth, kBarHeight);
        bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
        bar.minimum = 0;
        const int progress = index.data(TaskListModel::ProgressRole).toInt();
        bar.maximum = 1000;
        bar.progress = std::max(0, progress);
        bar.textVisible = false;
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
    }

    for (const auto& [action, rect] : buttons) {
        QStyleOptionButton button;
        button.rect = rect;
        button.text = TaskListModel::actionText(action);
        button.state = QStyle::State_Enabled | QStyle::State_Raised;
        button.fontMetrics = metrics;
        style->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
    }
    painter->restore();
}

bool TaskDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                               const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const auto buttons =
                actionRects(option.rect, index.data(TaskListModel::ActionsRole).value<QList<int>>(),
                            QFontMetrics(option.font));
            for (const auto& [action, rect] : buttons) {
                if (rect.contains(mouse->position().toPoint())) {
                    emit actionTriggered(index.data(TaskListModel::KeyRole).toLongLong(), action);
                    return true;
                }
            }
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace quorvane
