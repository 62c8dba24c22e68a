// Members of IMvJavaCpp whose subsystems are not built yet. Each answers E_NOTIMPL until its
// subsystem replaces it here.

#include "jvm/mv_java_cpp.h"

namespace mv {

STDMETHODIMP CMvJavaCpp::GetTypeInfoCount(UINT* /*count*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetTypeInfo(UINT /*index*/, LCID /*lcid*/, ITypeInfo** /*info*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetIDsOfNames(REFIID /*iid*/, LPOLESTR* /*names*/, UINT /*count*/, LCID /*lcid*/, DISPID* /*dispids*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::Invoke(DISPID /*dispid*/, REFIID /*iid*/, LCID /*lcid*/, WORD /*flags*/, DISPPARAMS* /*params*/, VARIANT* /*result*/, EXCEPINFO* /*excep*/, UINT* /*argErr*/) noexcept { return E_NOTIMPL; }

STDMETHODIMP CMvJavaCpp::AddAWTEventListener(LONG /*eventType*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::RemoveAWTEventListener(LONG /*eventType*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetMorvaneAWTHook(UINT64 * /*hook*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::NewDefJavaObject(BSTR /*className*/, UINT64 * /*hObject*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::ObjectToString(UINT64 /*hjObject*/, BSTR * /*stringValue*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetJavaClassName(UINT64 /*hjObject*/, BSTR * /*className*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::DeleteJavaObject(UINT64 /*hjObject*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::IsSameJavaObject(UINT64 /*hjObject1*/, UINT64 /*hjObject2*/, VARIANT_BOOL * /*b*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::IsInstanceOf(UINT64 /*hjObject*/, BSTR /*className*/, VARIANT_BOOL * /*b*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::NewJavaPrimitiveArray(JavaTypes /*type*/, LONG /*arraySize*/, UINT64 * /*hjArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetJavaPrimitiveArray(UINT64 /*hjArray*/, JavaTypes /*type*/, VARIANT /*inArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetJavaPrimitiveArray(UINT64 /*hjArray*/, JavaTypes /*type*/, VARIANT * /*outArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetJavaObjectArray(UINT64 /*hjArray*/, VARIANT * /*outArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetJavaArrayLength(UINT64 /*hjArray*/, LONG * /*size*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetJavaString(UINT64 /*hjString*/, BSTR * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::NewJavaString(BSTR /*value*/, UINT64 * /*hjString*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticBooleanField(UINT64 /*hjObject*/, BSTR /*fieldname*/, VARIANT_BOOL * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticByteField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned char * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticCharField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticShortField(UINT64 /*hjObject*/, BSTR /*fieldname*/, short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticIntField(UINT64 /*hjObject*/, BSTR /*fieldname*/, LONG * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticLongField(UINT64 /*hjObject*/, BSTR /*fieldname*/, INT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticFloatField(UINT64 /*hjObject*/, BSTR /*fieldname*/, float * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticDoubleField(UINT64 /*hjObject*/, BSTR /*fieldname*/, double * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticObjectField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR /*fieldsig*/, UINT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticBoolenField(UINT64 /*hjObject*/, BSTR /*fieldname*/, VARIANT_BOOL /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticByteField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned char /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticCharField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned short /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticShortField(UINT64 /*hjObject*/, BSTR /*fieldname*/, short /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticIntField(UINT64 /*hjObject*/, BSTR /*fieldname*/, LONG /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticLongField(UINT64 /*hjObject*/, BSTR /*fieldname*/, INT64 /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticFloatField(UINT64 /*hjObject*/, BSTR /*fieldname*/, float /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticDoubleField(UINT64 /*hjObject*/, BSTR /*fieldname*/, double /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticObjectField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR /*fieldsig*/, UINT64 /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetBooleanField(UINT64 /*hjObject*/, BSTR /*fieldname*/, VARIANT_BOOL * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetByteField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned char * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetCharField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetShortField(UINT64 /*hjObject*/, BSTR /*fieldname*/, short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetIntField(UINT64 /*hjObject*/, BSTR /*fieldname*/, LONG * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetLongField(UINT64 /*hjObject*/, BSTR /*fieldname*/, INT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetFloatField(UINT64 /*hjObject*/, BSTR /*fieldname*/, float * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetDoubleField(UINT64 /*hjObject*/, BSTR /*fieldname*/, double * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetObjectField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR /*fieldsig*/, UINT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetBooleanField(UINT64 /*hjObject*/, BSTR /*fieldname*/, VARIANT_BOOL /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetByteField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned char /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetCharField(UINT64 /*hjObject*/, BSTR /*fieldname*/, unsigned short /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetShortField(UINT64 /*hjObject*/, BSTR /*fieldname*/, short /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetIntField(UINT64 /*hjObject*/, BSTR /*fieldname*/, LONG /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetLongField(UINT64 /*hjObject*/, BSTR /*fieldname*/, INT64 /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetFloatField(UINT64 /*hjObject*/, BSTR /*fieldname*/, float /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetDoubleField(UINT64 /*hjObject*/, BSTR /*fieldname*/, double /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetObjectField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR /*fieldsig*/, UINT64 /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallVoidMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallBooleanMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, VARIANT_BOOL * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallByteMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, unsigned char * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallCharMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, unsigned short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallShortMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallIntMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, LONG * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallLongMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, INT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallFloatMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, float * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallDoubleMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, double * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallObjectMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, UINT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticVoidMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticBooleanMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, VARIANT_BOOL * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticByteMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, unsigned char * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticCharMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, unsigned short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticShortMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticIntMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, LONG * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticLongMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, INT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticFloatMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, float * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticDoubleMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, double * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticObjectMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, UINT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualVoidMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualBooleanMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, VARIANT_BOOL * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualByteMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, unsigned char * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualCharMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, unsigned short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualShortMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, short * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualIntMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, LONG * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualLongMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, INT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualFloatMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, float * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualDoubleMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, double * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualObjectMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, UINT64 * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStaticStringField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStaticStringField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetStringField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::SetStringField(UINT64 /*hjObject*/, BSTR /*fieldname*/, BSTR /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStringMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, BSTR * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallStaticStringMethod(UINT64 /*hjObject*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, BSTR * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::CallNonvirtualStringMethod(UINT64 /*hjObject*/, BSTR /*superclass*/, BSTR /*methodname*/, BSTR /*methodsig*/, VARIANT /*paramArray*/, BSTR * /*value*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetClassByName(BSTR /*bstrClassName*/, UINT64 * /*phObj*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::NewGlobalRef(UINT64 /*hObj*/, UINT64 * /*phObj*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetAllTopLevelComponents(SAFEARRAY ** /*pRet*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::MakeJComponentFromHandle(UINT64 /*hObj*/, IDispatch ** /*pRet*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetComponentFromHwnd(ULONG /*hHwnd*/, GetHWNDResultInfo * /*pInfo*/, IDispatch ** /*ppRet*/) noexcept { return E_NOTIMPL; }

}  // namespace mv
