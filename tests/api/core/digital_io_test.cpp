// Digital input/output end to end: the module's lines, read-modify-write of the outputs,
// argument checks and the DO shadow.
#include <gtest/gtest.h>

#include "api/device_record.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

namespace {

class DigitalIO : public OpenDevice {
protected:
    nlohmann::json scenario() override
    {
        nlohmann::json s = QuietScenario();
        s["di"] = 0xA6;
        return s;
    }
    int ModuleOutputs() const { return module->state()["do"].get<int>(); }
    void SetOutputs(uint8_t value)
    {
        ASSERT_EQ(DioWriteDoPorts(handle, 0, 1, &value), 0u);
        module->clearWire();
    }
};

} // namespace

TEST_F(DigitalIO, ReadsTheInputLines)
{
    uint16_t byte = 0, bit = 9, mask = 0, word = 0xFFFF;
    uint32_t dmask = 0, dword = 0;
    ASSERT_EQ(DioReadPortByte(handle, 0, &byte), 0u);
    EXPECT_EQ(byte, 0xA6);
    ASSERT_EQ(DioReadBit(handle, 0, 1, &bit), 0u);
    EXPECT_EQ(bit, 1);
    ASSERT_EQ(DioReadBit(handle, 0, 0, &bit), 0u);
    EXPECT_EQ(bit, 0);
    ASSERT_EQ(DioReadPortWord(handle, 0, &mask, &word), 0u);
    EXPECT_EQ(mask, 0xFF);
    EXPECT_EQ(word, 0xA6) << "the high byte is 0";
    ASSERT_EQ(DioReadPortDword(handle, 0, &dmask, &dword), 0u);
    EXPECT_EQ(dmask, 0xFFu);
    EXPECT_EQ(dword, 0xA6u);
    uint8_t ports[2] = {};
    ASSERT_EQ(DioReadDiPorts(handle, 0, 1, ports), 0u);
    EXPECT_EQ(ports[0], 0xA6);
    module->update({{"di", 0x5A}});
    ASSERT_EQ(DioReadPortByte(handle, 0, &byte), 0u);
    EXPECT_EQ(byte, 0x5A);
}

TEST_F(DigitalIO, MaskedWriteKeepsTheOtherLines)
{
    SetOutputs(0xF0);
    ASSERT_EQ(DioWritePortByte(handle, 0, 0x0F, 0xA5), 0u);
    EXPECT_EQ(ModuleOutputs(), 0xF5);
    EXPECT_EQ(module->wire(GROUP_DIO, CMD_DIO_DO_READBACK_SELECT).size(), 1u)
        << "the present state is asked of the module";
    uint16_t out = 0;
    ASSERT_EQ(DioGetCurrentDOByte(handle, 0, &out), 0u);
    EXPECT_EQ(out, 0xF5);
    EXPECT_EQ(qms::api::FindRecordByHandle(handle)->doShadow, 0xF5);

    module->clearWire();
    ASSERT_EQ(DioWritePortByte(handle, 0, 0, 0xFF), 0u);
    EXPECT_EQ(ModuleOutputs(), 0xF5) << "mask 0 writes the present state back";
    EXPECT_EQ(module->wire(GROUP_DIO, CMD_DIO_DO_WRITE).size(), 1u);
}

TEST_F(DigitalIO, BitWritesSetAndClearOneLine)
{
    SetOutputs(0x00);
    ASSERT_EQ(DioWriteBit(handle, 0, 3, 5), 0u);
    EXPECT_EQ(ModuleOutputs(), 0x08) << "any nonzero state sets the line";
    ASSERT_EQ(DioWriteBit(handle, 0, 7, 1), 0u);
    ASSERT_EQ(DioWriteBit(handle, 0, 3, 0), 0u);
    EXPECT_EQ(ModuleOutputs(), 0x80);
    uint16_t state = 9;
    ASSERT_EQ(DioGetCurrentDOBit(handle, 0, 7, &state), 0u);
    EXPECT_EQ(state, 1);
}

TEST_F(DigitalIO, WideWritesUseTheLowByteOnly)
{
    SetOutputs(0x3C);
    ASSERT_EQ(DioWritePortDword(handle, 0, 0xFFFFFF00u, 0xFFFFFFFFu), 0u);
    EXPECT_EQ(ModuleOutputs(), 0x3C);
    ASSERT_EQ(DioWritePortWord(handle, 0, 0xFF03, 0x0001), 0u);
    EXPECT_EQ(ModuleOutputs(), 0x3D);
    uint16_t mask = 0, value = 0;
    ASSERT_EQ(DioGetCurrentDOWord(handle, 0, &mask, &value), 0u);
    EXPECT_EQ(mask, 0xFF);
    EXPECT_EQ(value, 0x3D);
    uint32_t dmask = 0, dvalue = 0;
    ASSERT_EQ(DioGetCurrentDODword(handle, 0, &dmask, &dvalue), 0u);
    EXPECT_EQ(dvalue, 0x3Du);
}

