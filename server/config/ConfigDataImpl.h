// IConfigDataImpl<I>: the state and behaviour shared by every configuration item, for items
// published as IConfigData and for setup tokens published as ITokenConfigData. Each item
// class derives from ConfigDataObject<Derived, I> and supplies Accept.
//
// A value is converted to the item's type when it is set, and checked against the item's
// limits or choices (unless a builder has cleared the bounds check to take a firmware value
// as it is); a Choice item stores the stored choice that matched, so its type and letter
// case are the choice's.
#pragma once

#include "frame/FailureReport.h"
#include "ItemValue.h"
#include "MessageIds.h"
#include "VariantCollection.h"
#include "VariantValues.h"

#include "ErrorMacros.h"
#include "frame/ErrorInfoManager.h"
#include "frame/ResultCodes.h"
#include "frame/ServerDispatch.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

template <typename I>
struct ConfigDataDispatch;
template <>
struct ConfigDataDispatch<IConfigData> {
    using Type = ServerDispatch<IConfigData, IOperationTarget>;
};
template <>
struct ConfigDataDispatch<ITokenConfigData> {
    using Type = ServerDispatch<ITokenConfigData, IConfigData, IOperationTarget>;
};

#define CONFIG_SITE(method) LOG_SITE(L"IConfigDataImpl::" method)

// The 32-bit payload of an integer VARIANT; false for any other type.
inline bool IntegerPayload(const VARIANT& value, LONG* payload)
{
    switch (V_VT(&value)) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT: {
        VARIANT converted;
        ::VariantInit(&converted);
        if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4))) {
            return false;
        }
        *payload = V_I4(&converted);
        return true;
    }
    default:
        return false;
    }
}

