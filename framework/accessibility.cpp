#include "accessibility.h"

#include "platform_calls.h"
#include "win_handles.h"

#include <oleacc.h>

#include <algorithm>

namespace {

// Made for each use rather than kept: the process asks a few times in all.
win::UniqueCom<IAccPropServices> PropertyServices() {
    void* services = nullptr;
    if (FAILED(Platform().CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                           &services)))
        return nullptr;
    return win::UniqueCom<IAccPropServices>(static_cast<IAccPropServices*>(services));
}

const MSAAPROPID& PropertyId(TAccProperty property) {
    switch (property) {
    case TAccProperty::Name: return PROPID_ACC_NAME;
    case TAccProperty::Description: return PROPID_ACC_DESCRIPTION;
    case TAccProperty::Role: break;
    }
    return PROPID_ACC_ROLE;
}

void Tell(IAccPropServices& services, HWND window, const TAccAnnotation& annotation) {
    const auto object = static_cast<DWORD>(OBJID_CLIENT);
    const auto child = static_cast<DWORD>(annotation.child);
    if (annotation.property == TAccProperty::Role) {
        VARIANT role{};
        role.vt = VT_I4;
        role.lVal = annotation.role;
        (void)services.SetHwndProp(window, object, child, PROPID_ACC_ROLE, role);
    } else {
        (void)services.SetHwndPropStr(window, object, child, PropertyId(annotation.property), annotation.text.c_str());
    }
}

}  // namespace

void TAccAnnotations::Set(HWND window, const TAccAnnotation& annotation) {
    auto same = std::find_if(annotations_.begin(), annotations_.end(), [&](const TAccAnnotation& a) {
        return a.child == annotation.child && a.property == annotation.property;
    });
    if (same != annotations_.end()) {
        if (same->text == annotation.text && same->role == annotation.role) return;
        *same = annotation;
    } else {
        annotations_.push_back(annotation);
    }
    if (!window) return;
    if (const auto services = PropertyServices()) Tell(*services, window, annotation);
}

void TAccAnnotations::TellWindow(HWND window) const {
    if (annotations_.empty()) return;
    const auto services = PropertyServices();
    if (!services) return;
    for (const TAccAnnotation& annotation : annotations_) Tell(*services, window, annotation);
}

void TAccAnnotations::ClearFromWindow(HWND window) const {
    if (annotations_.empty()) return;
    const auto services = PropertyServices();
    if (!services) return;
    for (const TAccAnnotation& annotation : annotations_) {
        const MSAAPROPID id = PropertyId(annotation.property);
        (void)services->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), static_cast<DWORD>(annotation.child),
                                       &id, 1);
    }
}
