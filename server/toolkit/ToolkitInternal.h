// What in-process clients of this server reach beyond the published interfaces (the
// command-line front end): the toolkit object answers QueryInterface for IID_IToolkitInternal.
// Not in the type library, so scripts and the published contract do not change; a client
// built from this header against the same server gets the same layout.
#pragma once

#include <unknwn.h>

// {5C0E7A21-9D34-4F6B-8E2A-71B3D64F0C95}
inline constexpr GUID IID_IToolkitInternal = {0x5c0e7a21, 0x9d34, 0x4f6b, {0x8e, 0x2a, 0x71, 0xb3, 0xd6, 0x4f, 0x0c, 0x95}};

struct IToolkitInternal : public IUnknown {
    // What Install(mask) would write into the firmware for the loaded configuration, without
    // writing anything: a JSON document (docs/install-plan.md). The result is what the
    // install would return; the configuration stays loaded and the firmware unchanged.
    virtual HRESULT STDMETHODCALLTYPE PlanInstall(ULONG qrvComponentMask, BSTR* plan) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IToolkitInternal, 0x5c0e7a21, 0x9d34, 0x4f6b, 0x8e, 0x2a, 0x71, 0xb3, 0xd6, 0x4f, 0x0c, 0x95)
#endif
