#include "editor_ui/window/orvanel_view.h"

#include "editor_ui/window/fav_view.h"
#include "editor_ui/window/sat_view.h"
#include "editor_ui/window/svc_list_view.h"
#include "editor_ui/window/svc_view.h"

#include <QApplication>
#include <QListView>
#include <QTimer>

COrvanel1View::COrvanel1View(CEditorController& controller, QWidget* parent)
    : QStackedWidget(parent), m_Controller(controller)
{
    m_pEmpty = new QWidget(this);
    m_pSat = new CSatView(controller, this);
    m_pSvc[kTvKind] = new CSvcView(controller, kTvKind, this);
    m_pSvc[kRadioKind] = new CSvcView(controller, kRadioKind, this);
    m_pFav = new CFavView(controller, this);
    for (QWidget* page : {m_pEmpty, static_cast<QWidget*>(m_pSat), static_cast<QWidget*>(m_pSvc[0]),
                          static_cast<QWidget*>(m_pSvc[1]), static_cast<QWidget*>(m_pFav)})
        addWidget(page);
    controller.SetListener(this);
    Refresh(kRefreshAll);
}

void COrvanel1View::Refresh(unsigned parts)
{
    int view = m_Controller.View();
    if (parts & kRefreshView) {
        setCurrentWidget(!m_Controller.Held() ? m_pEmpty
                         : view == kSatView   ? static_cast<QWidget*>(m_pSat)
                         : view == kFavView   ? static_cast<QWidget*>(m_pFav)
                                              : static_cast<QWidget*>(m_pSvc[CEditorController::KindOfView(view)]));
        parts = kRefreshAll;
    }
    if (view == kSatView || (parts & kRefreshSatList))
        m_pSat->Refresh(parts);
    if (view == kTvView || view == kRadioView)
        m_pSvc[CEditorController::KindOfView(view)]->Refresh(parts);
    if (view == kFavView)
        m_pFav->Refresh(parts);
    // A list that came back takes the focus, unless the user is typing in the find bar.
    QWidget* focus = QApplication::focusWidget();
    const bool focusHere = !focus || focus == this || isAncestorOf(focus);
    if ((parts & kRefreshView) || ((parts & kRefreshSvcList) && focusHere)) {
        if (view == kSatView)
            m_pSat->TpList()->setFocus();
        else if (view != kFavView)
            m_pSvc[CEditorController::KindOfView(view)]->List()->setFocus();
    }
    if (parts & kRefreshCommands)
        emit CommandsChanged();
}

void COrvanel1View::BeginRename(SvcKind kind, uint32_t pos)
{
    m_pSvc[kind]->List()->BeginRename(pos);
}

void COrvanel1View::WakeAfter(std::chrono::milliseconds delay)
{
    QTimer::singleShot(delay, this, [this] { m_Controller.KeepRecovery(std::chrono::steady_clock::now()); });
}
