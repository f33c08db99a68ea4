#pragma once
// WScript.Arguments: Item(i) (the default member), Count, length and enumeration.
#include "NamedDispatch.h"

#include "Enumerator.h"

#include <memory>
#include <string>
#include <vector>

class CArgumentsCollection final : public CNamedDispatch {
public:
    explicit CArgumentsCollection(std::vector<std::wstring> arguments);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const CCallArguments& arguments, VARIANT* result,
        EXCEPINFO* exception) override;

private:
    HRESULT GetItem(const CCallArguments& arguments, VARIANT* result, EXCEPINFO* exception) const;
    HRESULT NewEnum(VARIANT* result) const;

    std::vector<std::wstring> m_arguments;
    // The same texts as variants, shared by every enumerator handed out.
    std::shared_ptr<const VariantEnumerator::Elements> m_elements;
};
