#include "editor_ui/dialogs/tp_update_dialog.h"

#include "common/qt/dialog_buttons.h"
#include "editor_ui/core/tp_update.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

bool Expanded(tables::PlanPart part)
{
    return part == tables::PlanPart::Add || part == tables::PlanPart::Change || part == tables::PlanPart::Unlisted ||
           part == tables::PlanPart::NotHeld;
}

}  // namespace

CTpUpdateDlg::CTpUpdateDlg(QWidget* parent, CTpTableUpdate& update) : QDialog(parent), m_Update(update)
{
    setWindowTitle(QStringLiteral("Update Transponders from Table"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Satellite :"), new QLabel(Utf8(update.SatelliteText()), this));
    form->addRow(QStringLiteral("Table :"), new QLabel(Utf8(update.TableText()), this));
    m_pTableSat = new QComboBox(this);
    m_pTableSat->setObjectName(QStringLiteral("tableSat"));
    for (const std::string& line : update.TableSatellites())
        m_pTableSat->addItem(Utf8(line));
    m_pTableSat->setCurrentIndex(update.TableSat());
    m_pTableSat->setEnabled(m_pTableSat->count() > 1);
    form->addRow(QStringLiteral("Table's satellite :"), m_pTableSat);
    layout->addLayout(form);
    m_pSummary = new QLabel(this);
    m_pSummary->setObjectName(QStringLiteral("summary"));
    m_pSummary->setWordWrap(true);
    layout->addWidget(m_pSummary);
    m_pPlan = new QTreeWidget(this);
    m_pPlan->setObjectName(QStringLiteral("plan"));
    m_pPlan->setHeaderHidden(true);
    m_pPlan->setUniformRowHeights(true);
    // Long lines scroll rather than end in dots.
    m_pPlan->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pPlan->header()->setStretchLastSection(false);
    layout->addWidget(m_pPlan, 1);
    m_pOk = AddOkCancelRow(this, layout);
    m_pOk->setText(QStringLiteral("Update"));
    connect(m_pTableSat, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_Update.ChooseTableSat(index);
        Fill();
    });
    connect(m_pPlan, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { OnItemChanged(item); });
    setMinimumSize(600, 460);
    Fill();
}

void CTpUpdateDlg::Fill()
{
    m_bFilling = true;
    m_pPlan->clear();
    for (int p = 0; p < int(tables::PlanPart::Count); ++p) {
        const auto part = tables::PlanPart(p);
        const std::vector<std::string> lines = m_Update.Lines(part);
        if (lines.empty())
            continue;
        auto* group = new QTreeWidgetItem(m_pPlan, {Utf8(m_Update.PartTitle(part))});
        for (size_t i = 0; i < lines.size(); ++i) {
            auto* item = new QTreeWidgetItem(group, {Utf8(lines[i])});
            if (part != tables::PlanPart::Unlisted)
                continue;
            item->setData(0, Qt::UserRole, qulonglong(i));
            item->setFlags(m_Update.CanTick(i) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                                               : Qt::ItemIsSelectable);
            item->setCheckState(0, m_Update.Ticked(i) ? Qt::Checked : Qt::Unchecked);
        }
        group->setExpanded(Expanded(part));
    }
    m_bFilling = false;
    ShowSummary();
}

void CTpUpdateDlg::OnItemChanged(QTreeWidgetItem* item)
{
    if (m_bFilling || !item->parent() || !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    const size_t index = size_t(item->data(0, Qt::UserRole).toULongLong());
    m_Update.SetTick(index, item->checkState(0) == Qt::Checked);
    ShowSummary();
}

void CTpUpdateDlg::ShowSummary()
{
    m_pSummary->setText(Utf8(m_Update.Summary()));
    m_pOk->setEnabled(m_Update.CanApply());
}

bool RunTpUpdateDialog(QWidget* parent, CTpTableUpdate& update)
{
    CTpUpdateDlg dialog(parent, update);
    return dialog.exec() == QDialog::Accepted;
}
