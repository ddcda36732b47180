#include "api/gain_list.h"

#include "qms_identity.h"

namespace qms::api {

namespace {

// code, high, low, name, module code, last word. The current ranges reach the module as one
// code, 0x1F; a module code of -1 means the range code itself is sent. Thermocouple rows sit
// at 8 + TcType; 0x22 stands for K and for E, so a lookup by code finds K.
constexpr tagINTERNALGAINLIST kInternalGainList[QMS_INTERNAL_GAIN_ROWS] = {
    {0x0008, 0.015f, 0.0f, u"0-0.015V", -1, 1},
    {0x000A, 0.05f, 0.0f, u"0-0.050V", -1, 1},
    {0x000B, 0.1f, 0.0f, u"0-0.100V", -1, 1},
    {0x000D, 0.5f, 0.0f, u"0-0.500V", -1, 1},
    {0x000E, 1.0f, 0.0f, u"0-1.0V", -1, 1},
    {0x000F, 2.5f, 0.0f, u"0-2.5V", -1, 1},
    {0x8000, 20.0f, 0.0f, u"0-20mA", 0x1F, 1},
    {0x8001, 20.0f, 4.0f, u"4-20mA", 0x1F, 0},
    {0x0012, 0.05f, -0.05f, u"J", 0x80, 0},
    {0x0022, 0.078f, -0.078f, u"K", 0x81, 1},
    {0x0028, 0.019f, 0.0f, u"S", 0x82, 1},
    {0x0011, 0.022f, -0.022f, u"T", 0x83, 1},
    {0x0018, 0.015f, 0.0f, u"B", 0x84, 0},
    {0x0019, 0.022f, 0.0f, u"R", 0x85, 0},
    {0x0022, 0.078f, -0.078f, u"E", 0x86, 0},
    {0x001D, 0.5f, 0.0f, u"0-0.500V CJC", 0x100, 1},
    {0x001F, 2.4f, 0.0f, u"0-20mA/4-20mA", -1, 0},
};

constexpr uint16_t kGainListEntries = 8; // the voltage and current ranges, rows 0 to 7

constexpr GainListEntry GainEntryOf(const tagINTERNALGAINLIST &row)
{
    GainListEntry entry{};
    entry.rangeCode = static_cast<uint16_t>(row.code);
    entry.high = row.high;
    entry.low = row.low;
    for (int i = 0; i < 16; ++i)
        entry.name[i] = row.name[i];
    return entry;
}

template <size_t N>
constexpr void CopyText(char16_t (&to)[N], const char16_t *from)
{
    for (size_t i = 0; i < N && from[i] != 0; ++i)
        to[i] = from[i];
}

constexpr DeviceFeatures MakeFeatures()
{
    DeviceFeatures f{};
    CopyText(f.version, u"Ver 2.4");
    CopyText(f.fileName, u"Qms6093.dll");
    f.deviceType = QMS_DEVICE_TYPE_CODE;
    f.channelCount = 8;
    f.value58 = 8;
    f.value60 = 8;
    f.adResolution = kAdResolutionBits;
    f.value70 = 2;
    f.gainCount = kGainListEntries;
    for (uint16_t i = 0; i < kGainListEntries; ++i)
        f.gainList[i] = GainEntryOf(kInternalGainList[i]);
    f.tail[0] = 0x1101;
    return f;
}

constexpr DeviceFeatures kFeatures = MakeFeatures();

} // namespace

const tagINTERNALGAINLIST (&InternalGainList())[QMS_INTERNAL_GAIN_ROWS] { return kInternalGainList; }

const DeviceFeatures &Features() { return kFeatures; }

int FindInternalGainRow(uint16_t rangeCode)
{
    for (int i = 0; i < static_cast<int>(QMS_INTERNAL_GAIN_ROWS); ++i) {
        if (static_cast<uint16_t>(kInternalGainList[i].code) == rangeCode)
            return i;
    }
    return kNoRow;
}

int FindGainListIndex(uint16_t rangeCode)
{
    for (int i = 0; i < kFeatures.gainCount; ++i) {
        if (kFeatures.gainList[i].rangeCode == rangeCode)
            return i;
    }
    return kNoRow;
}

} // namespace qms::api
