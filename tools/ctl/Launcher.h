// The stand-in launcher: a window "Launcher_Tulvo" that answers 0 and
// prints one line per message received.
#pragma once

namespace ctl {

int RunLauncher();

}  // namespace ctl
