// The tree-view class (SysTreeView32). Items are named by HTREEITEM tokens, never pointers.
// The user's selection sends TVN_SELCHANGINGW (a nonzero answer refuses it) and
// TVN_SELCHANGEDW, as TVM_SELECTITEM does; expanding or collapsing by the user sends
// TVN_ITEMEXPANDEDW, TVM_EXPAND nothing.
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTreeWidget>
#include <atomic>
#include <unordered_map>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"
#include "platform/ui/text_buffer.h"

namespace qms::ui::qt {
namespace {

constexpr int handleRole = Qt::UserRole;
constexpr int paramRole = Qt::UserRole + 1;

// Tokens for items, unique in the process, far from the TVI_* values.
std::atomic<std::uint32_t> nextItem{1};

class TreeViewControl final : public QTreeWidget, public Control {
public:
    TreeViewControl(const ControlInfo &info, QWidget *dialog) : QTreeWidget(dialog), Control(info)
    {
        tag(this);
        setHeaderHidden(true);
        setColumnCount(1);
        setRootIsDecorated(style_ & TVS_LINESATROOT);
        setItemsExpandable(style_ & TVS_HASBUTTONS);
        setEditTriggers(NoEditTriggers);
        setSelectionMode(SingleSelection);
        setVerticalScrollMode(ScrollPerItem);
        setFrameShape((style_ & WS_BORDER) || (info.item->exStyle & WS_EX_CLIENTEDGE) ? StyledPanel : NoFrame);
        connect(this, &QTreeWidget::currentItemChanged, this,
                [this](QTreeWidgetItem *now, QTreeWidgetItem *before) { selectionMoved(now, before); });
        connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) { expanded(item, TVE_EXPAND); });
        connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) { expanded(item, TVE_COLLAPSE); });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return {}; }
    void setText(std::u16string_view) override {}

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        switch (msg) {
        case TVM_INSERTITEMW:
            return reinterpret_cast<LRESULT>(insert(reinterpret_cast<const TVINSERTSTRUCTW *>(lParam)));
        case TVM_DELETEITEM:
            return remove(reinterpret_cast<HTREEITEM>(lParam));
        case TVM_EXPAND: {
            QTreeWidgetItem *item = find(reinterpret_cast<HTREEITEM>(lParam));
            if (!item)
                return FALSE;
            const Program program(*this);
            const UINT code = static_cast<UINT>(wParam) & 0x3;
            item->setExpanded(code == TVE_EXPAND || (code == TVE_TOGGLE && !item->isExpanded()));
            return TRUE;
        }
        case TVM_GETCOUNT:
            return static_cast<LRESULT>(items_.size());
        case TVM_GETINDENT:
            return indentation();
        case TVM_GETNEXTITEM:
            return reinterpret_cast<LRESULT>(handleOf(next(static_cast<UINT>(wParam), reinterpret_cast<HTREEITEM>(lParam))));
        case TVM_SELECTITEM:
            return select(static_cast<UINT>(wParam), reinterpret_cast<HTREEITEM>(lParam));
        case TVM_GETITEMW:
            return get(reinterpret_cast<TVITEMW *>(lParam));
        case TVM_SETITEMW:
            return set(reinterpret_cast<const TVITEMW *>(lParam));
        case TVM_ENSUREVISIBLE: {
            QTreeWidgetItem *item = find(reinterpret_cast<HTREEITEM>(lParam));
            if (!item)
                return FALSE;
            const Program program(*this);
            for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
                p->setExpanded(true);
            scrollToItem(item);
            return TRUE;
        }
        case TVM_GETVISIBLECOUNT:
            return viewport()->height() / std::max(1, sizeHintForRow(0));
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        action_ = TVC_BYMOUSE;
        QTreeWidget::mousePressEvent(event);
        action_ = TVC_UNKNOWN;
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        action_ = TVC_BYKEYBOARD;
        QTreeWidget::keyPressEvent(event);
        action_ = TVC_UNKNOWN;
    }

