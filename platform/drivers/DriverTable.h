// Which driver answers a device name. The simulated hardware is the default;
// a benchmark or a test puts its own driver in a name's place for a while,
// without the system code knowing.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/core/StreamObject.h"
#include "platform/drivers/StreamDriver.h"

namespace dv {

using DriverFactory = std::function<std::unique_ptr<IStreamDriver>()>;

// Puts factory in the place of the driver named name ("BAK1:"; case does not
// matter). An empty factory brings the default back. Returns the factory it
// replaced (empty when that was the default).
DriverFactory ReplaceDriverFactory(std::wstring_view name, DriverFactory factory);

// Opens the driver for a new handle: null with error set when there is no
// such device or its open failed.
std::shared_ptr<StreamObject> OpenDriverHandle(std::wstring_view name, DWORD& error);

}  // namespace dv
