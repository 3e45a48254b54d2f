#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quorvane {

class SubscriptionCenter;

// The window 订阅: the followed creators, collections, musics and live rooms, one row each (kind, name,
// last check, its error, the link), a box that takes a pasted link with 添加, 删除 for the selected row and
// 立即检查 for a round over all of them.
class SubscriptionsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SubscriptionsWindow(SubscriptionCenter& center, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    void fill();
    void removeSelected();

    SubscriptionCenter& m_center;
    QTableWidget* m_table;
    QLineEdit* m_linkBox;
    QPushButton* m_add;
    QLabel* m_status;
    bool m_checkAsked = false; // 立即检查 clicked: its round's end is told
};

} // namespace quorvane
