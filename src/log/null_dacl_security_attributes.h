#pragma once
// Security attributes whose descriptor has a NULL discretionary access list, i.e. full access
// for everyone: objects shared by every process of the agent (the log mutex) are created with
// them so that processes of other users and integrity levels can open them too.

#include <windows.h>

#include <stdexcept>

#include "common/win/handles.h"

namespace NS_SECURITY_UTILS {

// Thrown when the descriptor memory cannot be allocated, or the descriptor cannot be
// initialised or given its NULL access list. `error()` is the Win32 error code.
class CSecurityAttributeInitializationException : public std::runtime_error {
public:
    CSecurityAttributeInitializationException(const char* what, DWORD error)
        : std::runtime_error(what), m_error(error) {}
    DWORD error() const noexcept { return m_error; }

private:
    DWORD m_error;
};

class CNullDaclSecurityAttributes {
public:
    // Builds the descriptor; throws CSecurityAttributeInitializationException.
    CNullDaclSecurityAttributes();
    CNullDaclSecurityAttributes(const CNullDaclSecurityAttributes&) = delete;
    CNullDaclSecurityAttributes& operator=(const CNullDaclSecurityAttributes&) = delete;

    // Valid while this object lives (it owns the descriptor memory); not inheritable.
    SECURITY_ATTRIBUTES* get() noexcept { return &m_attributes; }

private:
    mv::unique_hlocal m_descriptor;  // SECURITY_DESCRIPTOR_MIN_LENGTH bytes, zero-filled
    SECURITY_ATTRIBUTES m_attributes{};
};

}  // namespace NS_SECURITY_UTILS
