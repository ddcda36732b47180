// The CJC history of a module. The sampler and the offset requests write it one 16-bit field
// at a time, and readers copy it without the transfer lock, so every field is accessed
// atomically.
#pragma once

#include "device_context.h"

// The offset word from a big-endian IN(2,33) reply as it came off the wire.
void StoreOffsetWord(DeviceContext *context, uint32_t wireWord);
// One more CJC code into the ring; the count saturates at five.
void StoreCjcSample(DeviceContext *context, uint16_t code);
// The 14 bytes as they stand, into a caller's buffer of any alignment.
void CopyCjcHistory(DeviceContext *context, void *out);
// Zero samples, zero offset word, count 0.
void ClearCjcHistory(DeviceContext *context);
