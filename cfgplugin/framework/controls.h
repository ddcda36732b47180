// Control objects: a dialog binds them to its controls with DDX_Control and talks to the
// controls through them. Text is 8-bit (UTF-8).
#pragma once

#include <string>

#include "cfgplugin/framework/wnd.h"

class CButton : public CWnd {
};

class CStatic : public CWnd {
public:
    HBITMAP GetBitmap() const;
};

class CTabCtrl : public CWnd {
public:
    // The index of the new tab, -1 on failure.
    int InsertItem(int nItem, const char *text);
    int GetItemCount() const;
    int GetCurSel() const;
    int SetCurSel(int nItem);
};

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const char *text, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    HTREEITEM GetRootItem() const;
    HTREEITEM GetFirstVisibleItem() const;
    HTREEITEM GetChildItem(HTREEITEM hItem) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const;
    std::string GetItemText(HTREEITEM hItem) const;
};
