#include "editor_ui/window/find_bar.h"

#include "common/qt/latin1.h"
#include "editor_ui/window/flow_layout.h"
#include "settings/service_purge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kAny = -1;

// A box shows its own name while it filters nothing.
QComboBox* MakeBox(QWidget* parent, const QString& name, int width)
{
    auto* box = new QComboBox(parent);
    box->setAccessibleName(name);
    box->setToolTip(name);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(3);
    box->setFixedWidth(width);
    return box;
}

// The box's entries: "any" first, then the choices; the current entry is `value`'s.
void Fill(QComboBox* box, const QString& any, const std::vector<FilterChoice>& choices, int value)
{
    QSignalBlocker block(box);
    box->clear();
    box->addItem(any, kAny);
    for (const FilterChoice& choice : choices)
        box->addItem(Latin1ToQString(choice.text).simplified(), choice.value);
    box->setCurrentIndex(std::max(0, box->findData(value)));
}

void FillFlag(QComboBox* box, const QString& any, const QString& set, const QString& clear, FlagFilter value)
{
    Fill(box, any, {{int(FlagFilter::Set), set.toStdString()}, {int(FlagFilter::Clear), clear.toStdString()}},
         value == FlagFilter::Any ? kAny : int(value));
}

FlagFilter FlagOf(const QComboBox* box)
{
    const int value = box->currentData().toInt();
    return value == kAny ? FlagFilter::Any : FlagFilter(value);
}
}

CFindBar::CFindBar(CEditorController& controller, QWidget* parent) : QWidget(parent), m_Controller(controller)
{
    m_pText = new QLineEdit(this);
    m_pText->setAccessibleName("Find");
    m_pText->setPlaceholderText("Service name");
    m_pText->installEventFilter(this);
    connect(m_pText, &QLineEdit::textEdited, this, [this] {
        if (m_pByName->isChecked())
            ApplyFilter();
        FindText(FindStep::Here);
    });
    connect(m_pText, &QLineEdit::returnPressed, this, [this] { FindText(FindStep::Next); });
    auto* next = new QToolButton(this);
    next->setText("Next");
    next->setToolTip("Find the next service (Enter, F3)");
    connect(next, &QToolButton::clicked, this, [this] { FindText(FindStep::Next); });
    auto* previous = new QToolButton(this);
    previous->setText("Previous");
    previous->setToolTip("Find the previous service (Shift+F3)");
    connect(previous, &QToolButton::clicked, this, [this] { FindText(FindStep::Previous); });
    m_pByName = new QCheckBox("Filter by name", this);
    connect(m_pByName, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
    m_pStatus = new QLabel(this);
    m_pStatus->setAccessibleName("Find Status");
    m_pShown = new QLabel(this);
    m_pShown->setAccessibleName("Shown Services");
    auto* close = new QToolButton(this);
    close->setText("Close");
    close->setToolTip("Close the find bar (Escape)");
    connect(close, &QToolButton::clicked, this, &CFindBar::Close);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel("Find :", this));
    findRow->addWidget(m_pText, 1);
    findRow->addWidget(next);
    findRow->addWidget(previous);
    findRow->addWidget(m_pByName);
    findRow->addWidget(m_pStatus);
    findRow->addWidget(m_pShown);
    findRow->addStretch();
    findRow->addWidget(close);

    // The boxes wrap onto a second row where the window is too narrow for one.
    m_pFilterRow = new QWidget(this);
    auto* filterRow = new CFlowLayout(m_pFilterRow);
    filterRow->setContentsMargins(0, 0, 0, 0);
    filterRow->addWidget(new QLabel("Filter :", m_pFilterRow));
    m_pSat = MakeBox(m_pFilterRow, "Satellite", 115);
    m_pTp = MakeBox(m_pFilterRow, "Transponder", 75);
    m_pProvider = MakeBox(m_pFilterRow, "Provider", 80);
    m_pCas = MakeBox(m_pFilterRow, "CAS/FTA", 85);
    m_pLock = MakeBox(m_pFilterRow, "Lock", 70);
    m_pSkip = MakeBox(m_pFilterRow, "Skip", 70);
    m_pFav = MakeBox(m_pFilterRow, "Favorite Group", 75);
    for (QComboBox* box : {m_pSat, m_pTp, m_pProvider, m_pCas, m_pLock, m_pSkip, m_pFav}) {
        filterRow->addWidget(box);
        connect(box, &QComboBox::activated, this, [this] { ApplyFilter(); });
    }
    auto* clear = new QToolButton(m_pFilterRow);
    clear->setText("Clear");
    clear->setToolTip("Show every service again");
    connect(clear, &QToolButton::clicked, this, [this] {
        m_pByName->setChecked(false);
        m_Controller.SetFilter(Kind(), {});
    });
    filterRow->addWidget(clear);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addLayout(findRow);
    layout->addWidget(m_pFilterRow);
    hide();
}

