// The removal path: the host stack calls DeviceNotify when the module has gone.
#pragma once

#include "device_context.h"

BOOL DeviceNotify(LPVOID notifyParameter, DWORD code, LPDWORD *info1, LPDWORD *info2, LPDWORD *info3,
                  LPDWORD *info4);
