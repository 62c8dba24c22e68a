#pragma once
// Java object handles: JNI references carried in unsigned 64-bit automation values. The 32-bit
// module reads the low 32 bits and hands references out sign-extended; the 64-bit module
// carries the whole reference. Zero means no object.

#include <windows.h>

#include <cstdint>

#include <jni.h>

#include "common/jni/pointer_bits.h"

namespace mv {

inline jobject HandleToJObject(UINT64 handle) noexcept {
    return reinterpret_cast<jobject>(static_cast<std::uintptr_t>(PointerFromCarrier(handle)));
}

inline UINT64 JObjectToHandle(jobject ref) noexcept {
    return CarrierFromPointer(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(ref)));
}

}  // namespace mv