void CFindBar::Open()
{
    Sync();
    show();
    m_pText->setFocus();
    m_pText->selectAll();
}

void CFindBar::Close()
{
    for (SvcKind kind : {kTvKind, kRadioKind})
        if (m_Controller.Filter(kind).Active())
            m_Controller.SetFilter(kind, {});
    m_pByName->setChecked(false);
    hide();
    emit Closed();
}

void CFindBar::Sync()
{
    if (isHidden() && !m_Controller.Held())
        return;
    m_pFilterRow->setVisible(ServiceView());
    if (!ServiceView())
        return;
    const COrvanel1Doc& doc = m_Controller.Doc();
    const SvcKind kind = Kind();
    const SvcFilter& filter = m_Controller.Filter(kind);
    Fill(m_pSat, "Satellite", SatChoices(doc), filter.sat);
    Fill(m_pTp, "TP", TpChoices(doc, filter.sat), filter.tp);
    Fill(m_pProvider, "Provider", ProviderChoices(doc, kind), filter.provider);
    FillFlag(m_pCas, "CAS/FTA", "CAS", "FTA", filter.cas);
    FillFlag(m_pLock, "Lock", "Locked", "Not Locked", filter.locked);
    FillFlag(m_pSkip, "Skip", "Skipped", "Not Skipped", filter.skipped);
    Fill(m_pFav, "Group", FavGroupChoices(doc), filter.favGroup);
    QSignalBlocker block(m_pByName);
    m_pByName->setChecked(!filter.text.empty());
    m_pShown->setText(filter.Active() ? QString("%1 of %2 shown").arg(m_Controller.ShownCount(kind)).arg(SvcCount(doc, kind))
                                      : QString());
}

void CFindBar::FindText(FindStep step)
{
    const std::string text = QStringToLatin1(m_pText->text());
    const bool found = text.empty() || m_Controller.Find(text, step);
    m_pStatus->setText(found ? QString() : QString("Not found"));
    m_pStatus->setStyleSheet(found ? QString() : QString("color: red"));
}

void CFindBar::ApplyFilter()
{
    if (!ServiceView())
        return;
    SvcFilter filter;
    filter.sat = m_pSat->currentData().toInt();
    filter.tp = filter.sat == m_Controller.Filter(Kind()).sat ? m_pTp->currentData().toInt() : kAny;
    filter.provider = m_pProvider->currentData().toInt();
    filter.cas = FlagOf(m_pCas);
    filter.locked = FlagOf(m_pLock);
    filter.skipped = FlagOf(m_pSkip);
    filter.favGroup = m_pFav->currentData().toInt();
    if (m_pByName->isChecked())
        filter.text = QStringToLatin1(m_pText->text());
    m_Controller.SetFilter(Kind(), std::move(filter));
    Sync();
}

// F3 belongs to the radio view everywhere else; in the text it finds.
bool CFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pText || (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F3 && key->key() != Qt::Key_Escape)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (key->key() == Qt::Key_Escape)
        Close();
    else
        FindText(key->modifiers() & Qt::ShiftModifier ? FindStep::Previous : FindStep::Next);
    return true;
}
