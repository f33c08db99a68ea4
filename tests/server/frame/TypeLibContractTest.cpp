// The type library is the contract with every client: early-bound callers depend on slot order,
// scripts on DISPIDs and names, marshalling on types and directions. These tables freeze it.

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "ServerLib.h"
#include "TestSupport.h"

#include <ostream>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr USHORT kNoDirection = 0;
constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOut = PARAMFLAG_FOUT;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr USHORT kDirectionMask = PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL | PARAMFLAG_FLCID;

constexpr INVOKEKIND kMethod = INVOKE_FUNC;
constexpr INVOKEKIND kGet = INVOKE_PROPERTYGET;
constexpr INVOKEKIND kPut = INVOKE_PROPERTYPUT;

// `type` is spelled as C++ would; `name` nullptr where the name is not part of the contract.
struct Param {
    const wchar_t* type;
    USHORT flags;
    const wchar_t* name;
};

struct Member {
    int slot;  // vtable slot; unused for events
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<Param> params;
    const wchar_t* help = nullptr;  // nullptr: not checked
    bool restricted = false;
};

struct InterfaceTable {
    const wchar_t* name;
    const IID* iid;
    const wchar_t* help;
    std::vector<const wchar_t*> bases;  // nearest first, down to IUnknown
    int slotCount;
    std::vector<Member> members;
};

void PrintTo(const InterfaceTable& contract, std::ostream* os)
{
    *os << Narrow(contract.name);
}

class Bstr {
public:
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(m_value); }
    BSTR* put()
    {
        ::SysFreeString(m_value);
        m_value = nullptr;
        return &m_value;
    }
    std::wstring str() const { return m_value ? std::wstring(m_value, ::SysStringLen(m_value)) : std::wstring(); }

private:
    BSTR m_value = nullptr;
};

class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : m_info(info)
    {
        if (FAILED(info->GetTypeAttr(&m_attr))) {
            m_attr = nullptr;
        }
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    ~TypeAttr()
    {
        if (m_attr) {
            m_info->ReleaseTypeAttr(m_attr);
        }
    }
    explicit operator bool() const { return m_attr != nullptr; }
    const TYPEATTR* operator->() const { return m_attr; }

private:
    ComPtr<ITypeInfo> m_info;  // the description lives only as long as its type info
    TYPEATTR* m_attr = nullptr;
};

class FuncDesc {
public:
    FuncDesc(ITypeInfo* info, UINT index) : m_info(info)
    {
        if (FAILED(info->GetFuncDesc(index, &m_desc))) {
            m_desc = nullptr;
        }
    }
    FuncDesc(const FuncDesc&) = delete;
    FuncDesc& operator=(const FuncDesc&) = delete;
    ~FuncDesc()
    {
        if (m_desc) {
            m_info->ReleaseFuncDesc(m_desc);
        }
    }
    explicit operator bool() const { return m_desc != nullptr; }
    const FUNCDESC* operator->() const { return m_desc; }
    const FUNCDESC* get() const { return m_desc; }

private:
    ComPtr<ITypeInfo> m_info;
    FUNCDESC* m_desc = nullptr;
};

class VarDesc {
public:
    VarDesc(ITypeInfo* info, UINT index) : m_info(info)
    {
        if (FAILED(info->GetVarDesc(index, &m_desc))) {
            m_desc = nullptr;
        }
    }
    VarDesc(const VarDesc&) = delete;
    VarDesc& operator=(const VarDesc&) = delete;
    ~VarDesc()
    {
        if (m_desc) {
            m_info->ReleaseVarDesc(m_desc);
        }
    }
    explicit operator bool() const { return m_desc != nullptr; }
    const VARDESC* operator->() const { return m_desc; }

private:
    ComPtr<ITypeInfo> m_info;
    VARDESC* m_desc = nullptr;
};

std::wstring TypeName(ITypeInfo* info)
{
    Bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    return name.str();
}

std::wstring HelpString(ITypeInfo* info, MEMBERID id)
{
    Bstr help;
    info->GetDocumentation(id, nullptr, help.put(), nullptr, nullptr);
    return help.str();
}

std::wstring MemberName(ITypeInfo* info, MEMBERID id)
{
    Bstr name;
    info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
    return name.str();
}

// The C++ spelling of a parameter type, so that a mismatch reads like the declaration.
std::wstring TypeText(ITypeInfo* owner, const TYPEDESC& desc)
{
    switch (desc.vt) {
    case VT_PTR:
        return TypeText(owner, *desc.lptdesc) + L"*";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> referenced;
        if (FAILED(owner->GetRefTypeInfo(desc.hreftype, &referenced))) {
            return L"<unresolved reference>";
        }
        return TypeName(referenced.Get());
    }
    case VT_I2: return L"short";
    case VT_UI2: return L"unsigned short";
    case VT_I4: return L"long";
    case VT_UI4: return L"unsigned long";
    case VT_INT: return L"int";
    case VT_UINT: return L"unsigned int";
    case VT_BSTR: return L"BSTR";
    case VT_VARIANT: return L"VARIANT";
    case VT_BOOL: return L"VARIANT_BOOL";
    case VT_DATE: return L"DATE";
    case VT_UNKNOWN: return L"IUnknown*";
    case VT_DISPATCH: return L"IDispatch*";
    case VT_HRESULT: return L"HRESULT";
    case VT_VOID: return L"void";
    default: return L"VT_" + std::to_wstring(desc.vt);
    }
}

