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

#define TOOLKIT_FIRE(dispid, arguments)                                                                               \
    do {                                                                                                              \
        EventArguments list;                                                                                          \
        arguments;                                                                                                    \
        DISPPARAMS parameters = list.Parameters();                                                                    \
        return m_eventsPoint.Fire(dispid, parameters);                                                                \
    } while (0)

HRESULT CToolkit::Fire_OnDiagnosticsError() { TOOLKIT_FIRE(1, (void)list); }
HRESULT CToolkit::Fire_OnFlashStart() { TOOLKIT_FIRE(2, (void)list); }
HRESULT CToolkit::Fire_OnFlashSuccess() { TOOLKIT_FIRE(3, (void)list); }
HRESULT CToolkit::Fire_OnInstallStart(ULONG mask) { TOOLKIT_FIRE(4, list.Number(mask)); }
HRESULT CToolkit::Fire_OnInstallSuccess(ULONG mask) { TOOLKIT_FIRE(5, list.Number(mask)); }
HRESULT CToolkit::Fire_OnINIInvalidValue(const wchar_t* section, const wchar_t* keyword, const VARIANT& value)
{
    TOOLKIT_FIRE(6, list.String(section).String(keyword).Variant(value));
}
HRESULT CToolkit::Fire_OnINIInvalidValue_wVal(const wchar_t* section, const wchar_t* keyword, const VARIANT& value,
                                              const wchar_t* validValues)
{
    TOOLKIT_FIRE(7, list.String(section).String(keyword).Variant(value).String(validValues));
}
HRESULT CToolkit::Fire_OnINIMissingValue(const wchar_t* section, const wchar_t* keyword)
{
    TOOLKIT_FIRE(8, list.String(section).String(keyword));
}
HRESULT CToolkit::Fire_OnINIMissingValue_wVal(const wchar_t* section, const wchar_t* keyword,
                                              const wchar_t* validValues)
{
    TOOLKIT_FIRE(9, list.String(section).String(keyword).String(validValues));
}
HRESULT CToolkit::Fire_OnINIMissingSection(const wchar_t* section) { TOOLKIT_FIRE(10, list.String(section)); }
HRESULT CToolkit::Fire_OnINITruncatedValue(const wchar_t* section, const wchar_t* keyword, const wchar_t* before,
                                           const wchar_t* after)
{
    TOOLKIT_FIRE(11, list.String(section).String(keyword).String(before).String(after));
}
HRESULT CToolkit::Fire_OnRemoveStart(ULONG mask) { TOOLKIT_FIRE(12, list.Number(mask)); }
HRESULT CToolkit::Fire_OnRemoveSuccess(ULONG mask) { TOOLKIT_FIRE(13, list.Number(mask)); }
HRESULT CToolkit::Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response)
{
    TOOLKIT_FIRE(14, list.String(prompt).StringReference(response));
}
HRESULT CToolkit::Fire_OnInvalidOS(ULONG osMask) { TOOLKIT_FIRE(15, list.Number(osMask)); }
HRESULT CToolkit::Fire_OnInvalidBoard() { TOOLKIT_FIRE(16, (void)list); }
HRESULT CToolkit::Fire_OnInvalidBIOS() { TOOLKIT_FIRE(17, (void)list); }
HRESULT CToolkit::Fire_OnRemoveFail(ULONG mask) { TOOLKIT_FIRE(18, list.Number(mask)); }
HRESULT CToolkit::Fire_OnBIOSIDMismatch(const wchar_t* iniId, const wchar_t* systemId)
{
    TOOLKIT_FIRE(19, list.String(iniId).String(systemId));
}
HRESULT CToolkit::Fire_OnPasswordExists(const wchar_t* error) { TOOLKIT_FIRE(20, list.String(error)); }
HRESULT CToolkit::Fire_OnInvalidChecksum(const wchar_t* section, const wchar_t* keyword)
{
    TOOLKIT_FIRE(21, list.String(section).String(keyword));
}
HRESULT CToolkit::Fire_OnComponentRemoved(ULONG mask) { TOOLKIT_FIRE(22, list.Number(mask)); }
HRESULT CToolkit::Fire_OnSMBIOSRemoved(const wchar_t* keyword) { TOOLKIT_FIRE(23, list.String(keyword)); }
HRESULT CToolkit::Fire_OnINIMinorVer() { TOOLKIT_FIRE(24, (void)list); }
HRESULT CToolkit::Fire_OnNewerZENTVersion(const wchar_t* supported, const wchar_t* payload)
{
    TOOLKIT_FIRE(25, list.String(supported).String(payload));
}
HRESULT CToolkit::Fire_OnPayloadError(const wchar_t* error) { TOOLKIT_FIRE(26, list.String(error)); }
HRESULT CToolkit::Fire_OnExtractStart(ULONG mask) { TOOLKIT_FIRE(27, list.Number(mask)); }
HRESULT CToolkit::Fire_OnExtractFail(ULONG mask) { TOOLKIT_FIRE(28, list.Number(mask)); }
HRESULT CToolkit::Fire_OnExtractSuccess(ULONG mask) { TOOLKIT_FIRE(29, list.Number(mask)); }
HRESULT CToolkit::Fire_OnBadTokenIniValue(unsigned short* uqi, const wchar_t* tokenName, long valueIndex)
{
    TOOLKIT_FIRE(30, list.ShortReference(uqi).String(tokenName).Long(valueIndex));
}
HRESULT CToolkit::Fire_OnTokenNotLockable(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(31, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnTokenNotHideable(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(32, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnTokenLockHideSameTime(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(33, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnUqiNotOnSystem(unsigned short* uqi) { TOOLKIT_FIRE(34, list.ShortReference(uqi)); }
HRESULT CToolkit::Fire_OnCantExtractToken(unsigned short* uqi, const wchar_t* tokenName)
{
    TOOLKIT_FIRE(35, list.ShortReference(uqi).String(tokenName));
}
HRESULT CToolkit::Fire_OnBIOSModifiedFlagSetFailure() { TOOLKIT_FIRE(36, (void)list); }
HRESULT CToolkit::Fire_OnDuplicateTokenInIni(const wchar_t* heading) { TOOLKIT_FIRE(37, list.String(heading)); }
HRESULT CToolkit::Fire_OnNoCoolingHardwareFound() { TOOLKIT_FIRE(38, (void)list); }
HRESULT CToolkit::Fire_OnTokenExtractInvalidValue(const wchar_t* heading) { TOOLKIT_FIRE(39, list.String(heading)); }
HRESULT CToolkit::Fire_OnTokenIniVerTooEarly(const wchar_t* version) { TOOLKIT_FIRE(40, list.String(version)); }
HRESULT CToolkit::Fire_OnDuplicateToken(const wchar_t* tokenName) { TOOLKIT_FIRE(41, list.String(tokenName)); }
HRESULT CToolkit::Fire_OnInvalidUQIToken(const wchar_t* tokenName) { TOOLKIT_FIRE(42, list.String(tokenName)); }
