#include "platform/testing/FakeStreamDriver.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/Journal.h"

namespace dv::testing {

namespace {

DriverCall CallOf(DriverOp op) {
    DriverCall call;
    call.op = op;
    return call;
}

}  // namespace

class FakeDriverInstance final : public IStreamDriver {
public:
    explicit FakeDriverInstance(std::shared_ptr<FakeStreamDriver> owner)
        : m_owner(std::move(owner)) {}

    DWORD Open() override {
        DWORD error = m_owner->Record(CallOf(DriverOp::Open));
        if (error == ERROR_SUCCESS) {
            std::lock_guard guard(m_owner->m_lock);
            ++m_owner->m_openHandles;
        }
        return error;
    }

    DWORD IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE>,
                    DWORD& returned) override {
        returned = 0;
        DriverCall call = CallOf(DriverOp::IoControl);
        call.code = code;
        call.input.assign(input.begin(), input.end());
        return m_owner->Record(std::move(call));
    }

    DWORD Seek(int64_t distance, DWORD method, uint64_t& position) override {
        DriverCall call = CallOf(DriverOp::Seek);
        call.distance = distance;
        call.method = method;
        DWORD error = m_owner->Record(std::move(call));
        if (error != ERROR_SUCCESS) {
            return error;
        }
        int64_t base = method == FILE_CURRENT ? static_cast<int64_t>(m_position)
                       : method == FILE_END   ? static_cast<int64_t>(MemorySize())
                                              : 0;
        if (base + distance < 0) {
            return ERROR_INVALID_PARAMETER;
        }
        m_position = static_cast<uint64_t>(base + distance);
        position = m_position;
        return ERROR_SUCCESS;
    }

    DWORD Read(std::span<BYTE> buffer, DWORD& count) override {
        count = 0;
        DriverCall call = CallOf(DriverOp::Read);
        call.count = static_cast<DWORD>(buffer.size());
        DWORD error = m_owner->Record(std::move(call));
        if (error != ERROR_SUCCESS) {
            return error;
        }
        std::lock_guard guard(m_owner->m_lock);
        const auto& memory = m_owner->m_memory;
        std::size_t available = m_position < memory.size() ? memory.size() - m_position : 0;
        std::size_t n = std::min(buffer.size(), available);
        if (m_owner->m_readLimit) {
            n = std::min<std::size_t>(n, *m_owner->m_readLimit);
        }
        std::copy_n(memory.begin() + static_cast<std::ptrdiff_t>(m_position), n, buffer.begin());
        m_position += n;
        count = static_cast<DWORD>(n);
        return ERROR_SUCCESS;
    }

    DWORD Write(std::span<const BYTE> data, DWORD& count) override {
        count = 0;
        DriverCall call = CallOf(DriverOp::Write);
        call.input.assign(data.begin(), data.end());
        call.count = static_cast<DWORD>(data.size());
        DWORD error = m_owner->Record(std::move(call));
        if (error != ERROR_SUCCESS) {
            return error;
        }
        std::lock_guard guard(m_owner->m_lock);
        auto& memory = m_owner->m_memory;
        if (m_position + data.size() > memory.size()) {
            memory.resize(m_position + data.size(), 0xFF);
        }
        std::copy(data.begin(), data.end(),
                  memory.begin() + static_cast<std::ptrdiff_t>(m_position));
        m_position += data.size();
        count = static_cast<DWORD>(data.size());
        return ERROR_SUCCESS;
    }

    void Close() override {
        m_owner->Record(CallOf(DriverOp::Close));
        std::lock_guard guard(m_owner->m_lock);
        --m_owner->m_openHandles;
    }

private:
    std::size_t MemorySize() const {
        std::lock_guard guard(m_owner->m_lock);
        return m_owner->m_memory.size();
    }

    std::shared_ptr<FakeStreamDriver> m_owner;
    uint64_t m_position = 0;
};

FakeStreamDriver::FakeStreamDriver(std::size_t memorySize, BYTE fill)
    : m_memory(memorySize, fill) {}

