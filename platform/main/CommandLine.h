// The panel's command line. The unit's program takes no arguments; here it
// also answers --help and --version, before anything is laid out on disk.
#pragma once

namespace dv {

// Returns only when there are no arguments. --help and --version print and
// end the program with status 0; anything else is refused with the usage
// and status 2. Nothing has been started or made on disk by then.
void HandleCommandLine(int argc, char** argv);

}  // namespace dv
