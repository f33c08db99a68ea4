// The firmware variables that the server's parts use. The toolkit makes its own backend
// current for its life (so the firmware-variable library is loaded once); a test or a
// benchmark may make an in-memory board current instead. With none current, an access
// object loads the library for as long as it lives.
#pragma once

#include "FirmwareVariables.h"

#include <memory>

class CFirmwareAccess {
public:
    CFirmwareAccess();
    ~CFirmwareAccess();
    CFirmwareAccess(const CFirmwareAccess&) = delete;
    CFirmwareAccess& operator=(const CFirmwareAccess&) = delete;

    IFirmwareVariables& Variables() { return *m_variables; }
    IFirmwareVariables* operator->() { return m_variables; }

    // Makes `variables` current (null for none) and returns the one that was.
    static IFirmwareVariables* SetCurrent(IFirmwareVariables* variables);
    static IFirmwareVariables* Current();

private:
    std::unique_ptr<IFirmwareVariables> m_owned;
    IFirmwareVariables* m_variables = nullptr;
};

// Makes `variables` current while it lives.
class CCurrentFirmwareVariables {
public:
    explicit CCurrentFirmwareVariables(IFirmwareVariables& variables)
        : m_previous(CFirmwareAccess::SetCurrent(&variables))
    {
    }
    ~CCurrentFirmwareVariables() { CFirmwareAccess::SetCurrent(m_previous); }
    CCurrentFirmwareVariables(const CCurrentFirmwareVariables&) = delete;
    CCurrentFirmwareVariables& operator=(const CCurrentFirmwareVariables&) = delete;

private:
    IFirmwareVariables* m_previous;
};
