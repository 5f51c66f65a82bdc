// List boxes and combo boxes.
#include "platform/forms/controls.h"

#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>

using namespace formsp;

namespace {
constexpr int kItemDataRole = Qt::UserRole + 1;

// Where a sorted list puts a new item: after the items that sort before or
// equal to it, comparing without regard to case.
int sortedPosition(int count, const std::function<QString(int)>& at, const QString& item)
{
    int pos = 0;
    while (pos < count && QString::compare(at(pos), item, Qt::CaseInsensitive) <= 0) ++pos;
    return pos;
}
} // namespace

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Container* parent) : Control(parent, new QListWidget)
{
    auto* l = static_cast<QListWidget*>(widget());
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setUniformItemSizes(true);
    hookWidget(l->viewport());
    QObject::connect(l, &QListWidget::currentRowChanged, [this](int) { selectionChangedByWidget(); });
    setBackColor(0x80000005);
    setForeColor(0x80000008);
}

void ListBox::selectionChangedByWidget()
{
    auto* l = static_cast<QListWidget*>(widget());
    int idx = l->currentRow();
    if (idx == lastIndex_) return;
    lastIndex_ = idx;
    if (muteClick_ || eventsBlocked() || (form() && form()->unloading())) return;
    fireClick();
}

void ListBox::AddItem(const std::string& item, int index)
{
    auto* l = static_cast<QListWidget*>(widget());
    int n = l->count();
    QString text = qs(item);
    int pos;
    if (index >= 0 && index <= n) pos = index;
    else if (index > n) return;  // the old list refused a place past the end
    else if (sorted_) pos = sortedPosition(n, [l](int i) { return l->item(i)->text(); }, text);
    else pos = n;
    muteClick_ = true;
    l->insertItem(pos, text);
    muteClick_ = false;
    lastIndex_ = l->currentRow();
}

void ListBox::RemoveItem(int index)
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return;
    bool wasSelected = l->currentRow() == index;
    muteClick_ = true;
    delete l->takeItem(index);
    // Removing the selected item leaves none selected.
    if (wasSelected) {
        l->setCurrentRow(-1);
        l->clearSelection();
    }
    muteClick_ = false;
    lastIndex_ = l->currentRow();
}

void ListBox::Clear()
{
    auto* l = static_cast<QListWidget*>(widget());
    muteClick_ = true;
    l->clear();
    muteClick_ = false;
    lastIndex_ = -1;
}

int ListBox::ListCount() const { return static_cast<QListWidget*>(widget())->count(); }

std::string ListBox::List(int index) const
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return {};
    return ss(l->item(index)->text());
}

void ListBox::setList(int index, const std::string& s)
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return;
    l->item(index)->setText(qs(s));
}

int ListBox::ListIndex() const { return static_cast<QListWidget*>(widget())->currentRow(); }

void ListBox::setListIndex(int index)
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < -1 || index >= l->count()) return;  // refused, as the old list did
    if (index == -1) {
        l->setCurrentRow(-1);
        l->clearSelection();
    } else {
        l->setCurrentRow(index);
        l->scrollToItem(l->item(index));
    }
    selectionChangedByWidget();
}

std::string ListBox::Text() const { return List(ListIndex()); }

void ListBox::setText(const std::string& s)
{
    auto* l = static_cast<QListWidget*>(widget());
    QString t = qs(s);
    for (int i = 0; i < l->count(); ++i) {
        if (l->item(i)->text() == t) {
            setListIndex(i);
            return;
        }
    }
}

bool ListBox::Selected(int index) const
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return false;
    return l->item(index)->isSelected();
}

void ListBox::setSelected(int index, bool b)
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return;
    if (b) setListIndex(index);
    else l->item(index)->setSelected(false);
}

int ListBox::TopIndex() const
{
    auto* l = static_cast<QListWidget*>(widget());
    QListWidgetItem* it = l->itemAt(2, 2);
    return it ? l->row(it) : (l->count() ? 0 : -1);
}

void ListBox::setTopIndex(int index)
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return;
    l->scrollToItem(l->item(index), QAbstractItemView::PositionAtTop);
}

void ListBox::setSorted(bool b)
{
    sorted_ = b;
    if (b) {
        auto* l = static_cast<QListWidget*>(widget());
        muteClick_ = true;
        l->sortItems();
        muteClick_ = false;
        lastIndex_ = l->currentRow();
    }
}

long ListBox::ItemData(int index) const
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return 0;
    return static_cast<long>(l->item(index)->data(kItemDataRole).toLongLong());
}

void ListBox::setItemData(int index, long v)
{
    auto* l = static_cast<QListWidget*>(widget());
    if (index < 0 || index >= l->count()) return;
    l->item(index)->setData(kItemDataRole, static_cast<qlonglong>(v));
}

void ListBox::appearanceChanged() { widget()->setAutoFillBackground(true); }

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(Container* parent) : Control(parent, new QComboBox)
{
    auto* c = static_cast<QComboBox*>(widget());
    c->setEditable(true);
    // Return neither adds the typed text to the list nor chooses the entry
    // it names.
    c->setInsertPolicy(QComboBox::NoInsert);
    hookEditor();
    QObject::connect(c, &QComboBox::currentIndexChanged, [this](int) {
        if (!byCode_) indexChangedByUser_ = true;
        selectionChangedByWidget();
    });
    // A choice in the list is a click even when it is the entry already
    // selected (the index does not change then); a choice that changed the
    // index has had its click already.
    QObject::connect(c, &QComboBox::activated, [this](int) {
        if (indexChangedByUser_) {
            indexChangedByUser_ = false;
            return;
        }
        if (muteClick_ || eventsBlocked() || (form() && form()->unloading())) return;
        fireClick();
    });
    setBackColor(0x80000005);
    setForeColor(0x80000008);
}

