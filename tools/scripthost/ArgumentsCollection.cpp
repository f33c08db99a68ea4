#include "ArgumentsCollection.h"

namespace {

enum : DISPID { kCount = 1, kLength };

constexpr DispatchMember kMembers[] = {
    {L"Item", DISPID_VALUE},
    {L"Count", kCount},
    {L"length", kLength},
    {L"_NewEnum", DISPID_NEWENUM},
};

VariantEnumerator::Elements TextElements(const std::vector<std::wstring>& texts)
{
    VariantEnumerator::Elements elements;
    for (const std::wstring& text : texts) {
        auto element = std::make_shared<UniqueVariant>();
        V_VT(element->get()) = VT_BSTR;
        V_BSTR(element->get()) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!V_BSTR(element->get())) {
            throw std::bad_alloc();
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

}  // namespace

CArgumentsCollection::CArgumentsCollection(std::vector<std::wstring> arguments)
    : CNamedDispatch(kMembers), m_arguments(std::move(arguments)),
      m_elements(std::make_shared<const VariantEnumerator::Elements>(TextElements(m_arguments)))
{
}

HRESULT CArgumentsCollection::InvokeMember(DISPID id, WORD, const CCallArguments& arguments, VARIANT* result,
    EXCEPINFO* exception)
{
    switch (id) {
    case DISPID_VALUE:
        return GetItem(arguments, result, exception);
    case kCount:
    case kLength:
        return ReturnLong(result, static_cast<LONG>(m_arguments.size()));
    case DISPID_NEWENUM:
        return NewEnum(result);
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CArgumentsCollection::GetItem(const CCallArguments& arguments, VARIANT* result, EXCEPINFO* exception) const
{
    if (arguments.IsMissing(0)) {
        return RaiseDispatchError(exception, DISP_E_BADPARAMCOUNT, L"Arguments.Item needs an index");
    }
    LONG index = 0;
    const HRESULT hr = arguments.GetLong(0, index);
    if (FAILED(hr)) {
        return RaiseDispatchError(exception, hr, L"the argument index is not a number");
    }
    if (index < 0 || static_cast<std::size_t>(index) >= m_arguments.size()) {
        return RaiseDispatchError(exception, DISP_E_BADINDEX,
            L"argument index " + std::to_wstring(index) + L" is out of range (" + std::to_wstring(m_arguments.size()) +
                L" arguments)");
    }
    return ReturnString(result, m_arguments[static_cast<std::size_t>(index)]);
}

HRESULT CArgumentsCollection::NewEnum(VARIANT* result) const
{
    if (!result) {
        return S_OK;
    }
    IUnknown* enumerator = nullptr;
    const HRESULT hr = VariantEnumerator::CreateObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(&enumerator),
                                                       m_elements);
    if (SUCCEEDED(hr)) {
        V_VT(result) = VT_UNKNOWN;
        V_UNKNOWN(result) = enumerator;
    }
    return hr;
}
