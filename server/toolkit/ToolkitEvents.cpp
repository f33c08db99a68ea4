// The firing operations of _IToolkitEvents.
#include "Toolkit.h"

#include <new>
#include <vector>

namespace {

// Event arguments in call order; handed to Invoke reversed, as IDispatch expects.
class EventArguments {
public:
    EventArguments() = default;
    EventArguments(const EventArguments&) = delete;
    EventArguments& operator=(const EventArguments&) = delete;
    ~EventArguments()
    {
        for (VARIANT& argument : m_arguments) {
            ::VariantClear(&argument);
        }
    }

    EventArguments& Number(ULONG value)
    {
        VARIANT& argument = Next();
        V_VT(&argument) = VT_UI4;
        V_UI4(&argument) = value;
        return *this;
    }
    EventArguments& Long(long value)
    {
        VARIANT& argument = Next();
        V_VT(&argument) = VT_I4;
        V_I4(&argument) = value;
        return *this;
    }
    EventArguments& String(const wchar_t* value)
    {
        BSTR copy = ::SysAllocString(value ? value : L"");
        if (!copy) {
            throw std::bad_alloc();
        }
        VARIANT& argument = Next();
        V_VT(&argument) = VT_BSTR;
        V_BSTR(&argument) = copy;
        return *this;
    }
    EventArguments& Variant(const VARIANT& value)
    {
        VARIANT& argument = Next();
        if (FAILED(::VariantCopy(&argument, const_cast<VARIANT*>(&value)))) {
            throw std::bad_alloc();
        }
        return *this;
    }
    // The sink may fill it: the caller's BSTR, passed by reference.
    EventArguments& StringReference(BSTR* value)
    {
        VARIANT& argument = Next();
        V_VT(&argument) = VT_BSTR | VT_BYREF;
        V_BSTRREF(&argument) = value;
        return *this;
    }
    EventArguments& ShortReference(unsigned short* value)
    {
        VARIANT& argument = Next();
        V_VT(&argument) = VT_UI2 | VT_BYREF;
        V_UI2REF(&argument) = value;
        return *this;
    }

    DISPPARAMS Parameters()
    {
        m_reversed.assign(m_arguments.rbegin(), m_arguments.rend());
        return DISPPARAMS{m_reversed.empty() ? nullptr : m_reversed.data(), nullptr,
                          static_cast<UINT>(m_reversed.size()), 0};
    }

private:
    VARIANT& Next()
    {
        m_arguments.emplace_back();
        ::VariantInit(&m_arguments.back());
        return m_arguments.back();
    }

    std::vector<VARIANT> m_arguments;
    std::vector<VARIANT> m_reversed; // shallow copies; m_arguments owns the contents
};

} // namespace

namespace Id = ToolkitEventId;

#define TOOLKIT_FIRE(dispid, arguments)                                                                               \
    do {                                                                                                              \
        EventArguments list;                                                                                          \
        arguments;                                                                                                    \
        DISPPARAMS parameters = list.Parameters();                                                                    \
        return m_eventsPoint.Fire(dispid, parameters);                                                                \
    } while (0)

