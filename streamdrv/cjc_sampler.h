// The CJC sampler: one thread per module that reads the cold-junction sensor once a second
// into the module's CjcHistory.
#pragma once

#include "device_context.h"

DWORD CjcSampler(LPVOID parameter);
// Starts the thread; on failure records 3 in LastErrorCode and returns FALSE.
BOOL StartCjcSampler(DeviceContext *context);
// Tells the sampler to stop, wakes it from its one-second wait and waits until it has ended.
// Does nothing when no sampler runs.
void StopCjcSampler(DeviceContext *context);
