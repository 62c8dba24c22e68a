#include "hresult_tally.h"

#include <cstdio>

namespace mv::test {

const AllowedCodes kFieldCodes = {S_OK, E_FAIL};
const AllowedCodes kCallCodes = {S_OK, E_FAIL, E_INVALIDARG, DISP_E_BADINDEX, E_OUTOFMEMORY};
const AllowedCodes kArrayCodes = kCallCodes;
const AllowedCodes kHandleCodes = {S_OK, E_FAIL, E_INVALIDARG, E_OUTOFMEMORY};
const AllowedCodes kComponentCodes = {S_OK, S_FALSE, E_FAIL, E_INVALIDARG, E_OUTOFMEMORY};

bool HresultTally::Record(const std::string& member, HRESULT hr, const AllowedCodes& allowed) {
    ++m_counts[member][hr];
    return allowed.count(hr) != 0;
}

long long HresultTally::Total() const {
    long long total = 0;
    for (const auto& [member, codes] : m_counts)
        for (const auto& [hr, count] : codes) total += count;
    return total;
}

void HresultTally::Print(const char* suite, unsigned long long seed, int rounds) const {
    std::printf("robustness: hostile %s seed=0x%llx rounds=%d calls=%lld\n", suite, seed, rounds, Total());
    for (const auto& [member, codes] : m_counts) {
        std::printf("robustness: hostile %s %s", suite, member.c_str());
        for (const auto& [hr, count] : codes) std::printf(" 0x%08lX=%lld", static_cast<unsigned long>(hr), count);
        std::printf("\n");
    }
    std::fflush(stdout);
}

}  // namespace mv::test
