#include "platform/testing/FakeDriverScope.h"

namespace dv::testing {

ScopedDriver::ScopedDriver(std::wstring name, std::shared_ptr<FakeStreamDriver> fake)
    : m_name(std::move(name)), m_fake(std::move(fake)) {
    std::weak_ptr<FakeStreamDriver> weak = m_fake;
    m_previous = ReplaceDriverFactory(m_name, [weak]() -> std::unique_ptr<IStreamDriver> {
        auto fake = weak.lock();
        return fake ? fake->NewInstance() : nullptr;
    });
}

ScopedDriver::~ScopedDriver() {
    ReplaceDriverFactory(m_name, std::move(m_previous));
}

}  // namespace dv::testing
