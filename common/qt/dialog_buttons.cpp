#include "common/qt/dialog_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

QPushButton* AddOkCancelRow(QDialog* dialog, QBoxLayout* layout, std::function<void()> onOk)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    if (onOk)
        QObject::connect(ok, &QPushButton::clicked, dialog, [onOk = std::move(onOk)] { onOk(); });
    else
        QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return ok;
}
