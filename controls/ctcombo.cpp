#include "ctcombo.h"

#include "proportionalcolumns.h"
#include "rowmodel.h"

#include <QAbstractProxyModel>
#include <QCompleter>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

namespace {

QTreeView *createDropDownView()
{
    auto *view = new QTreeView;
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->hide();
    return view;
}

bool opensDropDown(const QKeyEvent &key)
{
    return key.key() == Qt::Key_F4 || key.key() == Qt::Key_Down;
}

} // namespace

CtCombo::CtCombo(QWidget *parent)
    : QWidget(parent), m_entries(new RowModel(this)), m_edit(new QLineEdit(this)),
      m_dropButton(new QToolButton(this)), m_dropDown(createDropDownView()),
      m_dropDownColumns(new ProportionalColumns(m_dropDown)),
      m_completer(new QCompleter(m_entries, this))
{
    m_dropButton->setArrowType(Qt::DownArrow);
    m_dropButton->setFocusPolicy(Qt::NoFocus);
    m_dropButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_dropButton);
    setFocusProxy(m_edit);

    // The completer drives the drop-down, but the edit part is not handed to it as a line
    // edit: its text then changes only when the user types or picks an entry, never while
    // the user merely moves through the drop-down.
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionRole(RowModel::SearchTextRole);
    m_completer->setPopup(m_dropDown);
    m_completer->setWidget(m_edit);

    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, &CtCombo::narrowTo);
    connect(m_dropButton, &QToolButton::clicked, this, [this] { showDropDown(QString()); });
    // Enter takes the one entry that the typed text leaves.
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (m_chosen < 0 && !m_edit->text().isEmpty() && m_completer->completionCount() == 1)
            choose(m_completer->completionModel()->index(0, 0));
    });
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            &CtCombo::choose);
}

void CtCombo::setColumns(const QVector<int> &relativeWidths, QChar separator)
{
    m_entries->setColumns(QStringList(qsizetype(relativeWidths.size()), QString()), separator);
    m_dropDownColumns->setRelativeWidths(relativeWidths);
    m_chosen = -1;
}

int CtCombo::selectedIndex() const
{
    return m_chosen;
}

int CtCombo::entryCount() const
{
    return m_entries->rowCount();
}

void CtCombo::addEntry(const QString &text)
{
    m_entries->insertRowText(m_entries->rowCount(), text);
}

void CtCombo::removeAllEntries()
{
    m_entries->removeAll();
    m_chosen = -1;
    m_edit->clear();
}

QString CtCombo::keyText(int index) const
{
    return m_entries->keyText(index);
}

bool CtCombo::setKeyText(int index, const QString &key)
{
    return m_entries->setKeyText(index, key);
}

QString CtCombo::editText() const
{
    return m_edit->text();
}

void CtCombo::setEditText(const QString &text)
{
    m_dropDown->hide();
    m_edit->setText(text);
    m_chosen = -1;
}

QLineEdit *CtCombo::lineEdit() const
{
    return m_edit;
}

QAbstractItemView *CtCombo::dropDownView() const
{
    return m_dropDown;
}

bool CtCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress && !m_dropDown->isVisible() &&
        opensDropDown(static_cast<const QKeyEvent &>(*event))) {
        showDropDown(m_chosen < 0 ? m_edit->text() : QString());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Whatever the user types no longer names the chosen entry.
void CtCombo::narrowTo(const QString &typed)
{
    m_chosen = -1;
    if (typed.isEmpty())
        m_dropDown->hide();
    else
        showDropDown(typed);
}

void CtCombo::showDropDown(const QString &filter)
{
    m_completer->setCompletionPrefix(filter);
    // The drop-down spans the edit part and the button.
    m_completer->complete(QRect(0, 0, width(), m_edit->height()));
}

void CtCombo::choose(const QModelIndex &completionIndex)
{
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionIndex.model());
    const QModelIndex entry = matches ? matches->mapToSource(completionIndex) : completionIndex;
    if (!entry.isValid())
        return;
    m_chosen = entry.row();
    m_edit->setText(entry.data(RowModel::SearchTextRole).toString());
}
