// The application object: one per module, made when the library is loaded; it makes itself
// the application of the module's state.
#pragma once

#include "cfgplugin/framework/cmd_target.h"

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char *appName = nullptr);
    ~CWinApp() override;

    const char *m_pszAppName;

protected:
    DECLARE_MESSAGE_MAP()
};
