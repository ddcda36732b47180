// The control codes of the I/O-control contract, carried out on the module.
#pragma once

#include "device_context.h"

struct IoRequest {
    LPBYTE in;
    DWORD inLength;
    LPBYTE out;
    DWORD outLength;
    LPDWORD bytesReturned;
};

// Checks the buffers the code needs and runs its handler. An unknown code fails with last
// error 50 and leaves LastErrorCode alone.
BOOL DispatchIoControl(DeviceContext *context, DWORD code, IoRequest &request);