std::wstring Where(const wchar_t* owner, const Member& member)
{
    std::wstring text = std::wstring(owner) + L"::" + member.name;
    if (member.kind == kGet) {
        text += L" (get)";
    } else if (member.kind == kPut) {
        text += L" (put)";
    }
    if (member.slot > 0) {
        text += L" at slot " + std::to_wstring(member.slot);
    }
    return text;
}

HRESULT LoadServerLib(ITypeLib** library)
{
    // A build tree without registration points the test at its generated file instead.
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"SERVERLIB_TLB", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        return ::LoadTypeLibEx(path, REGKIND_NONE, library);
    }
    return ::LoadRegTypeLib(LIBID_ServerLib, 1, 0, 0x409, library);
}

// The vtable half of a dual interface (the library hands out the dispatch half by IID).
ComPtr<ITypeInfo> VtableHalf(ITypeInfo* info)
{
    TypeAttr attr(info);
    if (attr && attr->typekind == TKIND_INTERFACE) {
        return info;
    }
    HREFTYPE href = 0;
    ComPtr<ITypeInfo> vtable;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href))) {
        info->GetRefTypeInfo(href, &vtable);
    }
    return vtable;
}

std::vector<std::wstring> BaseChain(ITypeInfo* info)
{
    std::vector<std::wstring> chain;
    ComPtr<ITypeInfo> current = info;
    for (int depth = 0; depth < 8; ++depth) {
        TypeAttr attr(current.Get());
        HREFTYPE href = 0;
        ComPtr<ITypeInfo> base;
        if (!attr || attr->cImplTypes == 0 || FAILED(current->GetRefTypeOfImplType(0, &href)) ||
            FAILED(current->GetRefTypeInfo(href, &base))) {
            break;
        }
        chain.push_back(TypeName(base.Get()));
        current = base;
    }
    return chain;
}

void ExpectParams(ITypeInfo* info, const FUNCDESC* desc, const std::wstring& where, const Member& expected)
{
    ASSERT_EQ(desc->cParams, static_cast<SHORT>(expected.params.size())) << where << ": parameter count";
    // Names by DISPID: a put shares its DISPID with the get, so its names cannot be asked for.
    std::vector<BSTR> names(expected.params.size() + 1, nullptr);
    UINT nameCount = 0;
    const bool askNames = expected.kind != kPut;
    if (askNames) {
        ASSERT_HRESULT_SUCCEEDED(
            info->GetNames(desc->memid, names.data(), static_cast<UINT>(names.size()), &nameCount))
            << where;
    }
    for (size_t i = 0; i < expected.params.size(); ++i) {
        const Param& param = expected.params[i];
        const ELEMDESC& actual = desc->lprgelemdescParam[i];
        const std::wstring at = where + L" parameter " + std::to_wstring(i + 1);
        EXPECT_EQ(TypeText(info, actual.tdesc), param.type) << at << ": type";
        EXPECT_EQ(actual.paramdesc.wParamFlags & kDirectionMask, param.flags) << at << ": direction flags";
        if (askNames && param.name) {
            const std::wstring name = i + 1 < nameCount && names[i + 1] ? names[i + 1] : L"<none>";
            EXPECT_EQ(name, param.name) << at << ": name";
        }
    }
    for (BSTR name : names) {
        ::SysFreeString(name);
    }
}

void ExpectMember(ITypeInfo* info, const FUNCDESC* desc, const wchar_t* owner, const Member& expected)
{
    const std::wstring where = Where(owner, expected);
    EXPECT_EQ(MemberName(info, desc->memid), expected.name) << where << ": name";
    EXPECT_EQ(desc->memid, expected.id) << where << ": DISPID";
    EXPECT_EQ(desc->invkind, expected.kind) << where << ": invoke kind";
    EXPECT_EQ(desc->elemdescFunc.tdesc.vt, VT_HRESULT) << where << ": result type";
    EXPECT_EQ((desc->wFuncFlags & FUNCFLAG_FRESTRICTED) != 0, expected.restricted) << where << ": restricted";
    if (expected.help) {
        EXPECT_EQ(HelpString(info, desc->memid), expected.help) << where << ": help string";
    }
    ExpectParams(info, desc, where, expected);
}

std::vector<Member> CollectionMembers(const wchar_t* itemType)
{
    return {
        {7, L"Count", 1, kGet, {{L"long*", kRetval, nullptr}}},
        {8, L"Item", DISPID_VALUE, kGet, {{L"long", kIn, L"Index"}, {itemType, kRetval, nullptr}}},
        {9, L"_NewEnum", DISPID_NEWENUM, kGet, {{L"IUnknown**", kRetval, L"ppUnk"}}, nullptr, true},
    };
}

