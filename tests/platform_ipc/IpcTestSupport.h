// Shared set-up of the IPC tests: no display and a fresh runtime folder per
// test, removed afterwards.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace dv::test {

class IpcTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path m_runtime;
};

}  // namespace dv::test