void ComboBox::hookEditor()
{
    auto* c = static_cast<QComboBox*>(widget());
    QLineEdit* edit = c->lineEdit();
    if (!edit) return;
    // Typed text is only text: nothing completes it into an entry, which
    // would select that entry and run Click ("1" becoming "10"), and
    // confirming a text that names an entry (Return, or leaving the box) does
    // not select it either. Return is also kept from choosing or adding it by
    // the NoInsert policy set with the box.
    c->setCompleter(nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, c, nullptr);
    hookWidget(edit);
    QObject::connect(edit, &QLineEdit::textChanged, [this] { fireChange(); });
}

void ComboBox::selectionChangedByWidget()
{
    auto* c = static_cast<QComboBox*>(widget());
    int idx = c->currentIndex();
    if (idx == lastIndex_) return;
    lastIndex_ = idx;
    if (muteClick_ || eventsBlocked() || (form() && form()->unloading())) return;
    fireClick();
}

void ComboBox::AddItem(const std::string& item, int index)
{
    auto* c = static_cast<QComboBox*>(widget());
    int n = c->count();
    QString text = qs(item);
    int pos;
    if (index >= 0 && index <= n) pos = index;
    else if (index > n) return;
    else if (sorted_) pos = sortedPosition(n, [c](int i) { return c->itemText(i); }, text);
    else pos = n;
    // Adding items never selects one (Qt would select the first of an
    // empty list); the edit text stays as it was.
    QString keep = c->isEditable() ? c->currentText() : QString();
    int cur = c->currentIndex();
    const QScopedValueRollback byCode(byCode_, true);
    muteClick_ = true;
    muteChange_ = true;
    c->insertItem(pos, text);
    if (cur < 0) c->setCurrentIndex(-1);
    if (c->isEditable() && c->currentText() != keep) c->setEditText(keep);
    muteChange_ = false;
    muteClick_ = false;
    lastIndex_ = c->currentIndex();
}

void ComboBox::RemoveItem(int index)
{
    auto* c = static_cast<QComboBox*>(widget());
    if (index < 0 || index >= c->count()) return;
    const QScopedValueRollback byCode(byCode_, true);
    muteClick_ = true;
    c->removeItem(index);
    muteClick_ = false;
    lastIndex_ = c->currentIndex();
}

void ComboBox::Clear()
{
    auto* c = static_cast<QComboBox*>(widget());
    const QScopedValueRollback byCode(byCode_, true);
    muteClick_ = true;
    c->clear();
    muteClick_ = false;
    lastIndex_ = -1;
}

int ComboBox::ListCount() const { return static_cast<QComboBox*>(widget())->count(); }

std::string ComboBox::List(int index) const
{
    auto* c = static_cast<QComboBox*>(widget());
    if (index < 0 || index >= c->count()) return {};
    return ss(c->itemText(index));
}

void ComboBox::setList(int index, const std::string& s)
{
    auto* c = static_cast<QComboBox*>(widget());
    if (index < 0 || index >= c->count()) return;
    c->setItemText(index, qs(s));
}

int ComboBox::ListIndex() const { return static_cast<QComboBox*>(widget())->currentIndex(); }

void ComboBox::setListIndex(int index)
{
    auto* c = static_cast<QComboBox*>(widget());
    if (index < -1 || index >= c->count()) return;
    const QScopedValueRollback byCode(byCode_, true);
    c->setCurrentIndex(index);
    selectionChangedByWidget();
}

std::string ComboBox::Text() const { return ss(static_cast<QComboBox*>(widget())->currentText()); }

void ComboBox::setText(const std::string& s)
{
    auto* c = static_cast<QComboBox*>(widget());
    QString t = qs(s);
    // A text that is an item selects it, but setting the text from code runs
    // no Click handler (only a user's choice or ListIndex does).
    const int idx = c->findText(t, Qt::MatchExactly);
    const QScopedValueRollback byCode(byCode_, true);
    muteClick_ = true;
    if (idx >= 0) setListIndex(idx);
    if (c->isEditable()) c->setEditText(t);
    muteClick_ = false;
}

void ComboBox::setStyle(int s)
{
    style_ = s;
    auto* c = static_cast<QComboBox*>(widget());
    bool editable = s != 2;
    if (c->isEditable() == editable) return;
    const QScopedValueRollback byCode(byCode_, true);
    c->setEditable(editable);
    if (editable) hookEditor();
}

void ComboBox::setSorted(bool b)
{
    sorted_ = b;
    if (!b) return;
    auto* c = static_cast<QComboBox*>(widget());
    const QScopedValueRollback byCode(byCode_, true);
    muteClick_ = true;
    c->model()->sort(0);
    muteClick_ = false;
    lastIndex_ = c->currentIndex();
}

long ComboBox::ItemData(int index) const
{
    auto* c = static_cast<QComboBox*>(widget());
    if (index < 0 || index >= c->count()) return 0;
    return static_cast<long>(c->itemData(index, kItemDataRole).toLongLong());
}

void ComboBox::setItemData(int index, long v)
{
    auto* c = static_cast<QComboBox*>(widget());
    if (index < 0 || index >= c->count()) return;
    c->setItemData(index, static_cast<qlonglong>(v), kItemDataRole);
}

void ComboBox::appearanceChanged() {}
