// Starting a module's device inside U93_Init: board number, CJC history, sampler, device
// number and registry values.
#pragma once

#include "device_context.h"

// FALSE when the module cannot be started (its board number or CJC offset cannot be read, or
// no device number is free); nothing is left running then.
BOOL StartDevice(DeviceContext *context);
