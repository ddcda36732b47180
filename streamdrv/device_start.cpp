#include "device_start.h"

#include "cjc_history.h"
#include "cjc_sampler.h"
#include "registry_config.h"
#include "transport.h"

BOOL StartDevice(DeviceContext *context)
{
    // deviceNumber is unresolved from the record's creation on; only the number allocation
    // writes it.
    context->BoardID = QMS_DEVICE_TYPE_CODE;

    uint32_t boardNumber = 0;
    uint32_t offset = 0;
    bool boardRead;
    bool offsetRead;
    ClearCjcHistory(context);
    {
        TransferLockGuard lock(context);
        boardRead = VendorInAll(context, GROUP_DEVICE, CMD_DEVICE_GET_BOARD_ID, &boardNumber, sizeof boardNumber);
        offsetRead = boardRead && VendorInAll(context, GROUP_AI, CMD_AI_GET_CJC_OFFSET, &offset, sizeof offset);
    }
    // The board number is the module's identity in the registry: without it the module would
    // be published under another module's keys.
    if (!boardRead || !offsetRead) {
        RecordDriverError(context, QMS_DRVERR_TRANSFER);
        return FALSE;
    }
    context->SwitchID = Swap32(boardNumber);
    StoreOffsetWord(context, offset);
    context->sampleCounter = 0;

    StartCjcSampler(context); // a module without a sampler still works; 3 is recorded
    if (!PublishDeviceRegistry(context)) {
        StopCjcSampler(context);
        return FALSE;
    }
    return TRUE;
}
