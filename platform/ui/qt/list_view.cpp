// The list-view class (SysListView32) in report style: columns with headers, rows of items
// with sub-items, selection and focus states, and the selection mark. Every change of a row's
// selected or focused state, the program's own included, sends LVN_ITEMCHANGED; the user's
// selection also moves the selection mark.
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTableWidget>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"
#include "platform/ui/text_buffer.h"

namespace qms::ui::qt {
namespace {

constexpr int defaultColumnWidth = 50;
// pszText may say "ask me later" (LPSTR_TEXTCALLBACKW); such rows show no text here.
const LPWSTR textCallback = reinterpret_cast<LPWSTR>(static_cast<intptr_t>(-1));

Qt::Alignment alignmentOf(int format)
{
    switch (format & 0x3) {
    case LVCFMT_RIGHT: return Qt::AlignRight | Qt::AlignVCenter;
    case LVCFMT_CENTER: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

class ListViewControl final : public QTableWidget, public Control {
public:
    ListViewControl(const ControlInfo &info, QWidget *dialog) : QTableWidget(dialog), Control(info)
    {
        tag(this);
        verticalHeader()->hide();
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        horizontalHeader()->setVisible(!(style_ & LVS_NOCOLUMNHEADER));
        horizontalHeader()->setSectionsClickable(!(style_ & LVS_NOSORTHEADER));
        horizontalHeader()->setHighlightSections(false);
        horizontalHeader()->setStretchLastSection(false);
        horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setEditTriggers(NoEditTriggers);
        setSelectionBehavior(SelectRows);
        setSelectionMode((style_ & LVS_SINGLESEL) ? SingleSelection : ExtendedSelection);
        setShowGrid(false);
        setWordWrap(false);
        setTabKeyNavigation(false);
        setFrameShape((style_ & WS_BORDER) || (info.item->exStyle & WS_EX_CLIENTEDGE) ? StyledPanel : NoFrame);
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { syncStates(); });
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { syncStates(); });
        connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
            NMLISTVIEW n{};
            n.iItem = -1;
            n.iSubItem = column;
            notify(n.hdr, LVN_COLUMNCLICK);
        });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return {}; }
    void setText(std::u16string_view) override {}

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        QPointer<ListViewControl> self(this);
        switch (msg) {
        case LVM_GETITEMCOUNT:
            return rowCount();
        case LVM_INSERTCOLUMNW:
            return insertColumnItem(static_cast<int>(wParam), reinterpret_cast<const LVCOLUMNW *>(lParam));
        case LVM_SETCOLUMNW:
            return setColumn(static_cast<int>(wParam), reinterpret_cast<const LVCOLUMNW *>(lParam));
        case LVM_GETCOLUMNW:
            return getColumn(static_cast<int>(wParam), reinterpret_cast<LVCOLUMNW *>(lParam));
        case LVM_DELETECOLUMN:
            if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= columnCount())
                return FALSE;
            removeColumn(static_cast<int>(wParam));
            formats_.erase(formats_.begin() + static_cast<long>(wParam));
            return TRUE;
        case LVM_GETCOLUMNWIDTH:
            return static_cast<int>(wParam) < columnCount() ? columnWidth(static_cast<int>(wParam)) : 0;
        case LVM_SETCOLUMNWIDTH: {
            const auto column = static_cast<int>(wParam);
            if (column < 0 || column >= columnCount())
                return FALSE;
            const auto width = static_cast<int>(static_cast<short>(LOWORD(lParam)));
            if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
                resizeColumnToContents(column);
            else
                setColumnWidth(column, std::max(0, width));
            return TRUE;
        }
        case LVM_INSERTITEMW:
            return insertRowItem(reinterpret_cast<const LVITEMW *>(lParam));
        case LVM_SETITEMW:
            return setItemFields(reinterpret_cast<const LVITEMW *>(lParam));
        case LVM_GETITEMW:
            return getItemFields(reinterpret_cast<LVITEMW *>(lParam));
        case LVM_SETITEMTEXTW: {
            const auto *item = reinterpret_cast<const LVITEMW *>(lParam);
            return item && setCellText(static_cast<int>(wParam), item->iSubItem, item->pszText) ? TRUE : FALSE;
        }
        case LVM_GETITEMTEXTW: {
            auto *item = reinterpret_cast<LVITEMW *>(lParam);
            if (!item || !validRow(static_cast<int>(wParam)))
                return 0;
            return copyText(cellText(static_cast<int>(wParam), item->iSubItem), item->pszText, item->cchTextMax);
        }
        case LVM_SETITEMSTATE:
            return setStates(static_cast<int>(wParam), reinterpret_cast<const LVITEMW *>(lParam));
        case LVM_GETITEMSTATE:
            return validRow(static_cast<int>(wParam)) ? stateOf(static_cast<int>(wParam)) & static_cast<UINT>(lParam) : 0;
        case LVM_GETNEXTITEM:
            return nextItem(static_cast<int>(wParam), LOWORD(lParam));
        case LVM_GETSELECTEDCOUNT:
            return static_cast<LRESULT>(selectionModel()->selectedRows().size());
        case LVM_DELETEITEM:
            return deleteRow(static_cast<int>(wParam));
        case LVM_DELETEALLITEMS:
            return deleteAll();
        case LVM_SETSELECTIONMARK: {
            const int old = mark_;
            mark_ = static_cast<int>(lParam) < rowCount() ? static_cast<int>(lParam) : -1;
            return old;
        }
        case LVM_GETSELECTIONMARK:
            return mark_;
        case LVM_SETEXTENDEDLISTVIEWSTYLE: {
            const DWORD old = extended_;
            const DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
            extended_ = (extended_ & ~mask) | (static_cast<DWORD>(lParam) & mask);
            setShowGrid(extended_ & LVS_EX_GRIDLINES);
            return old;
        }
        case LVM_GETEXTENDEDLISTVIEWSTYLE:
            return extended_;
        case LVM_ENSUREVISIBLE:
            if (!validRow(static_cast<int>(wParam)))
                return FALSE;
            scrollTo(model()->index(static_cast<int>(wParam), 0));
            return TRUE;
        case LVM_FINDITEMW:
            return findItem(static_cast<int>(wParam), reinterpret_cast<const LVFINDINFOW *>(lParam));
        case LVM_GETTOPINDEX:
            return std::max(0, rowAt(0));
        case LVM_GETCOUNTPERPAGE:
            return viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize());
        case LVM_SETITEMCOUNT:
            return TRUE;
        case LVM_GETHEADER:
            return 0;
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QTableWidget::mousePressEvent(event);
        const int row = rowAt(event->position().toPoint().y());
        if (event->button() == Qt::LeftButton && row >= 0 && !(event->modifiers() & Qt::ShiftModifier))
            mark_ = row;
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QPointer<ListViewControl> self(this);
        QTableWidget::mouseReleaseEvent(event);
        if (!self)
            return;
        clicked(event, event->button() == Qt::RightButton ? NM_RCLICK : NM_CLICK);
    }

    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QPointer<ListViewControl> self(this);
        QTableWidget::mouseDoubleClickEvent(event);
        if (self && event->button() == Qt::LeftButton)
            clicked(event, NM_DBLCLK);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        QPointer<ListViewControl> self(this);
        QTableWidget::keyPressEvent(event);
        if (self && !(event->modifiers() & Qt::ShiftModifier) && currentRow() >= 0 &&
            selectionModel()->isRowSelected(currentRow(), QModelIndex()))
            mark_ = currentRow();
    }

