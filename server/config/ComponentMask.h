// CComponentMask: which components of a configuration an operation handles, from the bits
// that clients pass as the component mask.
#pragma once

#include <windows.h>

class CComponentMask {
public:
    static constexpr ULONG kBIOS = 0x01;
    static constexpr ULONG kSMBIOS = 0x02;
    static constexpr ULONG kCooling = 0x04;
    static constexpr ULONG kPayload = 0x08;
    static constexpr ULONG kTokens = 0x10;
    // Set together with SMBIOS and tokens: the components kept in setup variables.
    static constexpr ULONG kCombined = kSMBIOS | kTokens | 0x20;

    CComponentMask() = default;
    explicit CComponentMask(ULONG mask);

    // Each answers true when its component is not selected; operations skip it then.
    bool IsBIOSSkipped() const { return !m_bBIOS; }
    bool IsSMBIOSSkipped() const { return !m_bSMBIOS; }
    bool IsCoolingSkipped() const { return !m_bCooling; }
    bool IsPayloadSkipped() const { return !m_bPayload; }
    bool IsTokensSkipped() const { return !m_bTokens; }
    bool IsCombinedSkipped() const { return !m_bCombined; }

    // The component's name in messages ("BIOS", "SMBIOS", ...); empty for other values.
    static const wchar_t* NameOf(ULONG component);

private:
    bool m_bBIOS = false;
    bool m_bSMBIOS = false;
    bool m_bCooling = false;
    bool m_bPayload = false;
    bool m_bTokens = false;
    bool m_bCombined = false;
};