std::vector<InterfaceTable> Interfaces()
{
    const std::vector<const wchar_t*> fromDispatch = {L"IDispatch", L"IUnknown"};
    const std::vector<Param> noParams;
    const Param mask = {L"unsigned long", kIn, L"qrvComponentMask"};
    const Param iniFile = {L"BSTR", kIn, L"bstrINIFileName"};
    const Param boolOut = {L"VARIANT_BOOL*", kRetval, nullptr};
    const Param boolIn = {L"VARIANT_BOOL", kIn, nullptr};

    std::vector<InterfaceTable> tables;
    tables.push_back({L"IToolkit", &IID_IToolkit, L"IToolkit Interface", fromDispatch, 29, {
        {7, L"Reboot", 1, kMethod, noParams},
        {8, L"Install", 3, kMethod, {mask}},
        {9, L"LoadConfigFromSystem", 4, kMethod, {mask}},
        {10, L"LoadINIFile", 5, kMethod, {iniFile, mask}},
        {11, L"CreateEmptyConfiguration", 6, kMethod, noParams},
        {12, L"Remove", 7, kMethod, {mask}},
        {13, L"Report", 8, kMethod, {{L"BSTR", kIn, L"bstrReportFileName"}}},
        {14, L"ValidateSystem", 9, kMethod, noParams},
        {15, L"Verify", 10, kMethod, {mask}},
        {16, L"WriteINIFile", 11, kMethod, {iniFile, mask}},
        {17, L"AddPayload", 12, kMethod, {{L"BSTR", kIn, L"bstrPayloadFileName"}}},
        {18, L"Version", 13, kGet, {{L"BSTR*", kRetval, nullptr}}},
        {19, L"VersionBuild", 14, kGet, {{L"short*", kRetval, nullptr}}},
        {20, L"VersionMajor", 15, kGet, {{L"short*", kRetval, nullptr}}},
        {21, L"VersionMinor", 16, kGet, {{L"short*", kRetval, nullptr}}},
        {22, L"VersionPatch", 17, kGet, {{L"short*", kRetval, nullptr}}},
        {23, L"BiosCapsule", 18, kGet, {{L"IBiosCapsule**", kRetval, nullptr}}},
        {24, L"GetConfigGroup", 19, kMethod,
         {{L"EConfigGroupID", kIn, L"eGroupID"}, {L"IConfigGroup**", kRetval, L"ppConfigGroup"}}},
        {25, L"GetTokenSetting", 20, kMethod,
         {{L"unsigned short*", kIn, L"pnUQI"}, {L"ITokenConfigData**", kRetval, L"ppTokenSetting"}}},
        {26, L"Reset", 21, kMethod, noParams},
        {27, L"SystemCapabilities", 22, kGet, {{L"ISystemCapabilities**", kRetval, nullptr}}},
        {28, L"SetCPTokInfo", 23, kMethod,
         {{L"unsigned long", kNoDirection, L"dwUqi"}, {L"unsigned short*", kNoDirection, L"wpValue"},
          {L"unsigned short", kNoDirection, L"MaxEntries"}},
         L"method SetCPTokInfo"},
    }});
    tables.push_back({L"IBiosCapsule", &IID_IBiosCapsule, L"IBiosCapsule Interface", fromDispatch, 33, {
        {7, L"LoadBiosStream", 1, kMethod, {{L"IStream*", kIn, L"pBiosFileStream"}}},
        {8, L"LoadBios", 2, kMethod, {{L"BSTR", kIn, L"bstrBiosFileName"}}},
        {9, L"SetSplashStream", 3, kMethod, {{L"IStream*", kIn, L"pSplashFileStream"}}},
        {10, L"SetSplash", 4, kMethod, {{L"BSTR", kIn, L"bstrSplashFileName"}}},
        {11, L"RemoveSplash", 5, kMethod, noParams},
        {12, L"IsTargetBiosCompatible", 6, kMethod, {{L"VARIANT_BOOL*", kRetval, L"pvbCompatible"}}},
        {13, L"GetFlashSizeRemaining", 7, kMethod, {{L"long*", kRetval, L"plSizeRemaining"}}},
        {14, L"InvokeCapsule", 8, kMethod, noParams},
        {15, L"BiosId", 9, kGet, {{L"BSTR*", kRetval, L"pBSTRBiosID"}}},
        {16, L"BiosDate", 10, kGet, {{L"DATE*", kRetval, L"pBiosDate"}}},
        {17, L"BadgeXPosition", 11, kGet, {{L"long*", kRetval, L"plBadgeXPos"}}},
        {18, L"BadgeXPosition", 11, kPut, {{L"long", kIn, nullptr}}},
        {19, L"BadgeYPosition", 12, kGet, {{L"long*", kRetval, L"plBadgeYPos"}}},
        {20, L"BadgeYPosition", 12, kPut, {{L"long", kIn, nullptr}}},
        {21, L"DisplayBadge", 13, kGet, {{L"VARIANT_BOOL*", kRetval, L"pvbDisplayBadge"}}},
        {22, L"DisplayBadge", 13, kPut, {boolIn}},
        {23, L"IsFlashSuccessful", 14, kMethod,
         {{L"EFlashVerificationLevel", kIn, L"eFlashVerLevel"}, {L"VARIANT_BOOL*", kRetval, L"pvbSuccessful"}}},
        {24, L"Reset", 15, kMethod, noParams},
        {25, L"MaxResolutionX", 16, kGet, {{L"long*", kRetval, L"plMaxResolutionX"}}},
        {26, L"MaxResolutionY", 17, kGet, {{L"long*", kRetval, L"plMaxResolutionY"}}},
        {27, L"BadgeColor", 18, kGet, {{L"EBadge_Color*", kRetval, L"pBadgeColor"}}},
        {28, L"BadgeColor", 18, kPut, {{L"EBadge_Color", kIn, nullptr}}},
        {29, L"IsMaxResolutionSupported", 19, kMethod, {{L"VARIANT_BOOL*", kRetval, L"pvbMaxResolutionSupported"}}},
        {30, L"IsBadgeColorSupported", 20, kMethod, {{L"VARIANT_BOOL*", kRetval, L"pvbBadgeColorSupported"}}},
        {31, L"SetFlashStatus", 21, kMethod, {{L"EFlashVerificationLevel", kIn, L"eFlashVerLevel"}}},
        {32, L"GetBiosIdFromVariable", 22, kMethod, {{L"BSTR*", kRetval, L"pBSTRTargetBIOSID"}}},
    }});
    tables.push_back({L"IOperationTarget", &IID_IOperationTarget, nullptr, fromDispatch, 8, {
        {7, L"Accept", 101, kMethod, {{L"IDataOperation*", kIn, L"pVal"}}},
    }});
    tables.push_back({L"IDataOperation", &IID_IDataOperation, nullptr, fromDispatch, 7, {}});
    tables.push_back({L"IConfigGroup", &IID_IConfigGroup, L"IConfigGroup Interface",
                     {L"IOperationTarget", L"IDispatch", L"IUnknown"}, 11, {
        {8, L"Name", 1, kGet, {{L"BSTR*", kRetval, nullptr}}, L"property Name"},
        {9, L"ChildGroupCollection", 2, kGet, {{L"IConfigGroupCollection**", kRetval, nullptr}},
         L"property ChildGroupCollection"},
        {10, L"DataCollection", 3, kGet, {{L"IConfigDataCollection**", kRetval, nullptr}},
         L"property DataCollection"},
    }});
    tables.push_back({L"IConfigGroupCollection", &IID_IConfigGroupCollection, L"IConfigGroupCollection Interface",
                     fromDispatch, 10, CollectionMembers(L"IConfigGroup**")});
    tables.push_back({L"IConfigDataCollection", &IID_IConfigDataCollection, L"IConfigDataCollection Interface",
                     fromDispatch, 10, CollectionMembers(L"IConfigData**")});
    tables.push_back({L"IConfigData", &IID_IConfigData, L"IConfigData Interface",
                     {L"IOperationTarget", L"IDispatch", L"IUnknown"}, 19, {
        {8, L"ChoiceCollection", 1, kGet, {{L"IVariantCollection**", kRetval, nullptr}}, L"property ChoiceCollection"},
        {9, L"IsReadOnly", 2, kGet, {boolOut}, L"property IsReadOnly"},
        {10, L"Maximum", 3, kGet, {{L"long*", kRetval, nullptr}}, L"property Maximum"},
        {11, L"Minimum", 4, kGet, {{L"long*", kRetval, nullptr}}, L"property Minimum"},
        {12, L"Name", 5, kGet, {{L"BSTR*", kRetval, nullptr}}, L"property Name"},
        {13, L"type", 6, kGet, {{L"EConfigType*", kRetval, nullptr}}, L"property Type"},
        {14, L"Value", 7, kGet, {{L"VARIANT*", kRetval, nullptr}}, L"property Value"},
        {15, L"Value", 7, kPut, {{L"VARIANT", kIn, nullptr}}, L"property Value"},
        {16, L"Increment", 12, kGet, {{L"long*", kRetval, nullptr}}, L"property Increment"},
        {17, L"DefaultValue", 13, kGet, {{L"VARIANT*", kRetval, nullptr}}, L"property DefaultValue"},
        {18, L"Description", 14, kGet, {{L"BSTR*", kRetval, nullptr}}, L"property Description"},
    }});
    tables.push_back({L"ITokenConfigData", &IID_ITokenConfigData, L"ITokenConfigData Interface",
                     {L"IConfigData", L"IOperationTarget", L"IDispatch", L"IUnknown"}, 27, {
        {19, L"Locked", 201, kGet, {boolOut}},
        {20, L"Locked", 201, kPut, {boolIn}},
        {21, L"Hidden", 202, kGet, {boolOut}},
        {22, L"Hidden", 202, kPut, {boolIn}},
        {23, L"IsLockable", 203, kGet, {boolOut}},
        {24, L"IsHideable", 204, kGet, {boolOut}},
        {25, L"GetStringForValue", 205, kMethod,
         {{L"long", kIn, L"lLookupValue"}, {L"BSTR*", kRetval, L"pbstrValue"}}},
        {26, L"IsApplicable", 206, kGet, {boolOut}},
    }});
    std::vector<Member> variantCollection = CollectionMembers(L"VARIANT*");
    variantCollection.insert(variantCollection.end(), {
        {10, L"Swap", 2, kMethod, {{L"int", kIn, L"indexOne"}, {L"int", kIn, L"indexTwo"}},
         L"Swap items in ordered list"},
        {11, L"Insert", 3, kMethod, {{L"int", kIn, L"Index"}, {L"VARIANT", kIn, L"Item"}},
         L"Insert an item into an ordered list"},
        {12, L"Remove", 4, kMethod, {{L"int", kIn, L"Index"}}, L"Remove an item from an ordered list"},
        {13, L"Add", 5, kMethod, {{L"VARIANT", kIn, L"Item"}}, L"Add an item to the end of the ordered list"},
        {14, L"Clear", 6, kMethod, noParams, L"Remove all items from the ordered list"},
    });
    tables.push_back({L"IVariantCollection", &IID_IVariantCollection, L"IVariantCollection Interface",
                     fromDispatch, 15, variantCollection});
    tables.push_back({L"ISystemCapabilities", &IID_ISystemCapabilities,
                     L"Indicates which system capabilities are supported", fromDispatch, 10, {
        {7, L"isSarn", 1, kGet, {boolOut}},
        {8, L"isMobile", 2, kGet, {boolOut}},
        {9, L"SupportsTokenApplicability", 3, kGet, {{L"VARIANT_BOOL*", kRetval, L"pvbSupportsApplicability"}}},
    }});
    tables.push_back({L"IUtility", &IID_IUtility, L"IUtility Interface", fromDispatch, 8, {
        {7, L"GetVariantCollectionFromVariant", 1, kMethod,
         {{L"VARIANT", kIn, L"varVarColl"}, {L"IVariantCollection**", kRetval, L"ppVarColl"}},
         L"method GetVariantCollectionFromVariant"},
    }});
    return tables;
}

