// What in-process clients of this server reach beyond the published interfaces (the
// command-line front end): the toolkit object answers QueryInterface for IID_IToolkitInternal.
// Not in the type library, so scripts and the published contract do not change; a client
// built from this header against the same server gets the same layout.
#pragma once

#include <oaidl.h>
#include <unknwn.h>

// {5C0E7A21-9D34-4F6B-8E2A-71B3D64F0C95}
inline constexpr GUID IID_IToolkitInternal = {0x5c0e7a21, 0x9d34, 0x4f6b, {0x8e, 0x2a, 0x71, 0xb3, 0xd6, 0x4f, 0x0c, 0x95}};

struct IToolkitInternal : public IUnknown {
    // What Install(mask) would write into the firmware for the loaded configuration, without
    // writing anything: a JSON document (docs/install-plan.md). The result is what the
    // install would return; the configuration stays loaded and the firmware unchanged.
    virtual HRESULT STDMETHODCALLTYPE PlanInstall(ULONG qrvComponentMask, BSTR* plan) = 0;

    // Flashes the image file `bio` in one request: loads it, refuses it unless it is an image
    // for the running board, puts in the picture file `splash` (an empty string for none: the
    // image is then staged byte for byte as read) with the badge shown at (0, 0) when `badge`
    // is VARIANT_TRUE, and stages and arms the capsule; the board flashes at its next
    // restart. Needs no loaded configuration. Fires OnFlashStart, and OnFlashSuccess once the
    // capsule is armed. Returns S_OK, or 0x02390011 when an earlier call left a warning
    // unreported (which is then taken); a null name gives E_INVALIDARG, an empty image name
    // E_INVALIDARG, another board's image E_FAIL, a picture that does not fit 0x8239000D, each
    // with COM error information, and nothing staged.
    virtual HRESULT STDMETHODCALLTYPE FlashBIOS(BSTR bio, BSTR splash, short badge) = 0;

    // Whether the firmware marks itself as changed by this server (bit 0 of "QrvBiosModVar",
    // set by installs and removals): VARIANT_TRUE or VARIANT_FALSE, false when the variable is
    // absent. Only reads the firmware. E_POINTER for a null `set`; E_FAIL with error
    // information when the variable cannot be read.
    virtual HRESULT STDMETHODCALLTYPE IsBIOSModified(VARIANT_BOOL* set) = 0;

    // Names the operation of the next record this toolkit appends to the history of changes
    // ("set" for a command that installs one changed setting); that record takes the name and
    // the ones after it are named by their methods again. A null or empty name clears it.
    // Only added at the end: the methods above keep their places in the table.
    virtual HRESULT STDMETHODCALLTYPE SetHistoryOperation(BSTR name) = 0;

    // After an Install or a Remove of this toolkit that failed: what the firmware-variable
    // library answered to the write it refused ("the firmware-variable library answered
    // status 13 to the write of "Setup""), or an empty string when no write was refused. The
    // result of a refused write names the status only for the statuses the server knows.
    // E_POINTER for a null `text`.
    virtual HRESULT STDMETHODCALLTYPE GetRefusedWrite(BSTR* text) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IToolkitInternal, 0x5c0e7a21, 0x9d34, 0x4f6b, 0x8e, 0x2a, 0x71, 0xb3, 0xd6, 0x4f, 0x0c, 0x95)
#endif
