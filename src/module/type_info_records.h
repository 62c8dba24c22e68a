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

}  // namespace mv
