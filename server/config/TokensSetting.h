// CTokensSetting (Server.TokensSetting.1): one setup token of the firmware's setup database,
// published as ITokenConfigData. The token builder fills it; lock and hide are possible only
// where the firmware provides a lock/hide control for the token.
#pragma once

#include "ConfigDataImpl.h"
#include "TokenSource.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// How a token stood in the INI file it was read from, for a token that no setup database
// describes: the file's comment lines under it (the description its writer gave it) and
// whether its value was written as TRUE or FALSE.
struct TokenFileForm {
    std::vector<std::wstring> commentLines;
    bool booleanText = false;
};

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
    // The lock and hide state the firmware holds, as a builder reads it: not a change.
    void SetLockState(bool locked, bool hidden)
    {
        m_bLocked = locked;
        m_bHidden = hidden;
    }
    bool LockedChanged() const { return m_bLockedChanged; }
    // Set when the firmware holds a value for the token that none of its choices has a text
    // for; the INI writer reports such a token to the client.
    void SetInvalidValue(bool invalid) { m_bInvalidValue = invalid; }
    bool HasInvalidValue() const { return m_bInvalidValue; }
    bool HiddenChanged() const { return m_bHiddenChanged; }

    // The setup-database record the token came from, with its conditions. A token without
    // one (read from a file, not yet matched with the firmware) counts as applicable.
    void SetSource(std::shared_ptr<ITokenSource> source)
    {
        m_source = std::move(source);
        m_applicable.reset();
    }
    const std::shared_ptr<ITokenSource>& Source() const { return m_source; }
    // Where the token's lock/hide byte lives, when it has one.
    void SetLockHideControl(std::optional<TokenControlByte> control) { m_lockHideControl = std::move(control); }
    const std::optional<TokenControlByte>& LockHideControl() const { return m_lockHideControl; }

    // Set by the INI reader for a token that only its file describes; the INI writer then
    // writes the file's own description back instead of one made from the item's limits,
    // which for such a token are no more than "any number".
    void SetFileForm(TokenFileForm form) { m_fileForm = std::move(form); }
    const std::optional<TokenFileForm>& FileForm() const { return m_fileForm; }

    // Adds a choice value with the text shown for it; `text` must be a string.
    HRESULT AddChoice(LONG value, const VARIANT& text);
    using IConfigDataImpl<ITokenConfigData>::AddChoice;
    // The text of a choice value: 0x82390011 when the value has none.
    HRESULT GetMapping(LONG value, std::wstring& text) const;
    // True when a choice value has a text; asks without reporting, for callers to whom a
    // value without a text is no failure.
    bool HasTextForValue(LONG value) const { return m_choiceTexts.count(value) != 0; }

private:
    std::wstring m_strUQI;
    bool m_bLockable = false;
    bool m_bHideable = false;
    bool m_bLocked = false;
    bool m_bHidden = false;
    bool m_bLockedChanged = false;
    bool m_bHiddenChanged = false;
    bool m_bInvalidValue = false;
    std::map<LONG, std::wstring> m_choiceTexts;
    std::shared_ptr<ITokenSource> m_source;
    std::optional<TokenControlByte> m_lockHideControl;
    std::optional<TokenFileForm> m_fileForm;
    // Worked out on the first request, then kept.
    std::optional<bool> m_applicable;
};