void FakeStreamDriver::FailOpen(DWORD error) {
    std::lock_guard guard(m_lock);
    m_openError = error;
}

void FakeStreamDriver::FailOperation(DriverOp op, DWORD error, unsigned nth) {
    std::lock_guard guard(m_lock);
    m_failures.push_back(PlannedFailure{op, error, nth == 0 ? 1 : nth});
}

void FakeStreamDriver::LimitReads(DWORD count) {
    std::lock_guard guard(m_lock);
    m_readLimit = count;
}

void FakeStreamDriver::SetMemory(std::size_t offset, const std::vector<BYTE>& bytes) {
    std::lock_guard guard(m_lock);
    if (offset + bytes.size() > m_memory.size()) {
        m_memory.resize(offset + bytes.size(), 0xFF);
    }
    std::copy(bytes.begin(), bytes.end(), m_memory.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::vector<BYTE> FakeStreamDriver::Memory(std::size_t offset, std::size_t size) const {
    std::lock_guard guard(m_lock);
    std::vector<BYTE> out;
    for (std::size_t i = offset; i < offset + size && i < m_memory.size(); ++i) {
        out.push_back(m_memory[i]);
    }
    return out;
}

std::vector<DriverCall> FakeStreamDriver::Calls() const {
    std::lock_guard guard(m_lock);
    return m_calls;
}

std::vector<std::string> FakeStreamDriver::Lines() const {
    std::vector<std::string> lines;
    for (const DriverCall& call : Calls()) {
        switch (call.op) {
            case DriverOp::Open:
                if (call.error == ERROR_SUCCESS) {
                    lines.emplace_back("open");
                }
                break;
            case DriverOp::IoControl: {
                char head[32];
                std::snprintf(head, sizeof head, "ioctl 0x%08x", static_cast<unsigned>(call.code));
                lines.emplace_back(call.input.empty()
                                       ? std::string(head)
                                       : std::string(head) + " in " + HexBytes(call.input));
                break;
            }
            case DriverOp::Seek:
                lines.push_back("seek " + std::to_string(call.distance) +
                                (call.method == FILE_CURRENT ? " current"
                                 : call.method == FILE_END   ? " end"
                                                             : ""));
                break;
            case DriverOp::Read:
                lines.push_back("read " + std::to_string(call.count));
                break;
            case DriverOp::Write:
                lines.push_back("write " + std::to_string(call.count));
                break;
            case DriverOp::Close:
                lines.emplace_back("close");
                break;
        }
    }
    return lines;
}

std::size_t FakeStreamDriver::Count(DriverOp op) const {
    std::lock_guard guard(m_lock);
    return static_cast<std::size_t>(std::count_if(
        m_calls.begin(), m_calls.end(), [op](const DriverCall& c) { return c.op == op; }));
}

int FakeStreamDriver::OpenHandles() const {
    std::lock_guard guard(m_lock);
    return m_openHandles;
}

void FakeStreamDriver::ClearCalls() {
    std::lock_guard guard(m_lock);
    m_calls.clear();
}

DWORD FakeStreamDriver::PlannedError(DriverOp op) {
    if (op == DriverOp::Open && m_openError) {
        return *m_openError;
    }
    DWORD error = ERROR_SUCCESS;
    for (PlannedFailure& failure : m_failures) {
        if (failure.op == op && --failure.remaining == 0 && error == ERROR_SUCCESS) {
            error = failure.error;
        }
    }
    std::erase_if(m_failures, [](const PlannedFailure& f) { return f.remaining == 0; });
    return error;
}

DWORD FakeStreamDriver::Record(DriverCall call) {
    std::lock_guard guard(m_lock);
    call.error = call.op == DriverOp::Close ? ERROR_SUCCESS : PlannedError(call.op);
    m_calls.push_back(call);
    return call.error;
}

std::unique_ptr<IStreamDriver> FakeStreamDriver::NewInstance() {
    return std::make_unique<FakeDriverInstance>(shared_from_this());
}

}  // namespace dv::testing