std::vector<Member> Events()
{
    const Param mask = {L"unsigned long", kIn, L"qrvComponentMask"};
    const Param section = {L"BSTR", kIn, L"bstrSection"};
    const Param keyword = {L"BSTR", kIn, L"bstrKeyword"};
    const Param specified = {L"VARIANT", kIn, L"varSpecifiedValue"};
    const Param validValues = {L"BSTR", kNoDirection, L"bstrValidValues"};
    const Param uqi = {L"unsigned short*", kIn, L"pwUqi"};
    const Param tokenName = {L"BSTR", kIn, L"bstrTokenName"};
    return {
        {0, L"OnDiagnosticsError", 1, kMethod, {}},
        {0, L"OnFlashStart", 2, kMethod, {}},
        {0, L"OnFlashSuccess", 3, kMethod, {}},
        {0, L"OnInstallStart", 4, kMethod, {mask}},
        {0, L"OnInstallSuccess", 5, kMethod, {mask}},
        {0, L"OnINIInvalidValue", 6, kMethod, {section, keyword, specified}},
        {0, L"OnINIInvalidValue_wVal", 7, kMethod, {section, keyword, specified, validValues}},
        {0, L"OnINIMissingValue", 8, kMethod, {section, keyword}},
        {0, L"OnINIMissingValue_wVal", 9, kMethod, {section, keyword, validValues}},
        {0, L"OnINIMissingSection", 10, kMethod, {section}},
        {0, L"OnINITruncatedValue", 11, kMethod,
         {section, keyword, {L"BSTR", kIn, L"bstrBeforeTruncation"}, {L"BSTR", kIn, L"bstrAfterTruncation"}}},
        {0, L"OnRemoveStart", 12, kMethod, {mask}},
        {0, L"OnRemoveSuccess", 13, kMethod, {mask}},
        {0, L"OnSMBIOSPrompt", 14, kMethod, {{L"BSTR", kIn, L"bstrPrompt"}, {L"BSTR*", kOut, L"pbstrResponse"}}},
        {0, L"OnInvalidOS", 15, kMethod, {{L"unsigned long", kIn, L"t_OSMask"}}},
        {0, L"OnInvalidBoard", 16, kMethod, {}},
        {0, L"OnInvalidBIOS", 17, kMethod, {}},
        {0, L"OnRemoveFail", 18, kMethod, {mask}},
        {0, L"OnBIOSIDMismatch", 19, kMethod, {{L"BSTR", kIn, L"bstrINIID"}, {L"BSTR", kIn, L"bstrSystemID"}}},
        {0, L"OnPasswordExists", 20, kMethod, {{L"BSTR", kIn, L"bstrPasswordError"}}},
        {0, L"OnInvalidChecksum", 21, kMethod,
         {{L"BSTR", kIn, L"bstrINISection"}, {L"BSTR", kNoDirection, L"bstrChecksumKeyword"}}},
        {0, L"OnComponentRemoved", 22, kMethod, {mask}},
        {0, L"OnSMBIOSRemoved", 23, kMethod, {{L"BSTR", kIn, L"bstrSMBIOSKeyword"}}},
        {0, L"OnINIMinorVer", 24, kMethod, {}},
        {0, L"OnNewerZENTVersion", 25, kMethod,
         {{L"BSTR", kIn, L"bstrSupportedVersion"}, {L"BSTR", kIn, L"bstrPayloadVersion"}}},
        {0, L"OnPayloadError", 26, kMethod, {{L"BSTR", kIn, L"bstrError"}}},
        {0, L"OnExtractStart", 27, kMethod, {mask}},
        {0, L"OnExtractFail", 28, kMethod, {mask}},
        {0, L"OnExtractSuccess", 29, kMethod, {mask}},
        {0, L"OnBadTokenIniValue", 30, kMethod, {uqi, tokenName, {L"long", kIn, L"nValueIndex"}}},
        {0, L"OnTokenNotLockable", 31, kMethod, {uqi, tokenName}},
        {0, L"OnTokenNotHideable", 32, kMethod, {uqi, tokenName}},
        {0, L"OnTokenLockHideSameTime", 33, kMethod, {uqi, tokenName}},
        {0, L"OnUqiNotOnSystem", 34, kMethod, {uqi}},
        {0, L"OnCantExtractToken", 35, kMethod, {uqi, tokenName}},
        {0, L"OnBIOSModifiedFlagSetFailure", 36, kMethod, {}},
        {0, L"OnDuplicateTokenInIni", 37, kMethod, {{L"BSTR", kIn, L"bstrHeading"}}},
        {0, L"OnNoCoolingHardwareFound", 38, kMethod, {}},
        {0, L"OnTokenExtractInvalidValue", 39, kMethod, {{L"BSTR", kNoDirection, L"bstrHeadinga"}}},
        {0, L"OnTokenIniVerTooEarly", 40, kMethod, {{L"BSTR", kNoDirection, L"bstrCurrIniVer"}}},
        {0, L"OnDuplicateToken", 41, kMethod, {tokenName}},
        {0, L"OnInvalidUQIToken", 42, kMethod, {tokenName}},
    };
}

class TypeLibContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        const HRESULT hr = LoadServerLib(&m_library);
        ASSERT_HRESULT_SUCCEEDED(hr) << "ServerLib 1.0 is neither registered nor named by SERVERLIB_TLB";
    }

    ComPtr<ITypeInfo> ByGuid(const GUID& guid) const
    {
        ComPtr<ITypeInfo> info;
        m_library->GetTypeInfoOfGuid(guid, &info);
        return info;
    }

    ComPtr<ITypeInfo> ByName(const wchar_t* name) const
    {
        const UINT count = m_library->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            Bstr found;
            if (SUCCEEDED(m_library->GetDocumentation(static_cast<INT>(i), found.put(), nullptr, nullptr, nullptr)) &&
                found.str() == name) {
                ComPtr<ITypeInfo> info;
                m_library->GetTypeInfo(i, &info);
                return info;
            }
        }
        return nullptr;
    }

    ComPtr<ITypeLib> m_library;
};

class InterfaceContract : public TypeLibContract, public ::testing::WithParamInterface<InterfaceTable> {};

TEST_P(InterfaceContract, MatchesPublishedTable)
{
    const InterfaceTable& contract = GetParam();
    const ComPtr<ITypeInfo> dispatch = ByGuid(*contract.iid);
    ASSERT_TRUE(dispatch) << Narrow(contract.name) << " is not in the library under its IID";
    EXPECT_EQ(TypeName(dispatch.Get()), contract.name);
    if (contract.help) {
        EXPECT_EQ(HelpString(dispatch.Get(), MEMBERID_NIL), contract.help) << Narrow(contract.name) << ": help string";
    }
    const ComPtr<ITypeInfo> vtable = VtableHalf(dispatch.Get());
    ASSERT_TRUE(vtable) << Narrow(contract.name) << " has no vtable half: it is not dual";

    TypeAttr attr(vtable.Get());
    ASSERT_TRUE(attr);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    const WORD wanted = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION;
    EXPECT_EQ(attr->wTypeFlags & wanted, wanted) << Narrow(contract.name) << ": type flags 0x" << std::hex
                                                 << attr->wTypeFlags;
    EXPECT_EQ(BaseChain(vtable.Get()), std::vector<std::wstring>(contract.bases.begin(), contract.bases.end()))
        << Narrow(contract.name) << ": inheritance";
    EXPECT_EQ(attr->cbSizeVft, static_cast<WORD>(contract.slotCount * sizeof(void*))) << Narrow(contract.name) << ": vtable size";
    EXPECT_EQ(attr->cFuncs, static_cast<WORD>(contract.members.size())) << Narrow(contract.name) << ": member count";

    std::vector<bool> matched(attr->cFuncs, false);
    for (const Member& member : contract.members) {
        bool found = false;
        for (UINT i = 0; i < attr->cFuncs && !found; ++i) {
            FuncDesc desc(vtable.Get(), i);
            ASSERT_TRUE(desc);
            if (desc->oVft == static_cast<SHORT>(member.slot * sizeof(void*))) {
                found = true;
                matched[i] = true;
                ExpectMember(vtable.Get(), desc.get(), contract.name, member);
            }
        }
        EXPECT_TRUE(found) << Narrow(Where(contract.name, member)) << ": nothing at slot " << member.slot;
    }
}