private:
    bool validRow(int row) const { return row >= 0 && row < rowCount(); }

    UINT stateOf(int row) const
    {
        UINT state = 0;
        if (selectionModel()->isRowSelected(row, QModelIndex()))
            state |= LVIS_SELECTED;
        if (selectionModel()->currentIndex().isValid() && selectionModel()->currentIndex().row() == row)
            state |= LVIS_FOCUSED;
        return state;
    }

    LPARAM paramOf(int row) const
    {
        return validRow(row) ? params_[static_cast<std::size_t>(row)] : 0;
    }

    // Sends LVN_ITEMCHANGED for every row whose state differs from what was last announced.
    void syncStates()
    {
        if (quiet_ > 0)
            return;
        QPointer<ListViewControl> self(this);
        for (int row = 0; self && row < rowCount() && row < static_cast<int>(states_.size()); ++row) {
            const UINT now = stateOf(row);
            const UINT before = states_[static_cast<std::size_t>(row)];
            if (now == before)
                continue;
            states_[static_cast<std::size_t>(row)] = now;
            NMLISTVIEW n{};
            n.iItem = row;
            n.uNewState = now;
            n.uOldState = before;
            n.uChanged = LVIF_STATE;
            n.lParam = paramOf(row);
            notify(n.hdr, LVN_ITEMCHANGED);
        }
    }

    void clicked(QMouseEvent *event, UINT code)
    {
        const QPoint at = event->position().toPoint();
        NMITEMACTIVATE n{};
        n.iItem = rowAt(at.y());
        n.iSubItem = columnAt(at.x());
        n.ptAction = POINT{at.x(), at.y()};
        if (n.iItem >= 0)
            n.lParam = paramOf(n.iItem);
        notify(n.hdr, code);
    }

    QTableWidgetItem *cell(int row, int column)
    {
        QTableWidgetItem *c = item(row, column);
        if (!c) {
            c = new QTableWidgetItem;
            c->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            c->setTextAlignment(alignmentOf(formats_[static_cast<std::size_t>(column)]));
            setItem(row, column, c);
        }
        return c;
    }

    std::u16string cellText(int row, int column) const
    {
        const QTableWidgetItem *c = column >= 0 && column < columnCount() ? item(row, column) : nullptr;
        return c ? toU16(c->text()) : std::u16string();
    }

    bool setCellText(int row, int column, LPCWSTR text)
    {
        if (!validRow(row) || column < 0 || column >= columnCount())
            return false;
        cell(row, column)->setText(text == textCallback ? QString() : fromWide(text));
        return true;
    }

    int insertColumnItem(int at, const LVCOLUMNW *column)
    {
        if (!column || at < 0)
            return -1;
        at = std::min(at, columnCount());
        insertColumn(at);
        formats_.insert(formats_.begin() + at, (column->mask & LVCF_FMT) ? column->fmt : LVCFMT_LEFT);
        auto *header = new QTableWidgetItem((column->mask & LVCF_TEXT) ? fromWide(column->pszText) : QString());
        header->setTextAlignment(alignmentOf(formats_[static_cast<std::size_t>(at)]));
        setHorizontalHeaderItem(at, header);
        setColumnWidth(at, (column->mask & LVCF_WIDTH) ? std::max(0, column->cx) : defaultColumnWidth);
        return at;
    }

    BOOL setColumn(int at, const LVCOLUMNW *column)
    {
        if (!column || at < 0 || at >= columnCount())
            return FALSE;
        QTableWidgetItem *header = horizontalHeaderItem(at);
        if (column->mask & LVCF_FMT) {
            formats_[static_cast<std::size_t>(at)] = column->fmt;
            header->setTextAlignment(alignmentOf(column->fmt));
        }
        if (column->mask & LVCF_TEXT)
            header->setText(fromWide(column->pszText));
        if (column->mask & LVCF_WIDTH)
            setColumnWidth(at, std::max(0, column->cx));
        return TRUE;
    }

    BOOL getColumn(int at, LVCOLUMNW *column) const
    {
        if (!column || at < 0 || at >= columnCount())
            return FALSE;
        if (column->mask & LVCF_FMT)
            column->fmt = formats_[static_cast<std::size_t>(at)];
        if (column->mask & LVCF_WIDTH)
            column->cx = columnWidth(at);
        if (column->mask & LVCF_TEXT)
            copyText(toU16(horizontalHeaderItem(at)->text()), column->pszText, column->cchTextMax);
        if (column->mask & LVCF_SUBITEM)
            column->iSubItem = at;
        return TRUE;
    }

    int insertRowItem(const LVITEMW *lv)
    {
        if (!lv || lv->iSubItem != 0)
            return -1;
        const int row = std::clamp(lv->iItem, 0, rowCount());
        {
            const Quiet quiet(*this);
            insertRow(row);
            states_.insert(states_.begin() + row, 0u);
            params_.insert(params_.begin() + row, (lv->mask & LVIF_PARAM) ? lv->lParam : 0);
            if (mark_ >= row)
                ++mark_;
            if (lv->mask & LVIF_TEXT)
                setCellText(row, 0, lv->pszText);
        }
        QPointer<ListViewControl> self(this);
        NMLISTVIEW n{};
        n.iItem = row;
        n.lParam = paramOf(row);
        notify(n.hdr, LVN_INSERTITEM);
        if (self && (lv->mask & LVIF_STATE))
            applyState(row, lv->state, lv->stateMask);
        return row;
    }

    BOOL setItemFields(const LVITEMW *lv)
    {
        if (!lv || !validRow(lv->iItem))
            return FALSE;
        if ((lv->mask & LVIF_TEXT) && !setCellText(lv->iItem, lv->iSubItem, lv->pszText))
            return FALSE;
        if (lv->iSubItem == 0 && (lv->mask & LVIF_PARAM))
            params_[static_cast<std::size_t>(lv->iItem)] = lv->lParam;
        if (lv->iSubItem == 0 && (lv->mask & LVIF_STATE))
            applyState(lv->iItem, lv->state, lv->stateMask);
        return TRUE;
    }

    BOOL getItemFields(LVITEMW *lv) const
    {
        if (!lv || !validRow(lv->iItem))
            return FALSE;
        if (lv->mask & LVIF_TEXT)
            copyText(cellText(lv->iItem, lv->iSubItem), lv->pszText, lv->cchTextMax);
        if (lv->mask & LVIF_STATE)
            lv->state = stateOf(lv->iItem) & lv->stateMask;
        if (lv->mask & LVIF_PARAM)
            lv->lParam = paramOf(lv->iItem);
        return TRUE;
    }

    // The program sets states: selection and focus; the mark follows a selection when the
    // list had none.
    void applyState(int row, UINT state, UINT mask)
    {
        {
            const Quiet quiet(*this);
            changeState(row, state, mask);
        }
        // One LVN_ITEMCHANGED for the whole change.
        syncStates();
    }

    void changeState(int row, UINT state, UINT mask)
    {
        const QModelIndex index = model()->index(row, 0);
        if (mask & LVIS_SELECTED) {
            const bool select = state & LVIS_SELECTED;
            if (select && selectionMode() == SingleSelection)
                selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            else
                selectionModel()->select(index, (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                                    QItemSelectionModel::Rows);
            if (select && mark_ < 0)
                mark_ = row;
        }
        if (mask & LVIS_FOCUSED) {
            if (state & LVIS_FOCUSED)
                selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            else if (selectionModel()->currentIndex().row() == row)
                selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
    }

    BOOL setStates(int row, const LVITEMW *lv)
    {
        if (!lv)
            return FALSE;
        if (row == -1) {
            {
                const Quiet quiet(*this);
                for (int r = 0; r < rowCount(); ++r)
                    changeState(r, lv->state, lv->stateMask);
            }
            syncStates();
            return TRUE;
        }
        if (!validRow(row))
            return FALSE;
        applyState(row, lv->state, lv->stateMask);
        return TRUE;
    }

    int nextItem(int start, UINT flags) const
    {
        for (int row = std::max(start + 1, 0); row < rowCount(); ++row) {
            const UINT state = stateOf(row);
            if ((flags & LVNI_SELECTED) && !(state & LVIS_SELECTED))
                continue;
            if ((flags & LVNI_FOCUSED) && !(state & LVIS_FOCUSED))
                continue;
            return row;
        }
        return -1;
    }

    int findItem(int start, const LVFINDINFOW *find) const
    {
        if (!find)
            return -1;
        const int n = rowCount();
        const int first = std::max(start + 1, 0);
        const int span = (find->flags & LVFI_WRAP) ? n : n - first;
        const QString wanted = fromWide(find->psz);
        for (int k = 0; k < span; ++k) {
            const int row = (first + k) % std::max(n, 1);
            if (find->flags & LVFI_PARAM) {
                if (paramOf(row) == find->lParam)
                    return row;
            } else if (find->flags & (LVFI_STRING | LVFI_PARTIAL)) {
                const QString text = toQString(cellText(row, 0));
                if ((find->flags & LVFI_PARTIAL) ? text.startsWith(wanted, Qt::CaseInsensitive)
                                                 : text.compare(wanted, Qt::CaseInsensitive) == 0)
                    return row;
            }
        }
        return -1;
    }

    BOOL deleteRow(int row)
    {
        if (!validRow(row))
            return FALSE;
        QPointer<ListViewControl> self(this);
        NMLISTVIEW n{};
        n.iItem = row;
        n.lParam = paramOf(row);
        notify(n.hdr, LVN_DELETEITEM);
        if (!self || !validRow(row))
            return FALSE;
        {
            const Quiet quiet(*this);
            removeRow(row);
            states_.erase(states_.begin() + row);
            params_.erase(params_.begin() + row);
            if (mark_ == row)
                mark_ = -1;
            else if (mark_ > row)
                --mark_;
        }
        syncStates();
        return TRUE;
    }

    BOOL deleteAll()
    {
        QPointer<ListViewControl> self(this);
        NMLISTVIEW n{};
        n.iItem = -1;
        // A TRUE answer spares the dialog one LVN_DELETEITEM per row.
        const bool spare = notify(n.hdr, LVN_DELETEALLITEMS) != 0;
        for (int row = 0; self && !spare && row < rowCount(); ++row) {
            NMLISTVIEW each{};
            each.iItem = row;
            each.lParam = paramOf(row);
            notify(each.hdr, LVN_DELETEITEM);
        }
        if (!self)
            return FALSE;
        const Quiet quiet(*this);
        setRowCount(0);
        states_.clear();
        params_.clear();
        mark_ = -1;
        return TRUE;
    }

    // Structural changes announce no state changes of their own.
    struct Quiet {
        explicit Quiet(ListViewControl &v) : view(v) { ++view.quiet_; }
        ~Quiet() { --view.quiet_; }
        ListViewControl &view;
    };

    std::vector<int> formats_;
    std::vector<UINT> states_;
    std::vector<LPARAM> params_; // one per row
    int mark_ = -1;
    DWORD extended_ = 0;
    int quiet_ = 0;
};

} // namespace

Control *makeListView(const ControlInfo &info, QWidget *dialog)
{
    return new ListViewControl(info, dialog);
}

} // namespace qms::ui::qt
