#include "editor_ui/window/backup_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString Count(const BackupRow& row, int count)
{
    if (!row.counted)
        return QStringLiteral("...");
    return count < 0 ? QStringLiteral("?") : QString::number(count);
}

}  // namespace

CBackupWindow::CBackupWindow(QWidget* parent, std::vector<BackupRow> rows) : QDialog(parent), m_Rows(std::move(rows))
{
    setWindowTitle(QStringLiteral("Open Backup"));
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("backups"));
    m_pList->setRootIsDecorated(false);
    m_pList->setHeaderLabels({"Date", "Kind", "Model", "TV", "Radio", "Satellites"});
    for (const BackupRow& row : m_Rows) {
        auto* item = new QTreeWidgetItem(m_pList, {QString::fromStdString(row.time), QString::fromStdString(row.kind),
                                                   QString::fromStdString(row.model), Count(row, row.tv),
                                                   Count(row, row.radio), Count(row, row.satellites)});
        item->setToolTip(0, QString::fromStdString(row.path.string()));
        for (int column = 3; column < 6; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_pList->setCurrentItem(m_pList->topLevelItem(0));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Open)->setEnabled(!m_Rows.empty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
    resize(620, 360);
    m_pCounter = std::make_unique<CBackupCounter>(m_Rows, [this](size_t index, const BackupRow& row) {
        QMetaObject::invokeMethod(this, [this, index, row] { ShowCounts(index, row); }, Qt::QueuedConnection);
    });
}

void CBackupWindow::ShowCounts(size_t index, const BackupRow& row)
{
    m_Rows[index] = row;
    QTreeWidgetItem* item = m_pList->topLevelItem(int(index));
    item->setText(2, QString::fromStdString(row.model));
    item->setText(3, Count(row, row.tv));
    item->setText(4, Count(row, row.radio));
    item->setText(5, Count(row, row.satellites));
}

std::optional<std::filesystem::path> CBackupWindow::Chosen() const
{
    const int row = m_pList->indexOfTopLevelItem(m_pList->currentItem());
    if (row < 0)
        return std::nullopt;
    return m_Rows[size_t(row)].path;
}

std::optional<std::filesystem::path> RunOpenBackupWindow(QWidget* parent, std::vector<BackupRow> rows)
{
    CBackupWindow window(parent, std::move(rows));
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.Chosen();
}
