#include "loans.h"

#include <map>
#include <memory>

#include "common/win/critical_section.h"

namespace mv::proxy {

namespace {

struct Loans {
    critical_section lock;
    std::map<const void*, std::unique_ptr<Loan>> byPointer;
};

Loans& TheLoans() {
    static Loans loans;
    return loans;
}

}  // namespace

void* AddLoan(Loan loan) {
    auto owned = std::make_unique<Loan>(std::move(loan));
    if (owned->bytes.empty()) owned->bytes.resize(1);  // a distinct, valid address even when empty
    void* pointer = owned->bytes.data();
    Loans& loans = TheLoans();
    critical_section_lock hold(loans.lock);
    loans.byPointer[pointer] = std::move(owned);
    return pointer;
}

Loan* FindLoan(const void* pointer, std::uint32_t getSlot) {
    Loans& loans = TheLoans();
    critical_section_lock hold(loans.lock);
    auto it = loans.byPointer.find(pointer);
    return it != loans.byPointer.end() && it->second->getSlot == getSlot ? it->second.get() : nullptr;
}

void ForgetLoan(const void* pointer) {
    Loans& loans = TheLoans();
    critical_section_lock hold(loans.lock);
    loans.byPointer.erase(pointer);
}

}  // namespace mv::proxy
