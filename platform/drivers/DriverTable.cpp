#include "platform/drivers/DriverTable.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/drivers/BacklightDriver.h"
#include "platform/drivers/DriverHandle.h"
#include "platform/drivers/FlashDriver.h"
#include "platform/drivers/FmTransmitterDriver.h"
#include "platform/drivers/IicDriver.h"

namespace dv {
namespace {

template <typename Driver>
std::unique_ptr<IStreamDriver> Make() {
    return std::make_unique<Driver>();
}

struct DefaultDriver {
    const wchar_t* name;
    std::unique_ptr<IStreamDriver> (*make)();
};

constexpr DefaultDriver kDefaultDrivers[] = {
    {L"BAK1:", &Make<BacklightDriver>},
    {L"IIC1:", &Make<IicDriver>},
    {L"FMT1:", &Make<FmTransmitterDriver>},
    {L"FLS1:", &Make<FlashDriver>},
};

struct Overrides {
    std::mutex lock;
    std::map<std::wstring, DriverFactory> factories;
};

Overrides& TheOverrides() {
    static Overrides* overrides = new Overrides;  // lives to the process end
    return *overrides;
}

// Device names are not case-sensitive.
std::wstring Canonical(std::wstring_view name) {
    std::wstring out(name);
    for (wchar_t& c : out) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return out;
}

std::unique_ptr<IStreamDriver> MakeDriver(const std::wstring& name) {
    Overrides& o = TheOverrides();
    DriverFactory factory;
    {
        std::lock_guard guard(o.lock);
        if (auto it = o.factories.find(name); it != o.factories.end()) {
            factory = it->second;
        }
    }
    if (factory) {
        return factory();
    }
    for (const DefaultDriver& d : kDefaultDrivers) {
        if (name == d.name) {
            return d.make();
        }
    }
    return nullptr;
}

}  // namespace

DriverFactory ReplaceDriverFactory(std::wstring_view name, DriverFactory factory) {
    Overrides& o = TheOverrides();
    std::lock_guard guard(o.lock);
    std::wstring key = Canonical(name);
    DriverFactory previous;
    if (auto it = o.factories.find(key); it != o.factories.end()) {
        previous = std::move(it->second);
        o.factories.erase(it);
    }
    if (factory) {
        o.factories.emplace(key, std::move(factory));
    }
    return previous;
}

std::shared_ptr<StreamObject> OpenDriverHandle(std::wstring_view name, DWORD& error) {
    std::unique_ptr<IStreamDriver> driver = MakeDriver(Canonical(name));
    if (!driver) {
        error = ERROR_DEV_NOT_EXIST;
        return nullptr;
    }
    error = driver->Open();
    if (error != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_shared<DriverHandle>(std::move(driver));
}

}  // namespace dv
