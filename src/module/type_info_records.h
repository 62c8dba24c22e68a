#pragma once
// The type-information record of each dual interface that a class of the module implements,
// all naming version 1.0 of the registered type library. TypeInfoRecord<IMvJavaCpp>() and so
// on; an interface without a record here does not link.

#include "MvJavaJniComRot_h.h"
#include "module/type_info_cache.h"

namespace mv {

template <typename Interface>
TypeInfoCache& TypeInfoRecord() noexcept;

template <> TypeInfoCache& TypeInfoRecord<IMvJavaCpp>() noexcept;
template <> TypeInfoCache& TypeInfoRecord<IJvmFinder>() noexcept;
template <> TypeInfoCache& TypeInfoRecord<IJObject>() noexcept;
template <> TypeInfoCache& TypeInfoRecord<IJAwtComponent>() noexcept;
template <> TypeInfoCache& TypeInfoRecord<IJAwtContainer>() noexcept;
template <> TypeInfoCache& TypeInfoRecord<IJAwtWindow>() noexcept;

// Keeps the registered type library loaded until the module ends, so that the proxies and stubs
// COM makes from it for the module's objects never load it anew. Every stub or proxy takes a
// reference to the library and gives it back when it goes; without one of its own the library's
// count drops to nothing between calls, and Wine's oleaut32 frees a library whose last reference
// goes while another thread takes it from its cache (a use after free under concurrent calls).
// Called where the module's objects start crossing apartments: a main object made, a published
// object looked up. A failure (the module not registered) leaves loading to each use, as before.
void HoldRegisteredTypeLibrary() noexcept;

}  // namespace mv
