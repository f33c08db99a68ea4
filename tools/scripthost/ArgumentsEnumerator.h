#pragma once
// IEnumVARIANT over the script's arguments, for `For Each` and `new Enumerator(...)`.
#include "ComObjectBase.h"

#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

class CArgumentsEnumerator final : public CComObjectBase<IEnumVARIANT> {
public:
    CArgumentsEnumerator(std::shared_ptr<const std::vector<std::wstring>> arguments, std::size_t position);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** copy) override;

private:
    std::shared_ptr<const std::vector<std::wstring>> m_arguments;
    std::size_t m_position;
};