INSTANTIATE_TEST_SUITE_P(ServerLib, InterfaceContract, ::testing::ValuesIn(Interfaces()),
                         [](const ::testing::TestParamInfo<InterfaceTable>& info) {
                             return Narrow(info.param.name);
                         });

TEST_F(TypeLibContract, LibraryAttributes)
{
    TLIBATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(m_library->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_ServerLib));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0x409u);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    m_library->ReleaseTLibAttr(attr);

    Bstr name;
    Bstr help;
    ASSERT_HRESULT_SUCCEEDED(m_library->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr));
    EXPECT_EQ(name.str(), L"ServerLib");
    EXPECT_EQ(help.str(), L"PellamW Server 1.0 Type Library");
}

TEST_F(TypeLibContract, CarriesStreamDefinitions)
{
    // Clients without the system's type libraries must still be able to marshal IStream.
    for (const wchar_t* name : {L"IStream", L"ISequentialStream", L"_LARGE_INTEGER", L"_ULARGE_INTEGER",
                                L"tagSTATSTG", L"_FILETIME"}) {
        EXPECT_TRUE(ByName(name)) << Narrow(name) << " is not defined in the library";
    }
    const ComPtr<ITypeInfo> stream = ByGuid(IID_IStream);
    ASSERT_TRUE(stream) << "IStream is not in the library under its IID";
    EXPECT_EQ(BaseChain(stream.Get()), (std::vector<std::wstring>{L"ISequentialStream", L"IUnknown"}));
}

