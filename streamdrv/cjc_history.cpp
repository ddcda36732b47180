#include "cjc_history.h"

#include <cstring>

namespace {

void Store(uint16_t &field, uint16_t value)
{
    __atomic_store_n(&field, value, __ATOMIC_RELAXED);
}

uint16_t Load(const uint16_t &field)
{
    return __atomic_load_n(&field, __ATOMIC_RELAXED);
}

} // namespace

void StoreOffsetWord(DeviceContext *context, uint32_t wireWord)
{
    Store(context->cjcHistory.offsetWord, static_cast<uint16_t>(Swap32(wireWord)));
}

void StoreCjcSample(DeviceContext *context, uint16_t code)
{
    CjcHistory &history = context->cjcHistory;
    Store(history.samples[context->sampleCounter % QMS_CJC_HISTORY_SLOTS], code);
    const uint16_t count = Load(history.count);
    if (count < QMS_CJC_HISTORY_SLOTS)
        Store(history.count, static_cast<uint16_t>(count + 1));
    ++context->sampleCounter;
}

void CopyCjcHistory(DeviceContext *context, void *out)
{
    const CjcHistory &history = context->cjcHistory;
    CjcHistory copy;
    for (unsigned slot = 0; slot < QMS_CJC_HISTORY_SLOTS; ++slot)
        copy.samples[slot] = Load(history.samples[slot]);
    copy.offsetWord = Load(history.offsetWord);
    copy.count = Load(history.count);
    std::memcpy(out, &copy, sizeof copy);
}

void ClearCjcHistory(DeviceContext *context)
{
    CjcHistory &history = context->cjcHistory;
    for (uint16_t &sample : history.samples)
        Store(sample, 0);
    Store(history.offsetWord, 0);
    Store(history.count, 0);
}
