// Names the driver formats: device subkeys, the removal event and the device name text.
#pragma once

#include <string>

#include "qms_platform.h"

// "<parent>\Device<NNN>", the number zero-padded to three digits.
std::u16string DeviceSubkeyPath(LPCWSTR parent, DWORD number);
// "QMS_EVT_DEVREMOVED_<NNN>".
std::u16string RemovalEventName(DWORD number);
// "USB-6093 BoardID=<board number>", at most QMS_REG_DEVICE_NAME_MAX characters.
std::u16string DeviceNameText(DWORD switchId);
// Whether `text` contains `part`.
bool ContainsText(const WCHAR *text, const WCHAR *part);
// The decimal number at the start of `text` (leading digits; 0 when there are none), as the
// number after "Device" in a subkey name is read.
DWORD LeadingNumber(const WCHAR *text);
