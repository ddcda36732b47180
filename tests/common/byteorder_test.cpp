// Byte order between host and module, in C++ and as C compiles it.
#include <array>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "qms_byteorder.h"

extern "C" {
uint16_t qms_c_swap16(uint16_t value);
uint32_t qms_c_swap32(uint32_t value);
uint32_t qms_c_load_be32(const uint8_t *bytes);
uint16_t qms_c_load_be16(const uint8_t *bytes);
void qms_c_store_be32(uint8_t *bytes, uint32_t value);
void qms_c_store_be16(uint8_t *bytes, uint16_t value);
}

namespace {

TEST(ByteOrder, SwapTurnsModuleWordsIntoHostValues)
{
    const uint8_t wire[4] = {0x00, 0x00, 0x01, 0x02};
    uint32_t raw;
    std::memcpy(&raw, wire, sizeof raw);
    EXPECT_EQ(Swap32(raw), 0x0102u);
    EXPECT_EQ(Swap32(raw), 258u);
    EXPECT_EQ(Swap16(0x0100), 1u);
    EXPECT_EQ(Swap32(0x11223344u), 0x44332211u);
    EXPECT_EQ(Swap16(0xA55Au), 0x5AA5u);
}

TEST(ByteOrder, SwapIsItsOwnInverse)
{
    for (uint32_t v : {0u, 1u, 0x80u, 0x8000u, 0x12345678u, 0x80000001u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Swap32(Swap32(v)), v);
        EXPECT_EQ(Swap16(Swap16(static_cast<uint16_t>(v))), static_cast<uint16_t>(v));
    }
    static_assert(Swap32(Swap32(0xDEADBEEFu)) == 0xDEADBEEFu, "usable at compile time");
}

TEST(ByteOrder, BigEndianHelpersWriteWireOrderAtAnyAlignment)
{
    std::array<uint8_t, 9> buf{};
    QmsStoreBe32(buf.data() + 1, 0x0102u); // odd address on purpose
    QmsStoreBe16(buf.data() + 6, 0x0220u);
    EXPECT_EQ(buf, (std::array<uint8_t, 9>{0, 0, 0, 1, 2, 0, 0x02, 0x20, 0}));
    EXPECT_EQ(QmsLoadBe32(buf.data() + 1), 0x0102u);
    EXPECT_EQ(QmsLoadBe16(buf.data() + 6), 0x0220u);

    // Loading a stored value gives it back; the bytes agree with a swapped host word.
    for (uint32_t v : {0u, 0x7Fu, 0xC6u, 0x3A5C6093u, 0xFFFFFFFFu}) {
        uint8_t bytes[4];
        QmsStoreBe32(bytes, v);
        EXPECT_EQ(QmsLoadBe32(bytes), v);
        uint32_t raw;
        std::memcpy(&raw, bytes, sizeof raw);
        EXPECT_EQ(Swap32(raw), v) << "little-endian host";
    }
}

TEST(ByteOrder, CompiledAsCTheHelpersAgree)
{
    for (uint32_t v : {0u, 0x0100u, 0x0102u, 0x12345678u, 0xFFFF0000u}) {
        EXPECT_EQ(qms_c_swap32(v), Swap32(v));
        EXPECT_EQ(qms_c_swap16(static_cast<uint16_t>(v)), Swap16(static_cast<uint16_t>(v)));
        uint8_t c[4], cpp[4];
        qms_c_store_be32(c, v);
        QmsStoreBe32(cpp, v);
        EXPECT_EQ(std::memcmp(c, cpp, 4), 0);
        EXPECT_EQ(qms_c_load_be32(c), v);
        qms_c_store_be16(c, static_cast<uint16_t>(v));
        EXPECT_EQ(qms_c_load_be16(c), static_cast<uint16_t>(v));
    }
}

TEST(ByteOrder, LittleEndianHelpersReadRegistryDataAtAnyAlignment)
{
    const uint8_t dword[5] = {0xFF, 0x44, 0x33, 0x22, 0x11}; // REG_DWORD 0x11223344, odd address
    EXPECT_EQ(QmsLoadLe32(dword + 1), 0x11223344u);
    uint8_t unit[3] = {};
    QmsStoreLe16(unit + 1, 0x20AC); // the euro sign as a UTF-16LE unit
    EXPECT_EQ(unit[1], 0xAC);
    EXPECT_EQ(unit[2], 0x20);
    EXPECT_EQ(QmsLoadLe16(unit + 1), 0x20ACu);
}

} // namespace