TEST_F(DigitalIO, PortsAndBitsOutOfRangeSendNothing)
{
    uint16_t value = 0x1234;
    uint8_t ports[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(DioReadBit(handle, 0, 8, &value), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(DioWriteBit(handle, 0, 8, 1), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(DioGetCurrentDOBit(handle, 0, 8, &value), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(DioReadPortByte(handle, 1, &value), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(DioWritePortByte(handle, 1, 0xFF, 0xFF), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(DioWriteBit(handle, 1, 0, 1), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(DioReadDiPorts(handle, 0, 2, ports), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(DioReadDiPorts(handle, 1, 0, ports), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(DioReadDiPorts(handle, 0, 0xFFFFFFFFu, ports), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(DioWriteDoPorts(handle, 0, 1, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(DioReadPortByte(handle, 0, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(value, 0x1234);
    EXPECT_EQ(ports[0], 0xEE);
    EXPECT_TRUE(module->wire().empty());
    // A request for no ports reads nothing into the buffer, whatever the driver makes of it.
    DioReadDiPorts(handle, 0, 0, ports);
    EXPECT_EQ(ports[0], 0xEE);
    EXPECT_TRUE(module->wire().empty());
}

TEST_F(DigitalIO, DriverProcCarriesTheDigitalCalls)
{
    SetOutputs(0xF0);
    DioPortWriteParams write{0, 0x0F, 0xA5};
    ASSERT_EQ(DriverProc(0, 0, FC_DIO_WRITE_PORT_BYTE, handle, &write), 0u);
    EXPECT_EQ(ModuleOutputs(), 0xF5);
    uint16_t value = 0, mask = 0;
    DioWordReadParams word{0, 0, &value, &mask};
    ASSERT_EQ(DriverProc(0, 0, FC_DIO_READ_PORT_WORD, handle, &word), 0u);
    EXPECT_EQ(value, 0xA6);
    EXPECT_EQ(mask, 0xFF);
    uint8_t port[2] = {};
    DioPortsParams ports{0, 1, port};
    ASSERT_EQ(DriverProc(0, 0, FC_DIO_GET_CURRENT_DO_PORTS_STATE, handle, &ports), 0u);
    EXPECT_EQ(port[0], 0xF5);
    DioDwordWriteParams dword{0, 0, 0xFF, 0x00};
    ASSERT_EQ(DriverProc(0, 0, FC_DIO_WRITE_PORT_DWORD, handle, &dword), 0u);
    EXPECT_EQ(ModuleOutputs(), 0x00);
}

TEST_F(DigitalIO, NoPortsAskedIsDoneWithoutTheModule)
{
    uint8_t ports[2] = {0xEE, 0xEE};
    EXPECT_EQ(DioReadDiPorts(handle, 0, 0, ports), 0u);
    EXPECT_EQ(DioGetCurrentDoPortsState(handle, 0, 0, ports), 0u);
    EXPECT_EQ(DioWriteDoPorts(handle, 0, 0, ports), 0u);
    EXPECT_EQ(DioReadDiPorts(handle, 0, 0, nullptr), 0u) << "no port, no buffer needed";
    EXPECT_EQ(ports[0], 0xEE);
    EXPECT_TRUE(module->wire().empty());
}

TEST_F(DigitalIO, AWriteTheModuleDidNotTakeIsAFailure)
{
    SetOutputs(0x00);
    module->update({{"faults", {{{"group", GROUP_DIO}, {"command", CMD_DIO_DO_WRITE}, {"fault", "stall"}}}}});
    const uint8_t byte = 0x3C;
    EXPECT_EQ(DioWritePortByte(handle, 0, 0xFF, 0x3C), TransferFailed(dev));
    EXPECT_EQ(DioWriteBit(handle, 0, 2, 1), TransferFailed(dev));
    EXPECT_EQ(DioWriteDoPorts(handle, 0, 1, &byte), TransferFailed(dev));
    EXPECT_EQ(ModuleOutputs(), 0x00);
    EXPECT_EQ(qms::api::FindRecordByHandle(handle)->doShadow, 0x00) << "the shadow holds what was written";

    module->update({{"clear_faults", true}});
    EXPECT_EQ(DioWritePortByte(handle, 0, 0xFF, 0x3C), 0u);
    EXPECT_EQ(ModuleOutputs(), 0x3C);
}
