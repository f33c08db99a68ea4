// CTokensSetting (Server.TokensSetting.1): one setup token of the firmware's setup database,
// published as ITokenConfigData. The token builder fills it; lock and hide are possible only
// where the firmware provides a lock/hide control for the token.
#pragma once

#include "ConfigDataImpl.h"

#include <map>
#include <string>

class CTokensSetting final : public ConfigDataObject<CTokensSetting, ITokenConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;

    // ITokenConfigData
    IFACEMETHODIMP get_Locked(VARIANT_BOOL* locked) override;
    IFACEMETHODIMP put_Locked(VARIANT_BOOL locked) override;
    IFACEMETHODIMP get_Hidden(VARIANT_BOOL* hidden) override;
    IFACEMETHODIMP put_Hidden(VARIANT_BOOL hidden) override;
    IFACEMETHODIMP get_IsLockable(VARIANT_BOOL* lockable) override;
    IFACEMETHODIMP get_IsHideable(VARIANT_BOOL* hideable) override;
    IFACEMETHODIMP GetStringForValue(LONG lookupValue, BSTR* text) override;
    IFACEMETHODIMP get_IsApplicable(VARIANT_BOOL* applicable) override;

    // The token's question identifier as read from the setup database; its first 16-bit
    // unit is the token's number.
    void SetUQI(std::wstring uqi) { m_strUQI = std::move(uqi); }
    const std::wstring& GetUQI() const { return m_strUQI; }
    // True when the token has a UQI whose first unit is `number`.
    bool HasUQINumber(unsigned short number) const { return !m_strUQI.empty() && m_strUQI[0] == number; }

    void SetLockable(bool lockable) { m_bLockable = lockable; }
    void SetHideable(bool hideable) { m_bHideable = hideable; }
    bool LockedChanged() const { return m_bLockedChanged; }
    bool HiddenChanged() const { return m_bHiddenChanged; }
    // Stores the text shown for a choice value.
    HRESULT SetChoiceText(LONG value, std::wstring text);
    void SetApplicable(bool applicable) { m_bApplicable = applicable; }

private:
    std::wstring m_strUQI;
    bool m_bLockable = false;
    bool m_bHideable = false;
    bool m_bLocked = false;
    bool m_bHidden = false;
    bool m_bLockedChanged = false;
    bool m_bHiddenChanged = false;
    bool m_bApplicable = true;
    std::map<LONG, std::wstring> m_choiceTexts;
};