template <typename I>
class IConfigDataImpl : public ConfigDataDispatch<I>::Type {
public:
    // Published operations (Accept is each item class's own).
    IFACEMETHODIMP get_ChoiceCollection(IVariantCollection** choices) override
    {
        if (!choices) {
            return InvalidPointer(CONFIG_SITE(L"get_ChoiceCollection"), L"Invalid pointer");
        }
        *choices = nullptr;
        if (FAILED(m_pChoices->QueryInterface(IID_PPV_ARGS(choices)))) {
            return ReportFailureAt(CONFIG_SITE(L"get_ChoiceCollection"), LOG_ERROR, E_FAIL,
                                   Describe(__uuidof(I), MSG_INTERNAL_ERROR), L"Unable to get the choice collection");
        }
        return S_OK;
    }
    IFACEMETHODIMP get_IsReadOnly(VARIANT_BOOL* readOnly) override
    {
        if (!readOnly) {
            return InvalidPointer(CONFIG_SITE(L"get_IsReadOnly"), L"Invalid pointer");
        }
        *readOnly = m_bReadOnly ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    IFACEMETHODIMP get_Maximum(LONG* maximum) override { return GetLong(m_lMaximum, maximum, CONFIG_SITE(L"get_Maximum")); }
    IFACEMETHODIMP get_Minimum(LONG* minimum) override { return GetLong(m_lMinimum, minimum, CONFIG_SITE(L"get_Minimum")); }
    IFACEMETHODIMP get_Name(BSTR* name) override { return GetText(m_strName, name, CONFIG_SITE(L"get_Name"), L"Invalid pointer"); }
    IFACEMETHODIMP get_type(EConfigType* type) override
    {
        if (!type) {
            return InvalidPointer(CONFIG_SITE(L"get_Type"), L"Invalid pointer");
        }
        *type = m_eType;
        return S_OK;
    }
    IFACEMETHODIMP get_Value(VARIANT* value) override
    {
        return ReadValue(value, false, CONFIG_SITE(L"get_Value"));
    }
    IFACEMETHODIMP put_Value(VARIANT value) override
    {
        return StoreValue(value, false, CONFIG_SITE(L"put_Value"));
    }
    IFACEMETHODIMP get_Increment(LONG* increment) override
    {
        return GetLong(m_lIncrement, increment, CONFIG_SITE(L"get_Increment"));
    }
    IFACEMETHODIMP get_DefaultValue(VARIANT* value) override
    {
        return ReadValue(value, true, CONFIG_SITE(L"get_DefaultValue"));
    }
    IFACEMETHODIMP get_Description(BSTR* description) override
    {
        return GetText(m_strDescription, description, CONFIG_SITE(L"get_Description"), L"Invalid Pointer");
    }
    virtual HRESULT put_DefaultValue(VARIANT value) { return StoreValue(value, true, CONFIG_SITE(L"put_DefaultValue")); }

    // What builders set when they create an item.
    HRESULT SetName(UINT messageId)
    try {
        std::wstring text;
        const HRESULT hr = LoadMessageString(messageId, &text);
        if (FAILED(hr)) {
            return ReportFailureAt(CONFIG_SITE(L"SetName"), LOG_ERROR, hr, Describe(MSG_UNKNOWN_ERROR),
                                   L"Unable to set name.  hr=%x", static_cast<unsigned>(hr));
        }
        m_strName = std::move(text);
        return S_OK;
    }
    CATCH_RETURN()
    void SetNameText(std::wstring name) { m_strName = std::move(name); }
    void SetDataID(std::wstring dataId) { m_strDataID = std::move(dataId); }
    void SetDescription(std::wstring description) { m_strDescription = std::move(description); }
    void SetType(EConfigType type) { m_eType = type; }
    void SetIncrement(LONG increment) { m_lIncrement = increment; }
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    void SetBoundsCheck(bool check) { m_bBoundsCheck = check; }
    bool BoundsCheck() const { return m_bBoundsCheck; }
    // Stores a value and a default read from the firmware as they are, outside the limits
    // or choices too; the bounds check is back at once for whatever a client assigns later.
    HRESULT StoreFirmwareValues(const VARIANT& value, const VARIANT& defaultValue)
    {
        const bool check = m_bBoundsCheck;
        m_bBoundsCheck = false;
        HRESULT hr = put_Value(value);
        if (SUCCEEDED(hr)) {
            hr = put_DefaultValue(defaultValue);
        }
        m_bBoundsCheck = check;
        return hr;
    }
    EConfigType Type() const { return m_eType; }
    const std::wstring& Name() const { return m_strName; }

    HRESULT SetMaximum(LONG maximum) { return SetBound(m_lMaximum, maximum, CONFIG_SITE(L"SetMaximum")); }
    HRESULT SetMinimum(LONG minimum) { return SetBound(m_lMinimum, minimum, CONFIG_SITE(L"SetMinimum")); }

    HRESULT GetDataID(std::wstring* dataId) const
    try {
        if (!dataId) {
            return E_POINTER;
        }
        *dataId = m_strDataID;
        return S_OK;
    }
    CATCH_RETURN()

    // Choices: Choice and OrderedList items only.
    virtual HRESULT AddChoice(const VARIANT& choice)
    {
        if (m_eType != EConfigType_Choice && m_eType != EConfigType_OrderedList) {
            return ReportFailureAt(CONFIG_SITE(L"AddChoice"), LOG_ERROR, ResultCode::E_WRONG_TYPE,
                                   Describe(MSG_INTERNAL_ERROR), L"Object is not of type choice.  Could not add.");
        }
        return SUCCEEDED(m_pChoices->Add(choice)) ? S_OK : E_FAIL;
    }
    // The stored choice that equals `value`, into `match` (an initialised VARIANT).
    HRESULT GetMatchingChoice(const VARIANT& value, VARIANT* match) const
    {
        if (m_eType != EConfigType_Choice) {
            return ReportFailureAt(CONFIG_SITE(L"GetMatchingChoice"), LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"This object does not use choices.");
        }
        const HRESULT hr = m_pChoices->IsElementAlreadyInList(value, match);
        if (hr == S_FALSE) {
            return ReportFailureAt(CONFIG_SITE(L"GetMatchingChoice"), LOG_ERROR, ResultCode::E_OUT_OF_BOUNDS,
                                   Describe(MSG_INTERNAL_ERROR), L"Unable to get matching choice");
        }
        return FAILED(hr) ? E_FAIL : S_OK;
    }
    CVariantCollection& Choices() const { return *m_pChoices.Get(); }

    // Sets value and default value to the neutral value of `type`.
    HRESULT SetDefaultValueForType(EConfigType type)
    try {
        UniqueVariant neutral;
        switch (type) {
        case EConfigType_Bool:
            V_VT(neutral.get()) = VT_BOOL;
            V_BOOL(neutral.get()) = VARIANT_FALSE;
            break;
        case EConfigType_Integer:
            V_VT(neutral.get()) = VT_I4;
            V_I4(neutral.get()) = 0;
            break;
        case EConfigType_Choice:
        case EConfigType_String:
            RETURN_IF_FAILED(EmptyText(neutral));
            break;
        default:
            ReportDiagnostic(CONFIG_SITE(L"SetDefaultValueForType"), LOG_WARNING, L"Unexpected configuration type.");
            RETURN_IF_FAILED(EmptyText(neutral));
            break;
        }
        UniqueVariant defaultValue;
        RETURN_IF_FAILED(defaultValue.CopyFrom(*neutral.get()));
        m_varValue = std::move(neutral);
        m_varDefaultValue = std::move(defaultValue);
        return S_OK;
    }
    CATCH_RETURN()

    // Ordered lists: validated, then copied in; handed out as copies.
    HRESULT ValidateOrderedList(IVariantCollection* list) const
    try {
        if (!list) {
            return ReportFailureAt(CONFIG_SITE(L"ValidateOrderedList"), LOG_ERROR, E_POINTER,
                                   Describe(MSG_INTERNAL_ERROR), L"Incoming argument was NULL");
        }
        std::vector<UniqueVariant> elements;
        RETURN_IF_FAILED(ReadElements(list, elements));
        if (HasDuplicate(elements)) {
            ReportDiagnostic(CONFIG_SITE(L"ValidateOrderedList"), LOG_ERROR, L"Duplicate found in ordered list");
        }
        for (size_t position = 0; position < elements.size(); ++position) {
            const VARIANT& element = *elements[position].get();
            if (V_VT(&element) != VT_I4) {
                return ReportFailureAt(CONFIG_SITE(L"ValidateOrderedList"), LOG_ERROR,
                                       ResultCode::E_NOT_VARIANT_COLLECTION, Describe(MSG_VALUE_OUT_OF_RANGE),
                                       L"Invalid type in ordered list, should be VT_I4");
            }
            if (!IsChoicePayload(V_I4(&element))) {
                return ReportFailureAt(CONFIG_SITE(L"ValidateOrderedList"), LOG_WARNING, ResultCode::E_OUT_OF_BOUNDS,
                                       Describe(MSG_VALUE_OUT_OF_RANGE),
                                       L"Item %d (%d) in the ordered list is not valid", static_cast<int>(position + 1),
                                       static_cast<int>(V_I4(&element)));
            }
        }
        return S_OK;
    }
    CATCH_RETURN()
    HRESULT SetOrderedList(IVariantCollection* list) { return StoreOrderedList(list, false); }
    HRESULT SetDefaultOrderedList(IVariantCollection* list) { return StoreOrderedList(list, true); }
    HRESULT GetOrderedList(IVariantCollection** list) const { return CopyListOut(*m_pOrderedList.Get(), list); }
    HRESULT GetDefaultOrderedList(IVariantCollection** list) const
    {
        return CopyListOut(*m_pDefaultOrderedList.Get(), list);
    }

    // Replaces the target's elements with the source's. Copying a collection onto itself
    // changes nothing.
    static HRESULT Copy(IVariantCollection* source, IVariantCollection* target)
    {
        if (!source || !target) {
            return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                                   L"Incoming argument was NULL");
        }
        if (SameObject(source, target)) {
            return S_OK;
        }
        LONG count = 0;
        if (FAILED(source->get_Count(&count))) {
            return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                   L"Unable to get item from list");
        }
        if (FAILED(target->Clear())) {
            return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_UNEXPECTED, Describe(MSG_UNEXPECTED_FAILURE),
                                   L"Unable to clear list");
        }
        for (LONG index = 1; index <= count; ++index) {
            UniqueVariant item;
            if (FAILED(source->get_Item(index, item.put()))) {
                return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                       L"Unable to get item from list");
            }
            if (FAILED(target->Add(*item.get()))) {
                return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                       L"Unable to add to new collection");
            }
        }
        return S_OK;
    }
    static HRESULT Copy(const CVariantCollection& source, IVariantCollection* target)
    {
        if (!target) {
            return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                                   L"Incoming argument was NULL");
        }
        if (SameObject(static_cast<IVariantCollection*>(const_cast<CVariantCollection*>(&source)), target)) {
            return S_OK;
        }
        if (FAILED(target->Clear())) {
            return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_UNEXPECTED, Describe(MSG_UNEXPECTED_FAILURE),
                                   L"Unable to clear list");
        }
        for (size_t position = 0; position < source.Size(); ++position) {
            if (FAILED(target->Add(source.ElementAt(position)))) {
                return ReportFailureAt(CONFIG_SITE(L"Copy"), LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                       L"Unable to add to new collection");
            }
        }
        return S_OK;
    }

    // True when `value` lies within the item's limits or among its choices.
    bool IsWithinBounds(const VARIANT& value) const
    {
        switch (m_eType) {
        case EConfigType_Choice:
            return FindChoice(value, nullptr) == S_OK;
        case EConfigType_Integer: {
            // A value that is not a number is out of bounds rather than compared by
            // whatever bits it holds.
            UniqueVariant number;
            if (FAILED(::VariantChangeType(number.get(), const_cast<VARIANT*>(&value), 0, VT_I4))) {
                return false;
            }
            return m_lMinimum <= V_I4(number.get()) && V_I4(number.get()) <= m_lMaximum;
        }
        default:
            return true;
        }
    }

