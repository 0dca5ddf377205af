// A fresh device root for each test: the simulated drivers journal into it,
// and the test reads the journals back.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/testing/LogCapture.h"

class DeviceTestRoot : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dialvane-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_base = pattern;
        m_root = m_base / "unit";
        setenv("DIALVANE_ROOT", m_root.c_str(), 1);
        setenv("DIALVANE_DISPLAY", "none", 1);
        ASSERT_TRUE(dv::ProvisionDeviceRoot());
        m_log.Clear();
    }

    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_base, ec);
    }

    std::filesystem::path Root() const { return m_root; }

    std::string Journal(const std::string& device) const {
        std::ifstream in(m_root / "dev" / (device + ".log"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    void ClearJournal(const std::string& device) const {
        std::filesystem::remove(m_root / "dev" / (device + ".log"));
    }

    void TouchFile(const std::string& relative) const { std::ofstream(m_root / relative) << ""; }

    std::vector<unsigned char> ReadBytes(const std::string& relative) const {
        std::ifstream in(m_root / relative, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }

    void WriteBytes(const std::string& relative, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(m_root / relative, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    dv::testing::LogCapture m_log;
    std::filesystem::path m_base;
    std::filesystem::path m_root;
};
