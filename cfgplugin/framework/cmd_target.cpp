#include "cfgplugin/framework/cmd_target.h"

namespace {

const AFX_MSGMAP_ENTRY noEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
const AFX_MSGMAP baseMap = {nullptr, &noEntries[0]};

} // namespace

CCmdTarget::~CCmdTarget() = default;

const AFX_MSGMAP *CCmdTarget::GetThisMessageMap()
{
    return &baseMap;
}

const AFX_MSGMAP *CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY *CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const
{
    for (const AFX_MSGMAP *map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY *entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
            if (entry->nMessage == message && entry->nCode == code && entry->nID <= id && id <= entry->nLastID)
                return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, UINT code)
{
    const AFX_MSGMAP_ENTRY *entry = FindMessageEntry(WM_COMMAND, code, id);
    if (!entry || entry->nSig != AfxSig_vv)
        return FALSE;
    (this->*entry->pfn)();
    return TRUE;
}

BOOL CCmdTarget::OnNotify(const NMHDR *header, LRESULT *result)
{
    const AFX_MSGMAP_ENTRY *entry =
        FindMessageEntry(WM_NOTIFY, header->code, static_cast<UINT>(header->idFrom));
    if (!entry || entry->nSig != AfxSig_vNMHDRpl)
        return FALSE;
    (this->*entry->pfnNotify)(const_cast<NMHDR *>(header), result);
    return TRUE;
}
