#include "platform/testing/ScopedStorageFault.h"

#include "platform/storage/StorageFaults.h"

namespace dv::testing {

ScopedStorageFault::ScopedStorageFault() : m_scope(std::make_unique<StorageFaultScope>()) {}

ScopedStorageFault::~ScopedStorageFault() = default;

void ScopedStorageFault::Fail(unsigned nth) {
    m_scope->Arm(nth, StorageFaultAction::Fail);
}

void ScopedStorageFault::Cut(unsigned nth) {
    m_scope->Arm(nth, StorageFaultAction::Cut);
}

std::vector<std::string> ScopedStorageFault::Steps() const {
    std::vector<std::string> names;
    for (ReplaceStep step : m_scope->Steps()) {
        names.emplace_back(ReplaceStepName(step));
    }
    return names;
}

}  // namespace dv::testing
