#include "common/qt/testing/modal_dialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

void OnModalDialog(std::function<void(QDialog*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || qobject_cast<QMessageBox*>(dialog))
            return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start(5);
}
