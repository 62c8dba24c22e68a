#pragma once
// COM object infrastructure: table-driven QueryInterface, and the two shapes every class can
// be created in - stand-alone (own reference count) and aggregated (a non-delegating outer-
// facing unknown that holds the class, whose IUnknown forwards to the controlling unknown).
//
// A class derives from its interfaces and from com_object_base, lists its interfaces in
// `static const interface_entry* InterfaceTable()` and implements everything except the
// three IUnknown methods; create_instance<T> adds those for the shape asked for.

#include <windows.h>
#include <objbase.h>

#include <new>

#include "common/com/error.h"
#include "module/module_lock.h"

namespace mv {

// One row of an interface table. A plain row casts the object to the interface; a forwarding
// row passes the request to an inner unknown the object holds (for example the aggregated
// free-threaded marshaler), whose answer is final. The table ends with a row whose iid is null.
struct interface_entry {
    const IID* iid;
    void* (*cast)(void* self);
    IUnknown* (*inner)(void* self);
};

template <typename Self, typename Interface, typename Via = Interface>
interface_entry plain_entry() noexcept {
    return {&__uuidof(Interface),
            [](void* self) -> void* { return static_cast<Via*>(static_cast<Self*>(self)); },
            nullptr};
}

template <typename Self, typename Interface, IUnknown* (Self::*Inner)() const>
interface_entry forwarding_entry() noexcept {
    return {&__uuidof(Interface), nullptr,
            [](void* self) -> IUnknown* { return (static_cast<Self*>(self)->*Inner)(); }};
}

inline interface_entry end_of_table() noexcept { return {nullptr, nullptr, nullptr}; }

// Walks a table: IUnknown answers the first row; an IID matches the first row that names it.
// The reference is added through the interface found, so an aggregated class adds it to its
// controlling unknown.
HRESULT TableQueryInterface(void* self, const interface_entry* table, REFIID iid, void** out) noexcept;

// What every class shares: its module lock and the way to reach its controlling unknown.
class com_object_base {
public:
    com_object_base(const com_object_base&) = delete;
    com_object_base& operator=(const com_object_base&) = delete;

    // The object itself when stand-alone, the outer unknown when aggregated.
    virtual IUnknown* GetControllingUnknown() noexcept = 0;

protected:
    com_object_base() noexcept = default;
    virtual ~com_object_base() = default;

    // Called once the object has its final shape and a temporary reference; a failure
    // destroys the object and is returned by create_instance (default: nothing to do).
    virtual HRESULT FinalConstruct() noexcept { return S_OK; }

    template <typename T>
    friend class stand_alone_object;
    template <typename T>
    friend class aggregated_object;
    template <typename T>
    friend HRESULT create_instance(IUnknown* outer, REFIID iid, void** out) noexcept;

private:
    module_lock_holder m_moduleLock;
};

// Marks a destroyed object's count so that a use after the last release shows.
constexpr LONG kDestroyedRefCount = static_cast<LONG>(0xC0000001);

template <typename T>
class stand_alone_object final : public T {
public:
    using T::T;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
        return TableQueryInterface(static_cast<T*>(this), T::InterfaceTable(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override {
        return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
    }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) {
            m_refs = kDestroyedRefCount;
            delete this;
        }
        return static_cast<ULONG>(refs);
    }
    IUnknown* GetControllingUnknown() noexcept override {
        // The first table row is this object's IUnknown.
        return static_cast<IUnknown*>(T::InterfaceTable()[0].cast(static_cast<T*>(this)));
    }

private:
    volatile LONG m_refs = 0;
};

// The outer-facing object of an aggregate: its own count and IUnknown, holding the class.
template <typename T>
class aggregated_object final : public IUnknown {
public:
    explicit aggregated_object(IUnknown* outer) : m_contained(outer) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return TableQueryInterface(static_cast<T*>(&m_contained), T::InterfaceTable(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override {
        return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
    }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) {
            m_refs = kDestroyedRefCount;
            delete this;
        }
        return static_cast<ULONG>(refs);
    }
    T& contained() noexcept { return m_contained; }

private:
    // The class itself, with IUnknown forwarding to the controlling (outer) unknown.
    class contained_object final : public T {
    public:
        explicit contained_object(IUnknown* outer) : m_outer(outer) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
            return m_outer->QueryInterface(iid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() noexcept override { return m_outer->AddRef(); }
        STDMETHODIMP_(ULONG) Release() noexcept override { return m_outer->Release(); }
        IUnknown* GetControllingUnknown() noexcept override { return m_outer; }

    private:
        IUnknown* m_outer;  // not owned: the outer object owns the aggregate
    };

    volatile LONG m_refs = 0;
    contained_object m_contained;
};

// Creates one instance of T, stand-alone or (with `outer`) aggregated, and asks it for `iid`.
// Aggregation must ask for IUnknown. A failure destroys the new object and restores the lock.
template <typename T>
HRESULT create_instance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return guard_hresult([&]() -> HRESULT {
        IUnknown* unknown = nullptr;
        com_object_base* base = nullptr;
        if (outer) {
            auto* agg = new (std::nothrow) aggregated_object<T>(outer);
            MV_RETURN_IF_NULL_ALLOC(agg);
            unknown = agg;
            base = &agg->contained();
        } else {
            auto* obj = new (std::nothrow) stand_alone_object<T>();
            MV_RETURN_IF_NULL_ALLOC(obj);
            unknown = obj->GetControllingUnknown();
            base = obj;
        }
        // A temporary reference keeps the object alive through FinalConstruct and the query.
        unknown->AddRef();
        HRESULT hr = base->FinalConstruct();
        if (SUCCEEDED(hr)) hr = unknown->QueryInterface(iid, out);
        unknown->Release();  // destroys the object when the query failed
        return hr;
    });
}

}  // namespace mv
