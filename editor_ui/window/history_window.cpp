#include "editor_ui/window/history_window.h"

#include "common/qt/latin1.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
class CHistoryModel : public QAbstractTableModel {
public:
    CHistoryModel(const CChangeHistory& history, QObject* parent) : QAbstractTableModel(parent), m_History(history) {}
    void Reset()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_History.Size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QString("Time") : QString("Change");
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || size_t(index.row()) >= m_History.Size())
            return {};
        const size_t row = size_t(index.row());
        const HistoryEntry& entry = m_History.Entry(row);
        switch (role) {
        case Qt::DisplayRole: {
            if (index.column() == 1)
                return Latin1ToQString(entry.description);
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(entry.time.time_since_epoch());
            return QDateTime::fromSecsSinceEpoch(seconds.count()).toString("HH:mm:ss");
        }
        case Qt::FontRole: {
            QFont font;
            font.setBold(row == m_History.Position());
            return font;
        }
        case Qt::ForegroundRole:
            return row > m_History.Position() ? QVariant(QColor(Qt::gray)) : QVariant();
        default:
            return {};
        }
    }

private:
    const CChangeHistory& m_History;
};
}

CHistoryWindow::CHistoryWindow(CEditorController& controller, QWidget* parent)
    : QDialog(parent), m_Controller(controller)
{
    setWindowTitle("History");
    m_pModel = new CHistoryModel(controller.History(), this);
    m_pSteps = new QTableView(this);
    m_pSteps->setModel(m_pModel);
    m_pSteps->setAccessibleName("Changes");
    m_pSteps->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pSteps->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pSteps->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pSteps->verticalHeader()->hide();
    m_pSteps->horizontalHeader()->setStretchLastSection(true);
    m_pSteps->setShowGrid(false);
    connect(m_pSteps, &QTableView::activated, this, [this] { GoToChosen(); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* goTo = buttons->addButton("Go To", QDialogButtonBox::ActionRole);
    connect(goTo, &QPushButton::clicked, this, [this] { GoToChosen(); });
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSteps, 1);
    layout->addWidget(buttons);
    resize(420, 360);
}

void CHistoryWindow::Refresh()
{
    static_cast<CHistoryModel*>(m_pModel)->Reset();
    m_pSteps->resizeColumnToContents(0);
    const QModelIndex current = m_pModel->index(int(m_Controller.History().Position()), 0);
    m_pSteps->setCurrentIndex(current);
    m_pSteps->scrollTo(current);
}

void CHistoryWindow::GoToChosen()
{
    const QModelIndex chosen = m_pSteps->currentIndex();
    if (chosen.isValid())
        m_Controller.GoToChange(size_t(chosen.row()));
}
