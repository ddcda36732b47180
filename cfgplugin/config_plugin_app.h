// The plug-in's application object, made when the library is loaded.
#pragma once

#include "cfgplugin/framework/win_app.h"

class CConfigPluginApp : public CWinApp {
public:
    CConfigPluginApp();
    ~CConfigPluginApp() override;

    DECLARE_MESSAGE_MAP()
};
