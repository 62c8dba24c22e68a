#pragma once
// The parameters of a JNI method signature, to which the elements of an argument array convert: the
// JVM reads each slot as the signature says, so a slot of another kind, or a missing one, would
// hand the method garbage or make the JVM read past the slots.

#include <string>

namespace mv {

// The JNI type letter of each parameter of `methodsig` ("(I[JLjava/lang/String;)V" gives "ILL":
// classes and arrays are both references, 'L'). False when `methodsig` is no method signature.
bool ParameterKinds(const char* methodsig, std::string& kinds);

}  // namespace mv
