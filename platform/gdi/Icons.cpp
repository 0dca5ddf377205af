// LoadIconW: icons are decoded once per id and shared; like the unit's
// resource icons they need no destroying.
#include "platform/gdi/Icons.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Resources.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"
#include "platform/gdi/GdiLog.h"

namespace {

constexpr DWORD kErrorResourceNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

struct IconTable {
    std::mutex lock;
    std::map<unsigned, std::unique_ptr<std::vector<dv::gdi::IconImage>>> byId;
};

IconTable& Table() {
    static auto* table = new IconTable;  // lives to the process end
    return *table;
}

}  // namespace

HICON LoadIconW(HINSTANCE /*hInstance*/, LPCWSTR lpIconName) {
    if (lpIconName == nullptr || !IS_INTRESOURCE(lpIconName)) {
        dv::gdi::LogRefusal("LoadIconW", "icons are loaded by numeric id");
        SetLastError(kErrorResourceNotFound);
        return nullptr;
    }
    const auto id = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(lpIconName));
    auto& table = Table();
    std::scoped_lock lock(table.lock);
    auto it = table.byId.find(id);
    if (it == table.byId.end()) {
        const dv::EmbeddedResource* resource = dv::FindEmbeddedResource(dv::ResourceKind::Icon, id);
        auto images = std::make_unique<std::vector<dv::gdi::IconImage>>();
        if (resource != nullptr) {
            *images = dv::gdi::DecodeIco({resource->data, resource->size});
        }
        if (images->empty()) {
            dv::gdi::LogRefusal("LoadIconW",
                                resource == nullptr
                                    ? "no icon resource " + std::to_string(id)
                                    : "icon resource " + std::to_string(id) + " cannot be read");
            SetLastError(kErrorResourceNotFound);
            return nullptr;
        }
        it = table.byId.emplace(id, std::move(images)).first;
    }
    return reinterpret_cast<HICON>(it->second.get());
}

namespace dv::gdi {

const std::vector<IconImage>* IconImages(HICON icon) {
    auto& table = Table();
    std::scoped_lock lock(table.lock);
    for (const auto& [id, images] : table.byId) {
        if (reinterpret_cast<HICON>(images.get()) == icon) {
            return images.get();
        }
    }
    return nullptr;
}

}  // namespace dv::gdi