TEST_F(TypeLibContract, EnumerationValues)
{
    struct Enumeration {
        const wchar_t* name;
        std::vector<std::pair<const wchar_t*, LONG>> constants;
    };
    const std::vector<Enumeration> enumerations = {
        {L"EConfigGroupID",
         {{L"EConfigGroup_Default", 1}, {L"EConfigGroup_Root", 2}, {L"EConfigGroup_BIOS", 3},
          {L"EConfigGroup_Visible", 4}, {L"EConfigGroup_NonVisible", 5}, {L"EConfigGroup_BIOSImage", 6},
          {L"EConfigGroup_BIOSInfo", 7}, {L"EConfigGroup_SMBIOS", 8}, {L"EConfigGroup_Tokens", 9}}},
        {L"EConfigType",
         {{L"EConfigType_Choice", 1}, {L"EConfigType_Bool", 2}, {L"EConfigType_Integer", 3},
          {L"EConfigType_String", 4}, {L"EConfigType_OrderedList", 5}, {L"EConfigType_Date", 6}}},
        {L"EFlashVerificationLevel",
         {{L"EFlashVerification_Low", 1}, {L"EFlashVerification_Medium", 2}, {L"EFlashVerification_High", 3}}},
        {L"EBadge_Color", {{L"EBlack", 0}, {L"EWhite", 1}}},
    };
    for (const Enumeration& enumeration : enumerations) {
        const std::string where = Narrow(enumeration.name);
        ComPtr<ITypeInfo> info = ByName(enumeration.name);
        ASSERT_TRUE(info) << where << " is not in the library";
        TypeAttr attr(info.Get());
        ASSERT_TRUE(attr);
        ASSERT_EQ(attr->typekind, TKIND_ENUM) << where;
        EXPECT_EQ(attr->cbSizeInstance, 4u) << where << ": size";
        ASSERT_EQ(attr->cVars, static_cast<WORD>(enumeration.constants.size())) << where << ": constant count";
        for (UINT i = 0; i < attr->cVars; ++i) {
            VarDesc var(info.Get(), i);
            ASSERT_TRUE(var);
            const auto& [name, value] = enumeration.constants[i];
            EXPECT_EQ(MemberName(info.Get(), var->memid), name) << where << " constant " << i;
            VARIANT converted;
            ::VariantInit(&converted);
            ASSERT_EQ(var->varkind, VAR_CONST) << where << "::" << Narrow(name);
            ASSERT_HRESULT_SUCCEEDED(::VariantChangeType(&converted, var->lpvarValue, 0, VT_I4));
            EXPECT_EQ(V_I4(&converted), value) << where << "::" << Narrow(name);
        }
    }
}

TEST_F(TypeLibContract, ToolkitEvents)
{
    const ComPtr<ITypeInfo> events = ByGuid(DIID__IToolkitEvents);
    ASSERT_TRUE(events) << "_IToolkitEvents is not in the library under its IID";
    EXPECT_EQ(TypeName(events.Get()), L"_IToolkitEvents");
    EXPECT_EQ(HelpString(events.Get(), MEMBERID_NIL), L"_IToolkitEvents Interface");
    TypeAttr attr(events.Get());
    ASSERT_TRUE(attr);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    // Script sinks implement IDispatch only: a dual event interface would promise a vtable.
    EXPECT_EQ(attr->wTypeFlags & TYPEFLAG_FDUAL, 0);

    const std::vector<Member> expected = Events();
    EXPECT_EQ(attr->cFuncs, static_cast<WORD>(expected.size())) << "event count";
    for (const Member& event : expected) {
        bool found = false;
        for (UINT i = 0; i < attr->cFuncs && !found; ++i) {
            FuncDesc desc(events.Get(), i);
            ASSERT_TRUE(desc);
            if (desc->memid == event.id) {
                found = true;
                EXPECT_EQ(desc->funckind, FUNC_DISPATCH) << Narrow(event.name);
                ExpectMember(events.Get(), desc.get(), L"_IToolkitEvents", event);
            }
        }
        EXPECT_TRUE(found) << Narrow(event.name) << ": no event with DISPID " << event.id;
    }
}

