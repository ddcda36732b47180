// DeviceGetFeatures, DeviceGetProperty, DeviceSetProperty: the module's description and the
// values named by a property code.
#include <cstring>

#include "api/api_call.h"
#include "api/gain_list.h"
#include "api/parameter_blocks.h"
#include "qms_identity.h"

using namespace qms::api;

namespace {

constexpr uint16_t kUserDataAddress = 0x300;

// How a property's bytes reach the caller's buffer.
enum class Delivery {
    Zeroed,      // the buffer's capacity is zeroed first, the size becomes the property's
    ValueOnly,   // only the value's bytes are written, the size becomes the property's
    SizeKept,    // only the value's bytes are written, the size stays as the caller gave it
};

struct PropertyValue {
    uint8_t bytes[QMS_USER_DATA_BYTES] = {};
    uint32_t size = 0;
    Delivery delivery = Delivery::Zeroed;
};

template <class T>
void Put(PropertyValue &property, T value, Delivery delivery = Delivery::Zeroed)
{
    std::memcpy(property.bytes, &value, sizeof value);
    property.size = sizeof value;
    property.delivery = delivery;
}

uint32_t ReadUserData(DeviceRecord &record, uint8_t *block)
{
    for (uint16_t i = 0; i < QMS_USER_DATA_BYTES; ++i) {
        uint32_t word = 0;
        if (DirectReadEEData(record.handle, static_cast<uint16_t>(kUserDataAddress + i), &word) != 0)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_BLOCK_ACCESS);
        block[i] = static_cast<uint8_t>(word);
    }
    return QMS_SUCCESS;
}

// The property's current value; reads the module for the module-backed ones. Returns 0,
// error index 501 when the module cannot be read, or error index 62 for an unknown code.
uint32_t FetchProperty(DeviceRecord &record, uint16_t code, PropertyValue &property)
{
    const uint32_t dev = record.deviceNumber;
    switch (code) {
    case QMS_PROP_DEVICE_NUMBER: Put<uint32_t>(property, record.deviceNumber); break;
    case QMS_PROP_BOARD_ID: Put<uint32_t>(property, record.settings.BoardID); break;
    case QMS_PROP_SWITCH_ID: Put<uint32_t>(property, record.settings.SwitchID); break;
    case 0x1000: Put<uint16_t>(property, 1); break;
    case QMS_PROP_BURNOUT_SETTINGS:
    case QMS_PROP_4_20MA_EXCEPTIONS: {
        const bool burnOut = code == QMS_PROP_BURNOUT_SETTINGS;
        uint32_t *settings = burnOut ? record.burnOutSetting : record.exception420;
        if (ReadDeviceParameters(&record,
                                 burnOut ? QMS_BLOCK_BURNOUT_SETTING : QMS_BLOCK_4_20MA_EXCEPTION,
                                 0, Features().channelCount, settings) != 0)
            return DeviceError(dev, QMS_ERRIDX_BLOCK_ACCESS);
        std::memcpy(property.bytes, settings, QMS_USER_DATA_BYTES);
        property.size = QMS_USER_DATA_BYTES;
        break;
    }
    case QMS_PROP_USER_DATA:
        if (const uint32_t failed = ReadUserData(record, property.bytes))
            return failed;
        property.size = QMS_USER_DATA_BYTES;
        break;
    case 0x3005: Put<uint8_t>(property, 2, Delivery::SizeKept); break;
    case 0x3C82: case 0x4806: Put<uint32_t>(property, 0, Delivery::ValueOnly); break;
    case 0x3C83: case 0x4807: Put<uint32_t>(property, 8, Delivery::ValueOnly); break;
    case 0x3C84: case 0x4808: Put<uint32_t>(property, 1, Delivery::ValueOnly); break;
    default:
        return DeviceError(dev, QMS_ERRIDX_PROPERTY_CODE);
    }
    return QMS_SUCCESS;
}

} // namespace

extern "C" QMS_EXPORT uint32_t DeviceGetFeatures(uint32_t handle, DeviceFeatures *buffer,
                                                 uint16_t /*size: always 800 bytes*/)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!buffer)
            return QMS_ERR_NULL_BUFFER;
        if (record.settings.BoardID != QMS_DEVICE_TYPE_CODE)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_DEVICE_TYPE);
        std::memcpy(buffer, &Features(), sizeof(DeviceFeatures));
        return QMS_SUCCESS;
    });
}

extern "C" QMS_EXPORT uint32_t DeviceGetProperty(uint32_t handle, uint16_t code, void *buffer,
                                                 uint32_t *size)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!size)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        PropertyValue property;
        // The module-backed properties are read even when only the size is asked for.
        if (const uint32_t failed = FetchProperty(record, code, property))
            return failed;
        if (!buffer) {
            *size = property.size;
            return QMS_SUCCESS;
        }
        if (*size < property.size) {
            *size = property.size;
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        }
        if (property.delivery == Delivery::Zeroed)
            std::memset(buffer, 0, *size);
        std::memcpy(buffer, property.bytes, property.size);
        if (property.delivery != Delivery::SizeKept)
            *size = property.size;
        return QMS_SUCCESS;
    });
}

extern "C" QMS_EXPORT uint32_t DeviceSetProperty(uint32_t handle, uint16_t code,
                                                 const void *buffer, uint32_t size)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        const uint32_t dev = record.deviceNumber;
        if (code == 0x1000)
            return QMS_SUCCESS;
        if (code != QMS_PROP_BURNOUT_SETTINGS && code != QMS_PROP_4_20MA_EXCEPTIONS &&
            code != QMS_PROP_USER_DATA)
            return DeviceError(dev, QMS_ERRIDX_PROPERTY_CODE);
        if (size < QMS_USER_DATA_BYTES)
            return DeviceError(dev, QMS_ERRIDX_PROPERTY_SIZE);
        if (!buffer)
            return DeviceError(dev, QMS_ERRIDX_ARGUMENT);
        if (code == QMS_PROP_USER_DATA) {
            uint8_t block[QMS_USER_DATA_BYTES];
            std::memcpy(block, buffer, sizeof block);
            for (uint16_t i = 0; i < QMS_USER_DATA_BYTES; ++i) {
                if (DirectWriteEEData(record.handle, static_cast<uint16_t>(kUserDataAddress + i),
                                      block[i]) != 0)
                    return DeviceError(dev, QMS_ERRIDX_BLOCK_ACCESS);
            }
            return QMS_SUCCESS;
        }
        const bool burnOut = code == QMS_PROP_BURNOUT_SETTINGS;
        uint32_t *settings = burnOut ? record.burnOutSetting : record.exception420;
        // The record takes the new settings before the module does, and keeps them if the
        // module write fails.
        std::memcpy(settings, buffer, QMS_USER_DATA_BYTES);
        if (WriteDeviceParameters(&record,
                                  burnOut ? QMS_BLOCK_BURNOUT_SETTING : QMS_BLOCK_4_20MA_EXCEPTION,
                                  0, QMS_AI_CHANNELS, settings) != 0)
            return DeviceError(dev, QMS_ERRIDX_BLOCK_ACCESS);
        return QMS_SUCCESS;
    });
}
