#pragma once

namespace zentari {

// The program: starts the session and the clock window (the other windows are
// made when first opened), runs the message loop until the clock closes, and
// always returns 0.
int runZentari(int argc, char** argv);

} // namespace zentari
