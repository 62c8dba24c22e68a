#include "module/type_info_records.h"

namespace mv {
namespace {

constexpr WORD kMajor = 1;
constexpr WORD kMinor = 0;

TypeInfoCache g_mvJavaCpp{IID_IMvJavaCpp, LIBID_MvJavaJniComRotLib, kMajor, kMinor};
TypeInfoCache g_jvmFinder{IID_IJvmFinder, LIBID_MvJavaJniComRotLib, kMajor, kMinor};
TypeInfoCache g_jObject{IID_IJObject, LIBID_MvJavaJniComRotLib, kMajor, kMinor};
TypeInfoCache g_jAwtComponent{IID_IJAwtComponent, LIBID_MvJavaJniComRotLib, kMajor, kMinor};
TypeInfoCache g_jAwtContainer{IID_IJAwtContainer, LIBID_MvJavaJniComRotLib, kMajor, kMinor};
TypeInfoCache g_jAwtWindow{IID_IJAwtWindow, LIBID_MvJavaJniComRotLib, kMajor, kMinor};

}  // namespace

template <> TypeInfoCache& TypeInfoRecord<IMvJavaCpp>() noexcept { return g_mvJavaCpp; }
template <> TypeInfoCache& TypeInfoRecord<IJvmFinder>() noexcept { return g_jvmFinder; }
template <> TypeInfoCache& TypeInfoRecord<IJObject>() noexcept { return g_jObject; }
template <> TypeInfoCache& TypeInfoRecord<IJAwtComponent>() noexcept { return g_jAwtComponent; }
template <> TypeInfoCache& TypeInfoRecord<IJAwtContainer>() noexcept { return g_jAwtContainer; }
template <> TypeInfoCache& TypeInfoRecord<IJAwtWindow>() noexcept { return g_jAwtWindow; }

// The main interface's type information holds a reference to its library until the module ends.
void HoldRegisteredTypeLibrary() noexcept { (void)g_mvJavaCpp.EnsureTypeInfo(LOCALE_SYSTEM_DEFAULT); }

}  // namespace mv
