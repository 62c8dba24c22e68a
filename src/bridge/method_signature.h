#pragma once
// The parameters of a JNI method signature, to which the elements of an argument array convert: the
// JVM reads each slot as the signature says, so a slot of another kind, or a missing one, would
// hand the method garbage or make the JVM read past the slots.

#include <string_view>
#include <vector>

namespace mv {

// The type descriptor of each parameter of `methodsig` ("(I[JLjava/lang/String;)V" gives "I", "[J"
// and "Ljava/lang/String;"), viewing `methodsig`. False when it is no method signature.
bool ParameterDescriptors(const char* methodsig, std::vector<std::string_view>& parameters);

// The JNI type letter of a parameter: 'L' for any reference (class or array).
inline char ParameterKind(std::string_view descriptor) noexcept {
    return descriptor[0] == '[' ? 'L' : descriptor[0];
}

}  // namespace mv
