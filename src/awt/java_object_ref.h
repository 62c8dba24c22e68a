#pragma once
// CJObjectRef: a scoped holder of one Java reference and a counted reference to the bridge it
// belongs to, used to read a java.awt.Rectangle or a frame's title. It deletes the handle when
// it ends; a user that lends it a handle it does not own takes the handle back first
// (ReleaseHandle).

#include <windows.h>

#include "MvJavaJniComRot_h.h"

namespace mv {

class CJObjectRef {
public:
    CJObjectRef(IMvJavaCpp* bridge, UINT64 handle) noexcept;
    ~CJObjectRef();
    CJObjectRef(const CJObjectRef&) = delete;
    CJObjectRef& operator=(const CJObjectRef&) = delete;

    // The int fields of a rectangle; 0 without bridge or handle, or when the read fails.
    LONG GetX() const noexcept { return IntField(L"x"); }
    LONG GetY() const noexcept { return IntField(L"y"); }
    LONG GetWidth() const noexcept { return IntField(L"width"); }
    LONG GetHeight() const noexcept { return IntField(L"height"); }

    // getTitle() of the held object straight into `title`; its HRESULT becomes the status
    // (E_FAIL without bridge or handle).
    HRESULT GetTitle(BSTR* title) noexcept;

    HRESULT Status() const noexcept { return m_status; }
    // Gives a borrowed handle back, so that it is not deleted.
    UINT64 ReleaseHandle() noexcept;

private:
    LONG IntField(const wchar_t* name) const noexcept;

    HRESULT m_status = S_OK;
    IMvJavaCpp* m_pBridge;  // counted
    UINT64 m_hObj;
};

}  // namespace mv