private:
    // Program-made changes that send no notification.
    struct Program {
        explicit Program(TreeViewControl &t) : tree(t) { ++tree.program_; }
        ~Program() { --tree.program_; }
        TreeViewControl &tree;
    };

    static HTREEITEM handleOf(const QTreeWidgetItem *item)
    {
        return item ? reinterpret_cast<HTREEITEM>(static_cast<std::uintptr_t>(item->data(0, handleRole).toULongLong()))
                    : nullptr;
    }

    QTreeWidgetItem *find(HTREEITEM handle) const
    {
        const auto it = items_.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == items_.end() ? nullptr : it->second;
    }

    HTREEITEM insert(const TVINSERTSTRUCTW *in)
    {
        if (!in)
            return nullptr;
        QTreeWidgetItem *parent = nullptr;
        if (in->hParent && in->hParent != TVI_ROOT) {
            parent = find(in->hParent);
            if (!parent)
                return nullptr;
        }
        const int siblings = parent ? parent->childCount() : topLevelItemCount();
        auto childAt = [&](int i) { return parent ? parent->child(i) : topLevelItem(i); };
        const QString text = (in->item.mask & TVIF_TEXT) ? fromWide(in->item.pszText) : QString();
        int at = siblings;
        if (in->hInsertAfter == TVI_FIRST) {
            at = 0;
        } else if (in->hInsertAfter == TVI_SORT) {
            at = 0;
            while (at < siblings && QString::compare(childAt(at)->text(0), text, Qt::CaseInsensitive) <= 0)
                ++at;
        } else if (in->hInsertAfter && in->hInsertAfter != TVI_LAST) {
            // After a given sibling; the end when it is not one.
            QTreeWidgetItem *after = find(in->hInsertAfter);
            for (int i = 0; after && i < siblings; ++i) {
                if (childAt(i) == after)
                    at = i + 1;
            }
        }
        const Program program(*this);
        auto *item = new QTreeWidgetItem(QStringList{text});
        const std::uint32_t token = nextItem.fetch_add(1);
        item->setData(0, handleRole, static_cast<qulonglong>(token));
        item->setData(0, paramRole, static_cast<qlonglong>((in->item.mask & TVIF_PARAM) ? in->item.lParam : 0));
        if (parent)
            parent->insertChild(at, item);
        else
            insertTopLevelItem(at, item);
        items_[token] = item;
        if (in->item.mask & TVIF_STATE)
            applyState(item, in->item.state, in->item.stateMask);
        return handleOf(item);
    }

    void forget(QTreeWidgetItem *item)
    {
        for (int i = 0; i < item->childCount(); ++i)
            forget(item->child(i));
        items_.erase(reinterpret_cast<std::uintptr_t>(handleOf(item)));
    }

    BOOL remove(HTREEITEM handle)
    {
        const Program program(*this);
        if (!handle || handle == TVI_ROOT) {
            clear();
            items_.clear();
            return TRUE;
        }
        QTreeWidgetItem *item = find(handle);
        if (!item)
            return FALSE;
        forget(item);
        delete item;
        return TRUE;
    }

    // The item at the top of the view: the scroll position counts whole items.
    QTreeWidgetItem *firstVisible() const
    {
        QTreeWidgetItem *item = topLevelItem(0);
        for (int skip = verticalScrollBar()->value(); item && skip > 0; --skip)
            item = itemBelow(item);
        return item;
    }

    QTreeWidgetItem *next(UINT code, HTREEITEM handle) const
    {
        QTreeWidgetItem *item = find(handle);
        switch (code) {
        case TVGN_ROOT:
            return topLevelItem(0);
        case TVGN_FIRSTVISIBLE:
            return firstVisible();
        case TVGN_CARET:
            return currentItem();
        case TVGN_LASTVISIBLE: {
            QTreeWidgetItem *last = firstVisible();
            for (QTreeWidgetItem *below = last; below; below = itemBelow(below))
                last = below;
            return last;
        }
        default:
            break;
        }
        if (!item)
            return nullptr;
        QTreeWidgetItem *parent = item->parent();
        const int index = parent ? parent->indexOfChild(item) : indexOfTopLevelItem(item);
        auto sibling = [&](int i) -> QTreeWidgetItem * {
            const int n = parent ? parent->childCount() : topLevelItemCount();
            return i < 0 || i >= n ? nullptr : (parent ? parent->child(i) : topLevelItem(i));
        };
        switch (code) {
        case TVGN_NEXT: return sibling(index + 1);
        case TVGN_PREVIOUS: return sibling(index - 1);
        case TVGN_PARENT: return parent;
        case TVGN_CHILD: return item->childCount() > 0 ? item->child(0) : nullptr;
        case TVGN_NEXTVISIBLE: return itemBelow(item);
        case TVGN_PREVIOUSVISIBLE: return itemAbove(item);
        default: return nullptr;
        }
    }

    BOOL select(UINT code, HTREEITEM handle)
    {
        QTreeWidgetItem *item = handle ? find(handle) : nullptr;
        if (handle && !item)
            return FALSE;
        if (code == TVGN_CARET) {
            setCurrentItem(item); // notifies, with action TVC_UNKNOWN
            return TRUE;
        }
        if (code == TVGN_FIRSTVISIBLE && item) {
            scrollToItem(item, PositionAtTop);
            return TRUE;
        }
        return code == TVGN_DROPHILITE;
    }

    void fill(TVITEMW &out, QTreeWidgetItem *item) const
    {
        out.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
        out.hItem = handleOf(item);
        out.lParam = item ? static_cast<LPARAM>(item->data(0, paramRole).toLongLong()) : 0;
        out.state = item ? stateOf(item) : 0;
        out.stateMask = TVIS_SELECTED | TVIS_EXPANDED | TVIS_BOLD;
    }

    UINT stateOf(QTreeWidgetItem *item) const
    {
        return (item->isSelected() || item == currentItem() ? TVIS_SELECTED : 0) |
               (item->isExpanded() ? TVIS_EXPANDED : 0) | (item->font(0).bold() ? TVIS_BOLD : 0);
    }

    void applyState(QTreeWidgetItem *item, UINT state, UINT mask)
    {
        if (mask & TVIS_EXPANDED)
            item->setExpanded(state & TVIS_EXPANDED);
        if (mask & TVIS_BOLD) {
            QFont f = item->font(0);
            f.setBold(state & TVIS_BOLD);
            item->setFont(0, f);
        }
        if ((mask & TVIS_SELECTED) && (state & TVIS_SELECTED))
            setCurrentItem(item);
    }

    BOOL get(TVITEMW *out) const
    {
        QTreeWidgetItem *item = out ? find(out->hItem) : nullptr;
        if (!item)
            return FALSE;
        if (out->mask & TVIF_TEXT)
            copyText(toU16(item->text(0)), out->pszText, out->cchTextMax);
        if (out->mask & TVIF_PARAM)
            out->lParam = static_cast<LPARAM>(item->data(0, paramRole).toLongLong());
        if (out->mask & TVIF_STATE)
            out->state = stateOf(item) & out->stateMask;
        if (out->mask & TVIF_CHILDREN)
            out->cChildren = item->childCount();
        return TRUE;
    }

    BOOL set(const TVITEMW *in)
    {
        QTreeWidgetItem *item = in ? find(in->hItem) : nullptr;
        if (!item)
            return FALSE;
        const Program program(*this);
        if (in->mask & TVIF_TEXT)
            item->setText(0, fromWide(in->pszText));
        if (in->mask & TVIF_PARAM)
            item->setData(0, paramRole, static_cast<qlonglong>(in->lParam));
        if (in->mask & TVIF_STATE)
            applyState(item, in->state, in->stateMask);
        return TRUE;
    }

    void selectionMoved(QTreeWidgetItem *now, QTreeWidgetItem *before)
    {
        if (reverting_ || program_ > 0)
            return;
        QPointer<TreeViewControl> self(this);
        NMTREEVIEWW change{};
        change.action = action_;
        fill(change.itemOld, before);
        fill(change.itemNew, now);
        if (notify(change.hdr, TVN_SELCHANGINGW) != 0) {
            if (!self)
                return;
            reverting_ = true;
            setCurrentItem(before);
            reverting_ = false;
            return;
        }
        if (!self)
            return;
        NMTREEVIEWW done = change;
        fill(done.itemNew, now);
        notify(done.hdr, TVN_SELCHANGEDW);
    }

    void expanded(QTreeWidgetItem *item, UINT how)
    {
        if (program_ > 0)
            return;
        NMTREEVIEWW change{};
        change.action = how;
        fill(change.itemNew, item);
        notify(change.hdr, TVN_ITEMEXPANDEDW);
    }

    std::unordered_map<std::uintptr_t, QTreeWidgetItem *> items_;
    UINT action_ = TVC_UNKNOWN;
    int program_ = 0;
    bool reverting_ = false;
};

} // namespace

Control *makeTreeView(const ControlInfo &info, QWidget *dialog)
{
    return new TreeViewControl(info, dialog);
}

} // namespace qms::ui::qt
