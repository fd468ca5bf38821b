#pragma once

#include <QRandomGenerator>
#include <QString>

#include <iostream>
#include <optional>

namespace zentari::test {

// The seed of a randomised test: ZENTARI_TEST_SEED when it is set, else
// `fallback`, else a fresh one. Printed either way, so that a failure seen
// once can be run again with the same moments and bytes.
inline quint32 testSeed(const char* test, std::optional<quint32> fallback = std::nullopt)
{
    bool given = false;
    quint32 seed = qEnvironmentVariable("ZENTARI_TEST_SEED").toUInt(&given);
    if (!given)
        seed = fallback ? *fallback : QRandomGenerator::system()->generate();
    std::cout << test << ": seed " << seed << " (ZENTARI_TEST_SEED=" << seed << " runs it again)"
              << std::endl;
    return seed;
}

} // namespace zentari::test
