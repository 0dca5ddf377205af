#include "platform/storage/StorageFaults.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/DebugLog.h"

namespace dv {

std::string_view ReplaceStepName(ReplaceStep step) {
    switch (step) {
        case ReplaceStep::OpenTemp:
            return "open temporary file";
        case ReplaceStep::Write:
            return "write";
        case ReplaceStep::Sync:
            return "fsync";
        case ReplaceStep::Rename:
            return "rename";
        case ReplaceStep::SyncDir:
            return "fsync folder";
    }
    return "?";
}

#ifdef DV_TEST_HOOKS
namespace {

constexpr std::string_view kFaultVariable = "DIALVANE_STORAGE_FAULT";

struct ArmedFault {
    unsigned remaining = 0;  // steps to go; the fault fires when it reaches 1
    StorageFaultAction action = StorageFaultAction::Fail;
    bool exitOnCut = false;
};

struct FaultState {
    std::mutex lock;
    bool scopeActive = false;
    std::vector<ReplaceStep> steps;
    std::optional<ArmedFault> armed;
    bool environmentRead = false;
    bool cutEndsProcess = false;
};

FaultState& State() {
    static FaultState* state = new FaultState;  // lives to the process end
    return *state;
}

// "fail:3" or "cut:3"; anything else is reported and ignored.
std::optional<ArmedFault> ParseFaultVariable(const char* text) {
    std::string value(text);
    auto colon = value.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    std::string action = value.substr(0, colon);
    char* end = nullptr;
    unsigned long nth = std::strtoul(value.c_str() + colon + 1, &end, 10);
    if (end == nullptr || *end != '\0' || nth == 0 || nth > 1000000) {
        return std::nullopt;
    }
    ArmedFault fault;
    fault.remaining = static_cast<unsigned>(nth);
    if (action == "fail") {
        fault.action = StorageFaultAction::Fail;
    } else if (action == "cut") {
        fault.action = StorageFaultAction::Cut;
        fault.exitOnCut = true;
    } else {
        return std::nullopt;
    }
    return fault;
}

void ReadEnvironmentOnce(FaultState& s) {
    if (s.environmentRead) {
        return;
    }
    s.environmentRead = true;
    const char* text = std::getenv(std::string(kFaultVariable).c_str());
    if (text == nullptr || *text == '\0') {
        return;
    }
    s.armed = ParseFaultVariable(text);
    if (!s.armed) {
        WriteDebugText("Storage: DIALVANE_STORAGE_FAULT must be fail:N or cut:N; ignored\r\n");
    }
}

}  // namespace

StepVerdict EnterReplaceStep(ReplaceStep step) {
    FaultState& s = State();
    std::lock_guard guard(s.lock);
    ReadEnvironmentOnce(s);
    if (s.scopeActive) {
        s.steps.push_back(step);
    }
    if (!s.armed) {
        return StepVerdict::Proceed;
    }
    if (s.armed->remaining > 1) {
        --s.armed->remaining;
        return StepVerdict::Proceed;
    }
    ArmedFault fired = *s.armed;
    s.armed.reset();
    if (fired.action == StorageFaultAction::Fail) {
        return StepVerdict::Fail;
    }
    s.cutEndsProcess = fired.exitOnCut;
    return StepVerdict::Cut;
}

void FinishPowerCut() {
    FaultState& s = State();
    bool endProcess = false;
    {
        std::lock_guard guard(s.lock);
        endProcess = s.cutEndsProcess;
    }
    if (endProcess) {
        ::_exit(kPowerCutExitStatus);
    }
}

StorageFaultScope::StorageFaultScope() {
    FaultState& s = State();
    std::lock_guard guard(s.lock);
    s.scopeActive = true;
    s.steps.clear();
    s.armed.reset();
}

StorageFaultScope::~StorageFaultScope() {
    FaultState& s = State();
    std::lock_guard guard(s.lock);
    s.scopeActive = false;
    s.steps.clear();
    s.armed.reset();
}

void StorageFaultScope::Arm(unsigned nth, StorageFaultAction action) {
    FaultState& s = State();
    std::lock_guard guard(s.lock);
    s.steps.clear();
    if (nth == 0) {
        s.armed.reset();
        return;
    }
    s.armed = ArmedFault{nth, action, false};
}

std::vector<ReplaceStep> StorageFaultScope::Steps() const {
    FaultState& s = State();
    std::lock_guard guard(s.lock);
    return s.steps;
}

#endif  // DV_TEST_HOOKS

}  // namespace dv