protected:
    // The longest text a String item's value may be, in bytes of the ANSI code page, for
    // items whose text goes into an INI line and a firmware string; 0 for no limit.
    virtual size_t TextByteLimit() const { return 0; }

    // Creates the three collections; an item without them cannot exist.
    HRESULT CreateCollections()
    {
        if (FAILED(CVariantCollection::Make(m_pOrderedList)) || FAILED(CVariantCollection::Make(m_pDefaultOrderedList)) ||
            FAILED(CVariantCollection::Make(m_pChoices)) || FAILED(EmptyText(m_varValue)) ||
            FAILED(m_varDefaultValue.CopyFrom(*m_varValue.get()))) {
            return E_FAIL;
        }
        return S_OK;
    }

    HRESULT InvalidPointer(const LogSite& site, const wchar_t* text) const
    {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(__uuidof(I), MSG_INTERNAL_ERROR), text);
    }

private:
    static HRESULT EmptyText(UniqueVariant& value)
    {
        BSTR empty = ::SysAllocString(L"");
        RETURN_IF_NULL_ALLOC(empty);
        VARIANT* target = value.put();
        V_VT(target) = VT_BSTR;
        V_BSTR(target) = empty;
        return S_OK;
    }

    static bool SameObject(IUnknown* left, IUnknown* right)
    {
        ComPtr<IUnknown> leftIdentity;
        ComPtr<IUnknown> rightIdentity;
        return SUCCEEDED(left->QueryInterface(IID_PPV_ARGS(&leftIdentity))) &&
               SUCCEEDED(right->QueryInterface(IID_PPV_ARGS(&rightIdentity))) && leftIdentity.Get() == rightIdentity.Get();
    }

    HRESULT GetLong(LONG value, LONG* out, const LogSite& site) const
    {
        if (!out) {
            return InvalidPointer(site, L"Invalid pointer");
        }
        *out = value;
        return S_OK;
    }

    HRESULT GetText(const std::wstring& text, BSTR* out, const LogSite& site, const wchar_t* nullText) const
    {
        if (!out) {
            return InvalidPointer(site, nullText);
        }
        *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!*out) {
            return ReportFailureAt(site, LOG_ERROR, E_OUTOFMEMORY, Describe(__uuidof(I), MSG_OUT_OF_MEMORY),
                                   L"Out of memory");
        }
        return S_OK;
    }

    HRESULT SetBound(LONG& bound, LONG value, const LogSite& site)
    {
        if (m_eType != EConfigType_Integer) {
            ReportDiagnostic(site, LOG_ERROR, L"The object is not of type integer");
            return ResultCode::E_WRONG_TYPE;
        }
        bound = value;
        return S_OK;
    }

    // Whether a choice is a fraction-capable number (a cooling setting's 3.33 degrees).
    bool HasDoubleChoices() const
    {
        for (size_t position = 0; position < m_pChoices->Size(); ++position) {
            if (V_VT(&m_pChoices->ElementAt(position)) == VT_R8) {
                return true;
            }
        }
        return false;
    }

    bool IsChoicePayload(LONG value) const
    {
        for (size_t position = 0; position < m_pChoices->Size(); ++position) {
            LONG payload = 0;
            if (IntegerPayload(m_pChoices->ElementAt(position), &payload) && payload == value) {
                return true;
            }
        }
        return false;
    }

    static HRESULT ReadElements(IVariantCollection* list, std::vector<UniqueVariant>& elements)
    {
        LONG count = 0;
        if (FAILED(list->get_Count(&count))) {
            return ReportFailureAt(CONFIG_SITE(L"ValidateOrderedList"), LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"Unable to determine ordered list size");
        }
        elements.resize(static_cast<size_t>(count > 0 ? count : 0));
        for (LONG index = 1; index <= count; ++index) {
            if (FAILED(list->get_Item(index, elements[index - 1].put()))) {
                return ReportFailureAt(CONFIG_SITE(L"ValidateOrderedList"), LOG_ERROR, E_FAIL,
                                       Describe(MSG_UNEXPECTED_FAILURE), L"Unable to get item from list");
            }
        }
        return S_OK;
    }

    // Two positions holding the same non-zero integer; zero marks an empty slot and may repeat.
    static bool HasDuplicate(const std::vector<UniqueVariant>& elements)
    {
        std::vector<LONG> values;
        values.reserve(elements.size());
        for (const UniqueVariant& element : elements) {
            if (V_VT(element.get()) == VT_I4 && V_I4(element.get()) != 0) {
                values.push_back(V_I4(element.get()));
            }
        }
        std::sort(values.begin(), values.end());
        return std::adjacent_find(values.begin(), values.end()) != values.end();
    }

    HRESULT StoreOrderedList(IVariantCollection* list, bool isDefault)
    {
        const LogSite site = isDefault ? CONFIG_SITE(L"SetDefaultOrderedList") : CONFIG_SITE(L"SetOrderedList");
        if (!list) {
            return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                                   L"Incoming argument was NULL");
        }
        LONG count = 0;
        if (FAILED(list->get_Count(&count))) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"Unable to determine ordered list size");
        }
        const HRESULT valid = ValidateOrderedList(list);
        if (FAILED(valid)) {
            return valid == ResultCode::E_OUT_OF_BOUNDS && !isDefault ? valid : E_INVALIDARG;
        }
        // Copied aside first, so that a failure half way leaves the held list as it was.
        ComPtr<CVariantCollection> copy;
        if (FAILED(CVariantCollection::Make(copy)) || FAILED(Copy(list, copy.Get()))) {
            return E_FAIL;
        }
        (isDefault ? m_pDefaultOrderedList : m_pOrderedList)->SwapContents(*copy.Get());
        return S_OK;
    }

    static HRESULT CopyListOut(const CVariantCollection& held, IVariantCollection** list)
    {
        if (!list) {
            return ReportFailureAt(CONFIG_SITE(L"GetOrderedList"), LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                                   L"Incoming argument was NULL");
        }
        *list = nullptr;
        ComPtr<CVariantCollection> copy;
        if (FAILED(CVariantCollection::Make(copy))) {
            return ReportFailureAt(CONFIG_SITE(L"GetOrderedList"), LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                   L"Unexpected error on CreateInstance()");
        }
        RETURN_IF_FAILED(Copy(held, copy.Get()));
        *list = copy.Detach();
        return S_OK;
    }

    HRESULT ReadValue(VARIANT* out, bool isDefault, const LogSite& site) const
    try {
        if (!out) {
            return InvalidPointer(site, L"Invalid pointer");
        }
        // An [out] VARIANT may hold anything on entry; it is only written.
        ::VariantInit(out);
        if (m_eType == EConfigType_OrderedList) {
            IVariantCollection* list = nullptr;
            const HRESULT hr = isDefault ? GetDefaultOrderedList(&list) : GetOrderedList(&list);
            if (FAILED(hr)) {
                return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(__uuidof(I), MSG_INTERNAL_ERROR),
                                       L"Unable to copy the ordered list");
            }
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = list;
            return S_OK;
        }
        const HRESULT hr = ::VariantCopy(out, const_cast<VARIANT*>((isDefault ? m_varDefaultValue : m_varValue).get()));
        if (hr == E_OUTOFMEMORY) {
            return ReportFailureAt(site, LOG_ERROR, E_OUTOFMEMORY, Describe(__uuidof(I), MSG_OUT_OF_MEMORY),
                                   L"Out of memory");
        }
        if (FAILED(hr)) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(__uuidof(I), MSG_UNKNOWN_ERROR), L"Unknown error");
        }
        return S_OK;
    } catch (...) {
        return ReportException(site);
    }

    HRESULT StoreValue(const VARIANT& value, bool isDefault, const LogSite& site)
    try {
        UniqueVariant input;
        if (FAILED(CopyVariantValue(value, input))) {
            return ReportFailureAt(site, LOG_ERROR, E_INVALIDARG, Describe(__uuidof(I), MSG_INVALID_ARGUMENT),
                                   L"Unable to read the value");
        }
        HRESULT hr = ConvertToType(input, site);
        if (FAILED(hr)) {
            return hr;
        }
        if (m_bBoundsCheck && FAILED(hr = CheckBounds(*input.get(), site))) {
            return hr;
        }
        switch (m_eType) {
        case EConfigType_Choice:
            hr = StoreChoice(input, isDefault);
            break;
        case EConfigType_OrderedList:
            hr = StoreListValue(*input.get(), isDefault, site);
            break;
        default:
            (isDefault ? m_varDefaultValue : m_varValue) = std::move(input);
            break;
        }
        if (FAILED(hr)) {
            CErrorInfoManager::SetGUID(__uuidof(I));
        }
        return hr;
    } catch (...) {
        return ReportException(site);
    }

    // The name a description gives the item: its display name, else its data ID.
    const std::wstring& ShownName() const { return m_strName.empty() ? m_strDataID : m_strName; }

    // Makes `value` the item's own type: a whole number for Integer items, a whole number or
    // text for Choice items, True or False for Bool items, text for String items. Ordered
    // lists and dates are taken as they are.
    HRESULT ConvertToType(UniqueVariant& value, const LogSite& site) const
    {
        UINT refusal = 0;
        LONG number = 0;
        bool on = false;
        const VARTYPE given = V_VT(value.get());
        switch (m_eType) {
        case EConfigType_Integer:
            if (ToWholeNumber(*value.get(), &number)) {
                value = IntegerVariant(number);
            } else {
                refusal = MSG_ITEM_NEEDS_WHOLE_NUMBER;
            }
            break;
        case EConfigType_Choice:
            // Text that is a whole number matches a number choice as that number; other text
            // is matched as text; a fraction only where choices are doubles (a cooling
            // setting's 3.33 degrees), as a whole-number choice would take it rounded.
            if (ToWholeNumber(*value.get(), &number)) {
                value = IntegerVariant(number);
            } else if (IsNumberType(given) && HasDoubleChoices()) {
                UniqueVariant fraction;
                if (FAILED(::VariantChangeType(fraction.get(), value.get(), 0, VT_R8))) {
                    refusal = MSG_ITEM_NEEDS_NUMBER_OR_TEXT;
                } else {
                    value = std::move(fraction);
                }
            } else if (given != VT_BSTR) {
                refusal = MSG_ITEM_NEEDS_NUMBER_OR_TEXT;
            }
            break;
        case EConfigType_Bool:
            if (ToSwitch(*value.get(), &on)) {
                value = BoolVariant(on);
            } else {
                refusal = MSG_ITEM_NEEDS_SWITCH;
            }
            break;
        case EConfigType_String:
            if (given != VT_BSTR) {
                refusal = MSG_ITEM_NEEDS_TEXT;
            }
            break;
        default:
            break;
        }
        if (refusal != 0) {
            return ReportFailureAt(site, LOG_WARNING, ResultCode::E_NOT_VARIANT_COLLECTION,
                                   Describe(__uuidof(I), refusal, ShownName().c_str()),
                                   L"A value of variant type %u does not convert to the type %d of %ls",
                                   static_cast<unsigned>(given), static_cast<int>(m_eType), ShownName().c_str());
        }
        return S_OK;
    }

    // The limits of a converted value: an Integer's range, a Choice's choices, the text a
    // String item can write.
    HRESULT CheckBounds(const VARIANT& value, const LogSite& site) const
    {
        if (!IsWithinBounds(value)) {
            return ReportFailureAt(site, LOG_WARNING, ResultCode::E_OUT_OF_BOUNDS,
                                   Describe(__uuidof(I), MSG_ITEM_VALUE_OUT_OF_RANGE, ShownName().c_str()),
                                   L"Value is out of bounds");
        }
        const size_t limit = TextByteLimit();
        if (m_eType != EConfigType_String || limit == 0) {
            return S_OK;
        }
        const BSTR text = V_BSTR(&value);
        switch (FitText(std::wstring_view(text ? text : L"", ::SysStringLen(text)), limit)) {
        case TextFit::LineBreak:
            return TextRefused(site, Describe(__uuidof(I), MSG_ITEM_TEXT_LINE_BREAK, ShownName().c_str()));
        case TextFit::CodePage:
            return TextRefused(site, Describe(__uuidof(I), MSG_ITEM_TEXT_CODE_PAGE, ShownName().c_str()));
        case TextFit::TooLong:
            return TextRefused(site, Describe(__uuidof(I), MSG_ITEM_TEXT_TOO_LONG, ShownName().c_str(),
                                              static_cast<unsigned>(limit)));
        default:
            return S_OK;
        }
    }
    HRESULT TextRefused(const LogSite& site, const Description& description) const
    {
        return ReportFailureAt(site, LOG_WARNING, ResultCode::E_OUT_OF_BOUNDS, description,
                               L"Value is out of bounds: %ls cannot write it", ShownName().c_str());
    }

    // The stored choice equal to `value`, as GetMatchingChoice finds it, except that text
    // is not rounded onto a number choice: text that is a whole number was converted to
    // one already, so text meeting a number choice here is a fraction or no number at all.
    HRESULT FindChoice(const VARIANT& value, VARIANT* match) const
    {
        UniqueVariant found;
        const HRESULT hr = m_pChoices->IsElementAlreadyInList(value, found.get());
        if (hr != S_OK) {
            return hr;
        }
        if (V_VT(&value) == VT_BSTR && V_VT(found.get()) != VT_BSTR) {
            return S_FALSE;
        }
        if (match) {
            ::VariantClear(match);
            *match = found.release();
        }
        return S_OK;
    }

    HRESULT StoreChoice(UniqueVariant& input, bool isDefault)
    {
        UniqueVariant match;
        const HRESULT hr = FindChoice(*input.get(), match.get());
        if (hr == S_FALSE) {
            if (m_bBoundsCheck || FAILED(AddChoice(*input.get()))) {
                return E_FAIL;
            }
            (isDefault ? m_varDefaultValue : m_varValue) = std::move(input);
            return S_OK;
        }
        if (FAILED(hr)) {
            return E_FAIL;
        }
        (isDefault ? m_varDefaultValue : m_varValue) = std::move(match);
        return S_OK;
    }

    HRESULT StoreListValue(const VARIANT& input, bool isDefault, const LogSite& site)
    {
        ComPtr<IVariantCollection> list;
        const bool isObject = V_VT(&input) == VT_UNKNOWN || V_VT(&input) == VT_DISPATCH;
        if (!isObject || !V_UNKNOWN(&input) || FAILED(V_UNKNOWN(&input)->QueryInterface(IID_PPV_ARGS(&list)))) {
            return ReportFailureAt(site, LOG_ERROR, ResultCode::E_NOT_VARIANT_COLLECTION,
                                   Describe(__uuidof(I), MSG_ITEM_NEEDS_COLLECTION, ShownName().c_str()),
                                   L"Input parameter is not a VariantCollection");
        }
        const HRESULT hr = isDefault ? SetDefaultOrderedList(list.Get()) : SetOrderedList(list.Get());
        if (hr == ResultCode::E_OUT_OF_BOUNDS) {
            return hr;
        }
        return FAILED(hr) ? E_FAIL : S_OK;
    }

    // Turns the exception being handled into a result.
    HRESULT ReportException(const LogSite& site) const
    {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            return ReportFailureAt(site, LOG_ERROR, E_OUTOFMEMORY, Describe(__uuidof(I), MSG_OUT_OF_MEMORY),
                                   L"Out of memory");
        } catch (const std::exception& error) {
            const std::string what = error.what();
            const std::wstring text(what.begin(), what.end());
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(__uuidof(I), MSG_UNKNOWN_ERROR), L"%ls",
                                   text.c_str());
        } catch (...) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(__uuidof(I), MSG_UNKNOWN_ERROR), L"Unknown error");
        }
    }

    // Item state, in the order the item's data model lists it.
    std::wstring m_strName;
    LONG m_lIncrement = 1;
    ComPtr<CVariantCollection> m_pOrderedList;
    ComPtr<CVariantCollection> m_pDefaultOrderedList;
    ComPtr<CVariantCollection> m_pChoices;
    EConfigType m_eType = EConfigType_String;
    LONG m_lMaximum = 0;
    LONG m_lMinimum = 0;
    bool m_bReadOnly = false;
    std::wstring m_strDataID;
    UniqueVariant m_varValue;
    UniqueVariant m_varDefaultValue;
    std::wstring m_strDescription;
    bool m_bBoundsCheck = true;
};

// The COM object shape of an item class.
// Error information is offered for the item's interface and for IConfigData, which a token
// item also answers as its default interface.
template <typename I>
class ConfigDataErrorInfo : public ISupportErrorInfo {
public:
    using Interface = ISupportErrorInfo;
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override
    {
        return iid == __uuidof(I) || iid == IID_IConfigData ? S_OK : S_FALSE;
    }
};

template <typename Derived, typename I, typename... Extra>
class ConfigDataObject : public ComObject<Derived, IConfigDataImpl<I>, ConfigDataErrorInfo<I>, Extra...> {
public:
    HRESULT FinalConstruct() { return this->CreateCollections(); }
};
