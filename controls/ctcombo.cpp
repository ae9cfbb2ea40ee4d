#include "controls/ctcombo.h"

#include "controls/proportionalcolumns.h"
#include "controls/rowmodel.h"

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
    : QWidget(parent), entries_(new RowModel(this)), edit_(new QLineEdit(this)),
      dropButton_(new QToolButton(this)), dropDown_(createDropDownView()),
      dropDownColumns_(new ProportionalColumns(dropDown_->header(), dropDown_->viewport())),
      completer_(new QCompleter(entries_, this))
{
    dropButton_->setArrowType(Qt::DownArrow);
    dropButton_->setFocusPolicy(Qt::NoFocus);
    dropButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_);
    layout->addWidget(dropButton_);
    setFocusProxy(edit_);

    // The completer drives the drop-down, but the edit part is not handed to it as a line
    // edit: its text then changes only when the user types or picks an entry, never while
    // the user merely moves through the drop-down.
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setFilterMode(Qt::MatchContains);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionRole(RowModel::SearchTextRole);
    completer_->setPopup(dropDown_);
    completer_->setWidget(edit_);

    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::textEdited, this, &CtCombo::narrowTo);
    connect(dropButton_, &QToolButton::clicked, this, [this] { showDropDown(QString()); });
    // Enter takes the one entry that the typed text leaves.
    connect(edit_, &QLineEdit::returnPressed, this, [this] {
        if (chosen_ < 0 && !edit_->text().isEmpty() && completer_->completionCount() == 1)
            choose(completer_->completionModel()->index(0, 0));
    });
    connect(completer_, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            &CtCombo::choose);
}

void CtCombo::setColumns(const QVector<int> &relativeWidths, QChar separator)
{
    entries_->setColumns(QStringList(qsizetype(relativeWidths.size()), QString()), separator);
    dropDownColumns_->setRelativeWidths(relativeWidths);
    chosen_ = -1;
}

int CtCombo::selectedIndex() const
{
    return chosen_;
}

int CtCombo::entryCount() const
{
    return entries_->rowCount();
}

void CtCombo::addEntry(const QString &text)
{
    entries_->insertRowText(entries_->rowCount(), text);
}

void CtCombo::removeAllEntries()
{
    entries_->removeAll();
    chosen_ = -1;
    edit_->clear();
}

QString CtCombo::keyText(int index) const
{
    return entries_->keyText(index);
}

bool CtCombo::setKeyText(int index, const QString &key)
{
    return entries_->setKeyText(index, key);
}

QString CtCombo::editText() const
{
    return edit_->text();
}

void CtCombo::setEditText(const QString &text)
{
    dropDown_->hide();
    edit_->setText(text);
    chosen_ = -1;
}

QLineEdit *CtCombo::lineEdit() const
{
    return edit_;
}

QAbstractItemView *CtCombo::dropDownView() const
{
    return dropDown_;
}

bool CtCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress && !dropDown_->isVisible() &&
        opensDropDown(static_cast<const QKeyEvent &>(*event))) {
        showDropDown(chosen_ < 0 ? edit_->text() : QString());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Whatever the user types no longer names the chosen entry.
void CtCombo::narrowTo(const QString &typed)
{
    chosen_ = -1;
    if (typed.isEmpty())
        dropDown_->hide();
    else
        showDropDown(typed);
}

void CtCombo::showDropDown(const QString &filter)
{
    completer_->setCompletionPrefix(filter);
    // The drop-down spans the edit part and the button.
    completer_->complete(QRect(0, 0, width(), edit_->height()));
}

void CtCombo::choose(const QModelIndex &completionIndex)
{
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionIndex.model());
    const QModelIndex entry = matches ? matches->mapToSource(completionIndex) : completionIndex;
    if (!entry.isValid())
        return;
    chosen_ = entry.row();
    edit_->setText(entry.data(RowModel::SearchTextRole).toString());
}
