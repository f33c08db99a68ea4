#include "FirmwareAccess.h"

#include "LibraryVariables.h"

namespace {

// Process-wide like the toolkit that sets it; used by one thread at a time.
IFirmwareVariables* s_current = nullptr;

} // namespace

CFirmwareAccess::CFirmwareAccess()
{
    if (s_current) {
        m_variables = s_current;
        return;
    }
    m_owned = std::make_unique<CLibraryVariables>();
    m_variables = m_owned.get();
}

CFirmwareAccess::~CFirmwareAccess() = default;

IFirmwareVariables* CFirmwareAccess::SetCurrent(IFirmwareVariables* variables)
{
    IFirmwareVariables* previous = s_current;
    s_current = variables;
    return previous;
}

IFirmwareVariables* CFirmwareAccess::Current() { return s_current; }
