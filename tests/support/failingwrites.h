#pragma once

#include <functional>

namespace zentari::test {

// Makes `change` with its n-th atomic file write failing as on a full disk,
// for n = 1, 2, … until the change goes through; after each failure `check(n)`
// looks at what it left. Stops at the first failed check. Returns the writes
// the change took.
int failEachWriteUntilDone(const std::function<void()>& change,
                           const std::function<void(int failedAt)>& check);

} // namespace zentari::test
