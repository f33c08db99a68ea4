#include "ComponentMask.h"

CComponentMask::CComponentMask(ULONG mask)
    : m_bBIOS((mask & kBIOS) != 0),
      m_bSMBIOS((mask & kSMBIOS) != 0),
      m_bCooling((mask & kCooling) != 0),
      m_bPayload((mask & kPayload) != 0),
      m_bTokens((mask & kTokens) != 0),
      m_bCombined((mask & kCombined) != 0)
{
}

const wchar_t* CComponentMask::NameOf(ULONG component)
{
    switch (component) {
    case kBIOS:
        return L"BIOS";
    case kSMBIOS:
        return L"SMBIOS";
    case kCooling:
        return L"Cooling";
    case kPayload:
        return L"Payload";
    case kTokens:
        return L"Tokens Configuration Data";
    default:
        return L"";
    }
}