HRESULT CToolkit::Fire_OnDiagnosticsError() { TOOLKIT_FIRE(Id::OnDiagnosticsError, (void)list); }
HRESULT CToolkit::Fire_OnFlashStart() { TOOLKIT_FIRE(Id::OnFlashStart, (void)list); }
HRESULT CToolkit::Fire_OnFlashSuccess() { TOOLKIT_FIRE(Id::OnFlashSuccess, (void)list); }
HRESULT CToolkit::Fire_OnInstallStart(ULONG mask) { TOOLKIT_FIRE(Id::OnInstallStart, list.Number(mask)); }
HRESULT CToolkit::Fire_OnInstallSuccess(ULONG mask) { TOOLKIT_FIRE(Id::OnInstallSuccess, list.Number(mask)); }
HRESULT CToolkit::Fire_OnINIInvalidValue(const wchar_t* section, const wchar_t* keyword, const VARIANT& value)
{
    TOOLKIT_FIRE(Id::OnINIInvalidValue, list.String(section).String(keyword).Variant(value));
}
HRESULT CToolkit::Fire_OnINIInvalidValue_wVal(const wchar_t* section, const wchar_t* keyword, const VARIANT& value,
                                              const wchar_t* validValues)
{
    TOOLKIT_FIRE(Id::OnINIInvalidValue_wVal, list.String(section).String(keyword).Variant(value).String(validValues));
}
HRESULT CToolkit::Fire_OnINIMissingValue(const wchar_t* section, const wchar_t* keyword)
{
    TOOLKIT_FIRE(Id::OnINIMissingValue, list.String(section).String(keyword));
}
HRESULT CToolkit::Fire_OnINIMissingValue_wVal(const wchar_t* section, const wchar_t* keyword,
                                              const wchar_t* validValues)
{
    TOOLKIT_FIRE(Id::OnINIMissingValue_wVal, list.String(section).String(keyword).String(validValues));
}
HRESULT CToolkit::Fire_OnINIMissingSection(const wchar_t* section)
{
    TOOLKIT_FIRE(Id::OnINIMissingSection, list.String(section));
}
HRESULT CToolkit::Fire_OnINITruncatedValue(const wchar_t* section, const wchar_t* keyword, const wchar_t* before,
                                           const wchar_t* after)
{
    TOOLKIT_FIRE(Id::OnINITruncatedValue, list.String(section).String(keyword).String(before).String(after));
}
HRESULT CToolkit::Fire_OnRemoveStart(ULONG mask) { TOOLKIT_FIRE(Id::OnRemoveStart, list.Number(mask)); }
HRESULT CToolkit::Fire_OnRemoveSuccess(ULONG mask) { TOOLKIT_FIRE(Id::OnRemoveSuccess, list.Number(mask)); }
HRESULT CToolkit::Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response)
{
    TOOLKIT_FIRE(Id::OnSMBIOSPrompt, list.String(prompt).StringReference(response));
}
HRESULT CToolkit::Fire_OnInvalidOS(ULONG osMask) { TOOLKIT_FIRE(Id::OnInvalidOS, list.Number(osMask)); }
HRESULT CToolkit::Fire_OnInvalidBoard() { TOOLKIT_FIRE(Id::OnInvalidBoard, (void)list); }
HRESULT CToolkit::Fire_OnInvalidBIOS() { TOOLKIT_FIRE(Id::OnInvalidBIOS, (void)list); }
HRESULT CToolkit::Fire_OnRemoveFail(ULONG mask) { TOOLKIT_FIRE(Id::OnRemoveFail, list.Number(mask)); }
HRESULT CToolkit::Fire_OnBIOSIDMismatch(const wchar_t* iniId, const wchar_t* systemId)
{
    TOOLKIT_FIRE(Id::OnBIOSIDMismatch, list.String(iniId).String(systemId));
}
HRESULT CToolkit::Fire_OnPasswordExists(const wchar_t* error)
{
    TOOLKIT_FIRE(Id::OnPasswordExists, list.String(error));
}
HRESULT CToolkit::Fire_OnInvalidChecksum(const wchar_t* section, const wchar_t* keyword)
{
    TOOLKIT_FIRE(Id::OnInvalidChecksum, list.String(section).String(keyword));
}
HRESULT CToolkit::Fire_OnComponentRemoved(ULONG mask) { TOOLKIT_FIRE(Id::OnComponentRemoved, list.Number(mask)); }
HRESULT CToolkit::Fire_OnSMBIOSRemoved(const wchar_t* keyword)
{
    TOOLKIT_FIRE(Id::OnSMBIOSRemoved, list.String(keyword));
}
HRESULT CToolkit::Fire_OnINIMinorVer() { TOOLKIT_FIRE(Id::OnINIMinorVer, (void)list); }
HRESULT CToolkit::Fire_OnNewerZENTVersion(const wchar_t* supported, const wchar_t* payload)
{
    TOOLKIT_FIRE(Id::OnNewerZENTVersion, list.String(supported).String(payload));
}
HRESULT CToolkit::Fire_OnPayloadError(const wchar_t* error) { TOOLKIT_FIRE(Id::OnPayloadError, list.String(error)); }
HRESULT CToolkit::Fire_OnExtractStart(ULONG mask) { TOOLKIT_FIRE(Id::OnExtractStart, list.Number(mask)); }
HRESULT CToolkit::Fire_OnExtractFail(ULONG mask) { TOOLKIT_FIRE(Id::OnExtractFail, list.Number(mask)); }
HRESULT CToolkit::Fire_OnExtractSuccess(ULONG mask) { TOOLKIT_FIRE(Id::OnExtractSuccess, list.Number(mask)); }
HRESULT CToolkit::Fire_OnBadTokenIniValue(unsigned short* uqi, const wchar_t* tokenName, long valueIndex)
{
    TOOLKIT_FIRE(Id::OnBadTokenIniValue, list.ShortReference(uqi).String(tokenName).Long(valueIndex));
}
HRESULT CToolkit::Fire_OnTokenNotLockable(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(Id::OnTokenNotLockable, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnTokenNotHideable(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(Id::OnTokenNotHideable, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnTokenLockHideSameTime(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(Id::OnTokenLockHideSameTime, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnUqiNotOnSystem(unsigned short* uqi)
{
    TOOLKIT_FIRE(Id::OnUqiNotOnSystem, list.ShortReference(uqi));
}
HRESULT CToolkit::Fire_OnCantExtractToken(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(Id::OnCantExtractToken, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnBIOSModifiedFlagSetFailure() { TOOLKIT_FIRE(Id::OnBIOSModifiedFlagSetFailure, (void)list); }
HRESULT CToolkit::Fire_OnDuplicateTokenInIni(const wchar_t* heading)
{
    TOOLKIT_FIRE(Id::OnDuplicateTokenInIni, list.String(heading));
}
HRESULT CToolkit::Fire_OnNoCoolingHardwareFound() { TOOLKIT_FIRE(Id::OnNoCoolingHardwareFound, (void)list); }
HRESULT CToolkit::Fire_OnTokenExtractInvalidValue(const wchar_t* heading)
{
    TOOLKIT_FIRE(Id::OnTokenExtractInvalidValue, list.String(heading));
}
HRESULT CToolkit::Fire_OnTokenIniVerTooEarly(const wchar_t* version)
{
    TOOLKIT_FIRE(Id::OnTokenIniVerTooEarly, list.String(version));
}
HRESULT CToolkit::Fire_OnDuplicateToken(const wchar_t* tokenName)
{
    TOOLKIT_FIRE(Id::OnDuplicateToken, list.String(tokenName));
}
HRESULT CToolkit::Fire_OnInvalidUQIToken(const wchar_t* tokenName)
{
    TOOLKIT_FIRE(Id::OnInvalidUQIToken, list.String(tokenName));
}
