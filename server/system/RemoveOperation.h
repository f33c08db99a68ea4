// CRemoveOperation: takes the server's customisations out of the firmware again, component
// by component (cooling, BIOS image, SMBIOS), each framed by its remove events. It needs no
// configuration tree: what is removed is found in the firmware itself.
#pragma once

#include "EFIVar.h"

#include <windows.h>

#include <string>
#include <vector>

class CRemoveOperation {
public:
    // Runs the components of the mask in the order cooling (4), BIOS image (1), SMBIOS (2).
    // 0x02390014 when the cooling bit meets an installed fan-control configuration: then
    // nothing at all is done. Otherwise every selected component is tried; S_OK when each
    // was removed, E_FAIL when one or more were not (each has fired OnRemoveFail).
    HRESULT Remove(ULONG componentMask);

    // The BIOS image: "Setup" and "OemDefault" get the manufacturing defaults back.
    HRESULT SetManufacturingDefaults();
    // The SMBIOS strings: the variable each row's install writes is deleted.
    HRESULT RemoveSMBIOS();

    // The variables this operation changed, and those a failing step left as they were (the
    // ones it failed on and the ones after them), each as "Name" in quotes, in order. The
    // firmware has no transaction across variables, so a failure can leave "Setup" restored
    // and "OemDefault" not: the caller tells the user which.
    const std::vector<std::wstring>& Changed() const { return m_changed; }
    const std::vector<std::wstring>& LeftAsTheyWere() const { return m_leftAsTheyWere; }

private:
    using Step = HRESULT (CRemoveOperation::*)();

    // True when "FSCConfigVar" or "FSCDefConfigVar" exists: the cooling settings then belong
    // to a fan-control payload and are not the remove operation's to take away.
    bool HasFanControlConfiguration();
    // The cooling component, framed by its own events: on a board with one hardware-monitor
    // chip, RemoveCooling; on any other, OnNoCoolingHardwareFound and nothing else.
    HRESULT RemoveCoolingComponent();
    // Deletes "BmiUserSequence", the sequence that programs the chip at each start.
    HRESULT RemoveCooling();
    // One component: OnRemoveStart, the step, then OnRemoveFail, or the completion line,
    // OnRemoveSuccess and the BIOS-modified flag.
    HRESULT RunComponent(ULONG component, Step step, const wchar_t* completion);
    // The end of a component whose step gave `hr`.
    HRESULT FinishComponent(ULONG component, HRESULT hr, const wchar_t* completion);

    void NoteChanged(const wchar_t* name);
    void NoteLeft(const wchar_t* name);

    CEFIVar m_efiVar; // held for the whole operation, so the library is loaded once
    std::vector<std::wstring> m_changed;
    std::vector<std::wstring> m_leftAsTheyWere;
};

// Quoted names joined by ", ", or "none".
std::wstring VariableList(const std::vector<std::wstring>& names);
