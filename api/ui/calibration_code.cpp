#include "api/ui/calibration_code.h"

#include "api/gain_list.h"

namespace qms::api::ui {

uint16_t CalibrationCodeOf(const std::u16string &rangeName)
{
    const int ranges = Features().gainCount;
    int found = ranges;
    for (int i = 0; i < ranges; ++i) {
        if (rangeName == InternalGainList()[i].name) {
            found = i;
            break;
        }
    }
    const tagINTERNALGAINLIST &row = InternalGainList()[found];
    return static_cast<uint16_t>(row.moduleCode >= 0 ? row.moduleCode : row.code);
}

} // namespace qms::api::ui
