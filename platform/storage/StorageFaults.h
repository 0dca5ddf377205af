// The seam through which tests and the power-cut harness break a file
// replacement at one chosen system call.
//
// Every replacement (a file opened with create, the registry file) goes
// through the same steps: open the temporary file, one or more writes, fsync,
// rename over the target, fsync of the folder. The steps are counted across
// the process; a fault armed at step N either fails that call (the replacement
// is abandoned and the target keeps its old bytes) or cuts it: the call and
// everything after it never happens, as if the power went at that instant.
//
// Without rebuilding, DIALVANE_STORAGE_FAULT=fail:N or cut:N arms the same
// fault for a whole process; there a cut ends the process at once with exit
// status kPowerCutExitStatus, leaving the disk as a power loss would.
//
// All of it is a test hook, compiled only with the build option DV_TEST_HOOKS;
// without it every step proceeds and the program reads no such variable.
#pragma once

#include <string_view>
#include <vector>

namespace dv {

enum class ReplaceStep { OpenTemp, Write, Sync, Rename, SyncDir };
enum class StorageFaultAction { Fail, Cut };
enum class StepVerdict { Proceed, Fail, Cut };

constexpr int kPowerCutExitStatus = 86;

std::string_view ReplaceStepName(ReplaceStep step);

#ifdef DV_TEST_HOOKS
// Called by the replacement code before each step's system call.
StepVerdict EnterReplaceStep(ReplaceStep step);
// Called by the replacement code once it has stopped at a cut (a cut write
// first puts half its bytes down). Ends the process when the cut was armed
// from the environment; returns otherwise.
void FinishPowerCut();

// Counts the replacement steps taken while it lives and can arm one fault.
// Only one scope may live at a time.
class StorageFaultScope {
public:
    StorageFaultScope();
    ~StorageFaultScope();
    StorageFaultScope(const StorageFaultScope&) = delete;
    StorageFaultScope& operator=(const StorageFaultScope&) = delete;

    // The nth step from now (1 = the next one) fails or is cut; once only.
    void Arm(unsigned nth, StorageFaultAction action);
    // The steps entered since the scope began or since the last Arm.
    std::vector<ReplaceStep> Steps() const;
};
#else
inline StepVerdict EnterReplaceStep(ReplaceStep) {
    return StepVerdict::Proceed;
}
inline void FinishPowerCut() {}
#endif

}  // namespace dv
