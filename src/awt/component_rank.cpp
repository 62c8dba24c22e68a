// GetRelXPos and GetRelYPos: a component's column and row among its siblings. Siblings are
// ranked by their offset from the parent's origin; equal offsets share a rank, ranks are dense
// and start at 1.

#include <windows.h>

#include <map>
#include <vector>

#include "awt/component_objects.h"
#include "awt/dispatch_array.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "common/com/safearray.h"

namespace mv {
namespace {

// The previous key the walk starts from: a first key equal to it does not raise the rank.
constexpr LONG kNoPreviousKey = -9999;

}  // namespace

STDMETHODIMP CJAwtComponent::GetRelXPos(LONG* lRelX) noexcept { return RelativeRank(axis::x, lRelX); }

STDMETHODIMP CJAwtComponent::GetRelYPos(LONG* lRelY) noexcept { return RelativeRank(axis::y, lRelY); }

HRESULT CJAwtComponent::RelativeRank(axis along, LONG* rank) noexcept {
    if (!rank) return E_INVALIDARG;
    *rank = -1;
    const auto attachment = HoldJavaAttachment();
    return guard_hresult([&]() -> HRESULT {
        com_ptr<IDispatch> parentObject;
        if (FAILED(GetContainer(parentObject.put())) || !parentObject) return E_FAIL;
        const com_ptr<IJAwtContainer> parent = parentObject.try_query<IJAwtContainer>();
        const com_ptr<IJAwtComponent> parentComponent = parentObject.try_query<IJAwtComponent>();
        if (!parent || !parentComponent) return E_FAIL;

        // Offsets are taken from the parent's origin; unreadable parent bounds leave it at (0, 0),
        // which moves every key alike and so changes no rank.
        POINTL origin{0, 0};
        SIZE parentSize{0, 0};
        VARIANT_BOOL read = VARIANT_FALSE;
        if (FAILED(parentComponent->GetBounds(&origin, &parentSize, &read)) || read != VARIANT_TRUE) origin = {0, 0};

        unique_safearray children;
        if (FAILED(parent->GetChildComponents(children.put())) || !children) return E_FAIL;
        std::vector<com_ptr<IDispatch>> elements;
        if (FAILED(ReadDispatchArray(children.get(), elements))) return E_FAIL;

        std::multimap<LONG, com_ptr<IJAwtComponent>> byOffset;
        for (const com_ptr<IDispatch>& element : elements) {
            const com_ptr<IJAwtComponent> child = element.try_query<IJAwtComponent>();
            if (!child) return E_FAIL;
            POINTL position{0, 0};
            SIZE size{0, 0};
            VARIANT_BOOL known = VARIANT_FALSE;
            // A child whose bounds cannot be read has no position and takes no rank.
            if (FAILED(child->GetBounds(&position, &size, &known)) || known != VARIANT_TRUE) continue;
            const LONG key = along == axis::x ? position.x - origin.x : position.y - origin.y;
            byOffset.emplace(key, child);
        }

        UINT64 ownHandle = 0;
        {
            com_ptr<IDispatch> jvm;
            MV_RETURN_IF_FAILED(GetJvmAndHandle(jvm.put(), &ownHandle));
        }
        LONG counter = 0;
        LONG previousKey = kNoPreviousKey;
        for (const auto& [key, child] : byOffset) {
            if (key != previousKey) {
                ++counter;
                previousKey = key;
            }
            const com_ptr<IJObject> childObject = child.try_query<IJObject>();
            if (!childObject) return E_FAIL;
            com_ptr<IDispatch> jvm;
            UINT64 childHandle = 0;
            MV_RETURN_IF_FAILED(childObject->GetJvmAndHandle(jvm.put(), &childHandle));
            VARIANT_BOOL same = VARIANT_FALSE;
            if (SUCCEEDED(Bridge()->IsSameJavaObject(childHandle, ownHandle, &same)) && same == VARIANT_TRUE) {
                ::OutputDebugStringW(L"[Same Object - Match]");
                *rank = counter;
                return S_OK;
            }
        }
        return S_OK;  // not among the parent's children: -1
    });
}

}  // namespace mv
