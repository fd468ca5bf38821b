#include "failingwrites.h"

#include "core/atomicfile.h"
#include "core/error.h"

#include <gtest/gtest.h>

namespace zentari::test {

int failEachWriteUntilDone(const std::function<void()>& change,
                           const std::function<void(int failedAt)>& check)
{
    for (int failAt = 1;; ++failAt) {
        int writes = 0;
        setAtomicWriteHookForTesting([&writes, failAt](const QString&) {
            if (++writes == failAt)
                throw Error(QStringLiteral("Нет места на устройстве"));
        });
        bool done = false;
        try {
            change();
            done = true;
        } catch (const Error&) {
        }
        setAtomicWriteHookForTesting(nullptr);
        if (done)
            return failAt;
        check(failAt);
        if (::testing::Test::HasFailure())
            return failAt;
    }
}

} // namespace zentari::test
