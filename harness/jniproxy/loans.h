#pragma once
// Memory that the JVM lent out (string chars, array elements), copied to this side: the proxy's
// copy, the server's pointer to give back, and which Get function lent it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mv::proxy {

struct Loan {
    std::uint32_t getSlot;          // GetStringChars, GetIntArrayElements, ...
    std::uint64_t serverPointer;
    std::uint32_t count;            // elements
    std::vector<std::uint8_t> bytes;  // the copy handed to the caller (with room for a NUL)
};

// Keeps `loan` and returns the address of its copy for the caller.
void* AddLoan(Loan loan);
// The loan at `pointer` if `getSlot` lent it; null otherwise. Valid until ForgetLoan.
Loan* FindLoan(const void* pointer, std::uint32_t getSlot);
void ForgetLoan(const void* pointer);

}  // namespace mv::proxy
