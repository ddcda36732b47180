// A simulated module plugged for a dialog test, the device setting dialog run on it, and the
// registry values the dialog may write.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "tests/api/core/simulated_device.h"
#include "tests/api/ui/dialog_driver.h"

namespace qms::test {

inline const QString kSettingTitle = QStringLiteral("USB-6093 Device Setting");
constexpr uint32_t kDeviceTypeCode = 198;

// Runs `body` on the dialog with that title once it is up, inside its modal loop; a dialog
// the body leaves open is cancelled (Escape), so that a failed assertion never leaves the
// test waiting.
void InDialog(const QString &title, std::function<void(QDialog *)> body);

// Every value the dialogs may write for a device number, in both registry keys, as text.
std::map<std::string, std::string> RegistryValues(uint32_t deviceNumber);

class SettingDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = std::make_unique<SimulatedModule>(scenario());
        dev = module->deviceNumber();
    }
    void TearDown() override { module.reset(); }
    virtual nlohmann::json scenario() { return QuietScenario(); }

    // Runs DeviceConfig on the module with `body` driving the dialog; its end code.
    int32_t runDialog(std::function<void(QDialog *)> body);

    BoxAnswerer boxes;
    std::unique_ptr<SimulatedModule> module;
    uint32_t dev = 0;
};

} // namespace qms::test
