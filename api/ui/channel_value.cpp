#include "api/ui/channel_value.h"

#include <algorithm>

#include "api/ui/dialog_support.h"

namespace qms::api::ui {

std::u16string ChannelValueText(ValueForm form, float value)
{
    switch (form) {
    case ValueForm::Voltage:
        if (value < 1.0f)
            return Format("%.3fmV", static_cast<double>(value * 1000.0f));
        return Format("%.3fV", static_cast<double>(value));
    case ValueForm::Current:
        return Format("%.3fmA", static_cast<double>(value));
    case ValueForm::Temperature:
        break;
    }
    return Format("%.2f'C", static_cast<double>(value));
}

int NextRatePosition(int code, int position, int track)
{
    int next = position;
    switch (code) {
    case SB_LINELEFT:
        next = position - 1;
        break;
    case SB_LINERIGHT:
        next = position + 1;
        break;
    case SB_PAGELEFT:
        next = position - kRatePage;
        break;
    case SB_PAGERIGHT:
        next = position + kRatePage;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        next = track;
        break;
    default:
        return -1;
    }
    return std::clamp(next, kRateMin, kRateMax);
}

uint32_t PollPeriodMs(float rateHz)
{
    return static_cast<uint32_t>(1000.0f / rateHz);
}

} // namespace qms::api::ui
