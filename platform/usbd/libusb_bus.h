// The libusb bus backend: USB-6093 modules plugged into this machine, attached to the host
// stack like the simulated ones. Asynchronous transfers only, one event thread, hot-plug
// callbacks that hand their work to a worker thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qms_export.h"

namespace qms::usbd::libusb_bus {

// False when QMS_USB is "off".
bool enabled();
// Opens libusb and attaches the modules plugged now, on the calling thread; later arrivals
// and removals follow by hot-plug. Without libusb access the platform goes on without it.
void start();
// Takes every module off the host's bus (their pending transfers end, their handles are
// closed) and ends the backend's threads.
void stop();
// How many real modules are attached now.
QMS_EXPORT size_t attachedCount();
// One line for each module found but not attached: busy in another program, no permission.
QMS_EXPORT std::vector<std::string> unavailableModules();

} // namespace qms::usbd::libusb_bus
