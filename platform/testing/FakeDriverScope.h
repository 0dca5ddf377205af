// Puts a FakeStreamDriver in the place of a device for the scope of a test:
//
//   dv::testing::ScopedDriver bak(L"BAK1:");
//   ... code under test opens "BAK1:" ...
//   EXPECT_EQ(bak->Lines(), (std::vector<std::string>{"open", "ioctl 0x00002000 in 21", "close"}));
//
// When the scope ends the device is what it was before (the simulated
// hardware, or an outer fake).
#pragma once

#include <memory>
#include <string>

#include "platform/drivers/DriverTable.h"
#include "platform/testing/FakeStreamDriver.h"

namespace dv::testing {

class ScopedDriver {
public:
    explicit ScopedDriver(std::wstring name, std::shared_ptr<FakeStreamDriver> fake =
                                                 std::make_shared<FakeStreamDriver>());
    ~ScopedDriver();
    ScopedDriver(const ScopedDriver&) = delete;
    ScopedDriver& operator=(const ScopedDriver&) = delete;

    FakeStreamDriver& Fake() const { return *m_fake; }
    FakeStreamDriver* operator->() const { return m_fake.get(); }

private:
    std::wstring m_name;
    std::shared_ptr<FakeStreamDriver> m_fake;
    DriverFactory m_previous;
};

}  // namespace dv::testing
