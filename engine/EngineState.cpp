#include "engine/EngineState.h"

#include <array>

namespace glowmarsh {

namespace {

constexpr bool isPrime(int n) {
    if (n < 2) {
        return false;
    }
    for (int d = 2; d * d <= n; ++d) {
        if (n % d == 0) {
            return false;
        }
    }
    return true;
}

// 1, 11, every prime from 13 to 997, then 998 and 999.
constexpr std::array<std::int32_t, kPrimeCount> makePrimeTable() {
    std::array<std::int32_t, kPrimeCount> table{};
    int next = 0;
    table[next++] = 1;
    table[next++] = 11;
    for (int n = 13; n <= 997; ++n) {
        if (isPrime(n)) {
            table[next++] = n;
        }
    }
    table[next++] = 998;
    table[next++] = 999;
    return table;
}

constexpr std::array<std::int32_t, kPrimeCount> kPrimeTable = makePrimeTable();
static_assert(kPrimeTable[2] == 13 && kPrimeTable[83] == 449 && kPrimeTable[164] == 997);
static_assert(kPrimeTable[165] == 998 && kPrimeTable[166] == 999);

// The last digit of a tap's distance places it: 1 right, 9 left, 3 and 7 in
// between. The gain is the distance itself, so far taps weigh more.
void panGains(std::int32_t prime, double& left, double& right) {
    const double v = static_cast<double>(prime);
    switch (prime % 10) {
        case 1: left = 0.0; right = v; break;
        case 3: left = 0.25 * v; right = 0.75 * v; break;
        case 7: left = 0.75 * v; right = 0.25 * v; break;
        case 9: left = v; right = 0.0; break;
        default: left = 0.0; right = 0.0; break;  // no entry ends otherwise
    }
}

}  // namespace

// Everything the tables leave unset is zeroed, so nothing reads garbage.
EngineState::EngineState()
    : tapBuffer{}, primeTable{}, tapOffset{}, tapPanL{}, tapPanR{}, wetHistoryL{}, wetHistoryR{}, smoothCoeff{} {
    for (int i = 0; i < kPrimeCount; ++i) {
        primeTable[i] = kPrimeTable[i];
    }
    for (int i = 0; i <= kMaxTaps; ++i) {
        tapOffset[i] = primeTable[i];
        panGains(primeTable[i], tapPanL[i], tapPanR[i]);
    }
}

}  // namespace glowmarsh
