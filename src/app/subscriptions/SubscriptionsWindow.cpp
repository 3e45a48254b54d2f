#include "app/subscriptions/SubscriptionsWindow.h"

#include "app/subscriptions/SubscriptionCenter.h"
#include "app/widgets/LinkDrops.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

namespace quorvane {

namespace {
enum Column
{
    KindColumn,
    NameColumn,
    CheckedColumn,
    ErrorColumn,
    LinkColumn,
    ColumnCount
};

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    return result;
}

QString checkedText(std::int64_t seconds)
{
    if (seconds <= 0)
        return QStringLiteral("尚未检查");
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
} // namespace

SubscriptionsWindow::SubscriptionsWindow(SubscriptionCenter& center, QWidget* parent)
    : QWidget(parent, Qt::Window), m_center(center), m_table(new QTableWidget(0, ColumnCount, this)),
      m_linkBox(new QLineEdit(this)), m_add(button(QStringLiteral("添加"), "addSubscriptionButton", this)),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("SubscriptionsWindow"));
    setWindowTitle(QStringLiteral("订阅"));
    resize(760, 420);

    m_linkBox->setObjectName(QStringLiteral("subscriptionLinkBox"));
    m_linkBox->setPlaceholderText(QStringLiteral("粘贴创作者主页、合集、音乐或直播间的分享链接"));
    m_linkBox->setClearButtonEnabled(true);
    auto* top = new QHBoxLayout;
    top->addWidget(m_linkBox, 1);
    top->addWidget(m_add);

    m_table->setObjectName(QStringLiteral("subscriptionTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("类型"), QStringLiteral("名称"),
                                        QStringLiteral("上次检查"), QStringLiteral("上次错误"),
                                        QStringLiteral("链接")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* remove = button(QStringLiteral("删除"), "removeSubscriptionButton", this);
    auto* check = button(QStringLiteral("立即检查"), "checkSubscriptionsButton", this);
    m_status->setObjectName(QStringLiteral("subscriptionStatus"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(remove);
    bottom->addWidget(check);
    bottom->addWidget(m_status, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);

    const auto addPasted = [this] {
        const QString text = m_linkBox->text().trimmed();
        if (text.isEmpty())
            return;
        m_add->setEnabled(false);
        m_status->setText(QStringLiteral("正在识别链接……"));
        m_center.add(text);
    };
    connect(m_add, &QPushButton::clicked, this, addPasted);
    connect(m_linkBox, &QLineEdit::returnPressed, this, addPasted);
    connect(remove, &QPushButton::clicked, this, &SubscriptionsWindow::removeSelected);
    connect(check, &QPushButton::clicked, this, [this] {
        m_status->setText(QStringLiteral("正在检查……"));
        m_checkAsked = true;
        m_center.checkNow(true);
    });
    connect(&m_center, &SubscriptionCenter::listChanged, this, &SubscriptionsWindow::fill);
    connect(&m_center, &SubscriptionCenter::addFinished, this, [this](const QString& message, bool added) {
        m_add->setEnabled(true);
        m_status->setText(message);
        if (added)
            m_linkBox->clear();
    });
    // Only the round the user asked for is told: the timer's would cover what an add said.
    connect(&m_center, &SubscriptionCenter::roundFinished, this, [this](int checked) {
        if (std::exchange(m_checkAsked, false))
            m_status->setText(QStringLiteral("已检查 %1 个订阅").arg(checked));
    });
    auto* drops = new LinkDrops(this);
    connect(drops, &LinkDrops::textDropped, this, [this, addPasted](const QString& text) {
        m_linkBox->setText(text);
        addPasted();
    });
    if (!m_center.notice().isEmpty())
        m_status->setText(m_center.notice());
    fill();
}

void SubscriptionsWindow::fill()
{
    const std::vector<Subscription>& all = m_center.subscriptions();
    m_table->setRowCount(int(all.size()));
    for (int row = 0; row < int(all.size()); ++row) {
        const Subscription& subscription = all[std::size_t(row)];
        const QString name =
            QString::fromStdString(subscription.name.empty() ? subscription.id : subscription.name);
        const QString texts[ColumnCount] = {QString::fromUtf8(subscriptionKindLabel(subscription.kind)), name,
                                            checkedText(subscription.lastChecked),
                                            QString::fromStdString(subscription.lastError),
                                            QString::fromStdString(subscription.link)};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
}

void SubscriptionsWindow::removeSelected()
{
    const int row = m_table->currentRow();
    const std::vector<Subscription>& all = m_center.subscriptions();
    if (row < 0 || row >= int(all.size()))
        return;
    m_center.remove(all[std::size_t(row)]);
}

} // namespace quorvane
