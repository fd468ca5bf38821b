#pragma once

namespace zentari {

// The program: creates the nine windows in order, runs the message loop until
// the clock closes, and always returns 0.
int runZentari(int argc, char** argv);

} // namespace zentari
