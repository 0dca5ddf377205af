// Breaks one step of the next file replacements while it lives, and tells
// which steps were taken ("open temporary file", "write", "fsync", "rename",
// "fsync folder"). A failed step is reported to the caller; a cut one stops
// everything from there on, as a power loss would.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace dv {
class StorageFaultScope;
}

namespace dv::testing {

class ScopedStorageFault {
public:
    ScopedStorageFault();
    ~ScopedStorageFault();
    ScopedStorageFault(const ScopedStorageFault&) = delete;
    ScopedStorageFault& operator=(const ScopedStorageFault&) = delete;

    // The nth step from now (1 = the next one) fails, or is cut.
    void Fail(unsigned nth);
    void Cut(unsigned nth);
    std::vector<std::string> Steps() const;

private:
    std::unique_ptr<StorageFaultScope> m_scope;
};

}  // namespace dv::testing