TEST_F(TypeLibContract, Coclasses)
{
    struct Implemented {
        const wchar_t* name;
        INT flags;
    };
    struct Coclass {
        const wchar_t* name;
        const CLSID* clsid;
        const wchar_t* help;
        bool creatable;
        std::vector<Implemented> interfaces;
    };
    const INT kDefault = IMPLTYPEFLAG_FDEFAULT;
    const std::vector<Coclass> coclasses = {
        {L"Toolkit", &CLSID_Toolkit, L"Toolkit Class", true,
         {{L"IToolkit", kDefault}, {L"_IToolkitEvents", kDefault | IMPLTYPEFLAG_FSOURCE}}},
        {L"VariantCollection", &CLSID_VariantCollection, L"ConfigChoiceCollection Class", true,
         {{L"IVariantCollection", kDefault}}},
        {L"BIOSImage", &CLSID_BIOSImage, L"BIOSImage Class", true, {{L"IConfigData", kDefault}}},
        {L"BIOSInfo", &CLSID_BIOSInfo, L"BIOSInfo Class", true, {{L"IConfigData", kDefault}}},
        {L"SMBIOSSetting", &CLSID_SMBIOSSetting, L"SMBIOSSetting Class", true, {{L"IConfigData", kDefault}}},
        {L"CoolingSetting", &CLSID_CoolingSetting, L"CoolingSetting Class", true, {{L"IConfigData", kDefault}}},
        {L"TokensSetting", &CLSID_TokensSetting, L"TokensSetting Class", true,
         {{L"IConfigData", kDefault}, {L"ITokenConfigData", 0}}},
        {L"ConfigGroupCollection", &CLSID_ConfigGroupCollection, L"ConfigGroupCollection Class", true,
         {{L"IConfigGroupCollection", kDefault}}},
        {L"ConfigDataCollection", &CLSID_ConfigDataCollection, L"ConfigDataCollection Class", true,
         {{L"IConfigDataCollection", kDefault}}},
        {L"ConfigGroup", &CLSID_ConfigGroup, L"ConfigGroup Class", true, {{L"IConfigGroup", kDefault}}},
        {L"BiosCapsule", &CLSID_BiosCapsule, L"BiosCapsule Class", false, {{L"IBiosCapsule", kDefault}}},
        {L"Utility", &CLSID_Utility, L"Utility Class", true, {{L"IUtility", kDefault}}},
        {L"SystemCapabilities", &CLSID_SystemCapabilities, L"System Capabilities Class", true,
         {{L"ISystemCapabilities", kDefault}}},
    };

    UINT coclassCount = 0;
    for (UINT i = 0; i < m_library->GetTypeInfoCount(); ++i) {
        TYPEKIND kind = TKIND_MAX;
        if (SUCCEEDED(m_library->GetTypeInfoType(i, &kind)) && kind == TKIND_COCLASS) {
            ++coclassCount;
        }
    }
    EXPECT_EQ(coclassCount, static_cast<UINT>(coclasses.size())) << "coclass count";

    for (const Coclass& coclass : coclasses) {
        const std::string where = Narrow(coclass.name);
        const ComPtr<ITypeInfo> info = ByGuid(*coclass.clsid);
        ASSERT_TRUE(info) << where << " is not in the library under its CLSID";
        EXPECT_EQ(TypeName(info.Get()), coclass.name);
        EXPECT_EQ(HelpString(info.Get(), MEMBERID_NIL), coclass.help) << where << ": help string";
        TypeAttr attr(info.Get());
        ASSERT_TRUE(attr);
        ASSERT_EQ(attr->typekind, TKIND_COCLASS) << where;
        EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0, coclass.creatable) << where << ": creatable";
        ASSERT_EQ(attr->cImplTypes, static_cast<WORD>(coclass.interfaces.size())) << where << ": interface count";
        for (UINT i = 0; i < attr->cImplTypes; ++i) {
            HREFTYPE href = 0;
            ComPtr<ITypeInfo> implemented;
            INT flags = 0;
            ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeOfImplType(i, &href));
            ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeInfo(href, &implemented));
            ASSERT_HRESULT_SUCCEEDED(info->GetImplTypeFlags(i, &flags));
            EXPECT_EQ(TypeName(implemented.Get()), coclass.interfaces[i].name) << where << " interface " << i;
            EXPECT_EQ(flags, coclass.interfaces[i].flags) << where << " flags of " << Narrow(coclass.interfaces[i].name);
        }
    }
}

} // namespace
