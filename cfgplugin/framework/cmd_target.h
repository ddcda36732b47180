// Objects that take commands and notifications through message maps. A class lists its
// handlers between BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; a message that finds no entry in the
// class's map is looked up in its base class's map, and so on up to CCmdTarget.
#pragma once

#include "qms_ui.h"

class CCmdTarget;

// Handlers are kept as pointers to members of CCmdTarget, one field per signature.
typedef void (CCmdTarget::*AFX_PMSG)();
typedef void (CCmdTarget::*AFX_PNOTIFY)(NMHDR *, LRESULT *);

enum AfxSig : UINT_PTR {
    AfxSig_end = 0,
    AfxSig_vv,         // void (void): commands
    AfxSig_vNMHDRpl,   // void (NMHDR *, LRESULT *): notifications
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // WM_COMMAND or WM_NOTIFY
    UINT nCode;    // the command's or notification's code
    UINT nID;      // first and last control ID the entry takes
    UINT nLastID;
    UINT_PTR nSig;
    AFX_PMSG pfn;             // AfxSig_vv
    AFX_PNOTIFY pfnNotify;    // AfxSig_vNMHDRpl
};

struct AFX_MSGMAP {
    const AFX_MSGMAP *(*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY *lpEntries;
};

#define CN_COMMAND 0u

// The virtual operations of the framework's classes are declared in their slot order: each
// class adds its own after those of its base.
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget();
    CCmdTarget(const CCmdTarget &) = delete;
    CCmdTarget &operator=(const CCmdTarget &) = delete;

    virtual const AFX_MSGMAP *GetMessageMap() const;

    // The entry that handles (message, code, id) in this object's maps, or nullptr.
    const AFX_MSGMAP_ENTRY *FindMessageEntry(UINT message, UINT code, UINT id) const;
    // Calls the handler of a command; FALSE when there is none.
    BOOL OnCmdMsg(UINT id, UINT code);
    // Calls the handler of a notification with its result; FALSE when there is none.
    BOOL OnNotify(const NMHDR *header, LRESULT *result);

protected:
    static const AFX_MSGMAP *GetThisMessageMap();
};

#define DECLARE_MESSAGE_MAP()                                                                     \
protected:                                                                                        \
    static const AFX_MSGMAP *GetThisMessageMap();                                                 \
                                                                                                  \
public:                                                                                           \
    const AFX_MSGMAP *GetMessageMap() const override;                                             \
                                                                                                  \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                    \
    const AFX_MSGMAP *theClass::GetMessageMap() const { return GetThisMessageMap(); }             \
    const AFX_MSGMAP *theClass::GetThisMessageMap()                                               \
    {                                                                                             \
        using ThisClass [[maybe_unused]] = theClass;                                              \
        using TheBaseClass = baseClass;                                                           \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                         \
    {0, 0, 0, 0, AfxSig_end, nullptr, nullptr}                                                    \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]};  \
    return &messageMap;                                                                           \
    }

#define ON_COMMAND(id, memberFxn)                                                                 \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), AfxSig_vv,                                   \
     static_cast<AFX_PMSG>(static_cast<void (ThisClass::*)()>(&ThisClass::memberFxn)), nullptr},

#define ON_BN_CLICKED(id, memberFxn)                                                              \
    {WM_COMMAND, (UINT)BN_CLICKED, (UINT)(id), (UINT)(id), AfxSig_vv,                             \
     static_cast<AFX_PMSG>(static_cast<void (ThisClass::*)()>(&ThisClass::memberFxn)), nullptr},

#define ON_NOTIFY(code, id, memberFxn)                                                            \
    {WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id), AfxSig_vNMHDRpl, nullptr,                   \
     static_cast<AFX_PNOTIFY>(static_cast<void (ThisClass::*)(NMHDR *, LRESULT *)>(&ThisClass::memberFxn))},
