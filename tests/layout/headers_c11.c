/* Every header of the contract and of the public API compiles as C11, on 32-bit too. */
#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_byteorder.h"
#include "qms_cdefs.h"
#include "qms_cfgplugin.h"
#include "qms_gainlist.h"
#include "qms_identity.h"
#include "qms_ioctl.h"
#include "qms_vendor.h"

_Static_assert(sizeof(DeviceFeatures) == 800, "DeviceFeatures from C");
_Static_assert(sizeof(CjcHistory) == 14, "CjcHistory from C");
