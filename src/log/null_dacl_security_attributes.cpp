#include "log/null_dacl_security_attributes.h"

namespace NS_SECURITY_UTILS {

CNullDaclSecurityAttributes::CNullDaclSecurityAttributes()
    : m_descriptor(::LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH)) {
    if (!m_descriptor) {
        throw CSecurityAttributeInitializationException("cannot allocate a security descriptor",
                                                        ::GetLastError());
    }
    const PSECURITY_DESCRIPTOR descriptor = m_descriptor.get();
    if (!::InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)) {
        throw CSecurityAttributeInitializationException("cannot initialise a security descriptor",
                                                        ::GetLastError());
    }
    // DACL present but NULL: no access check at all (an empty DACL would deny everyone).
    if (!::SetSecurityDescriptorDacl(descriptor, TRUE, nullptr, FALSE)) {
        throw CSecurityAttributeInitializationException("cannot set a NULL access list",
                                                        ::GetLastError());
    }
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = descriptor;
    m_attributes.bInheritHandle = FALSE;
}

}  // namespace NS_SECURITY_UTILS
