#include "StoreVariables.h"

#include "system/EFIVar.h"

#include "StoreOperations.h"

#include <algorithm>
#include <new>

HRESULT CStoreVariables::GetVariable(const std::wstring& name, const GUID& vendor, ULONG* attributes, ULONG& size,
    void* data)
{
    // The operation leaves what it does not answer as it was, as the library does.
    uint32_t attributesOut = attributes ? *attributes : 0;
    uint32_t sizeInOut = size;
    const uint32_t status = fwstore::GetVariableIn(m_image, name.c_str(), &vendor, &attributesOut, &sizeInOut, data).status;
    size = sizeInOut;
    if (attributes) {
        *attributes = attributesOut;
    }
    return CEFIVar::InterpretEFIRetVal(status);
}

HRESULT CStoreVariables::GetExportDb(ULONG& size, void* data)
{
    uint32_t sizeInOut = size;
    const uint32_t status = fwstore::GetExportDbIn(m_image, &sizeInOut, data).status;
    size = sizeInOut;
    return CEFIVar::InterpretEFIRetVal(status);
}

HRESULT CStoreVariables::QuerySize(const std::wstring& name, const GUID& vendor, ULONG& size, ULONG* attributes)
{
    size = 0;
    return GetVariable(name, vendor, attributes, size, nullptr);
}

// The two-call read of the library's callers, so that the board counts the same reads.
HRESULT CStoreVariables::Read(const std::wstring& name, const GUID& vendor, std::vector<BYTE>& data, ULONG* attributes)
try {
    ULONG size = 0;
    HRESULT hr = QuerySize(name, vendor, size, attributes);
    if (hr != ResultCode::E_BUFFERTOOSMALL) {
        if (SUCCEEDED(hr)) {
            data.clear();
        }
        return hr;
    }
    std::vector<BYTE> buffer(size);
    ULONG readSize = size;
    hr = GetVariable(name, vendor, attributes, readSize, buffer.data());
    if (FAILED(hr)) {
        return hr;
    }
    buffer.resize(std::min(readSize, size));
    data = std::move(buffer);
    return hr;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT CStoreVariables::Write(const std::wstring& name, const GUID& vendor, ULONG attributes, std::span<const BYTE> data)
{
    const uint32_t attributesIn = attributes;
    const uint32_t size = static_cast<uint32_t>(data.size());
    return CEFIVar::InterpretEFIRetVal(
        fwstore::SetVariableIn(m_image, name.c_str(), &vendor, &attributesIn, &size, data.data()).status);
}

// A size query, then the read; any failure is E_FAIL, as the library's callers see it.
HRESULT CStoreVariables::ExportDatabase(std::vector<BYTE>& data)
try {
    ULONG size = 0;
    if (GetExportDb(size, nullptr) == ResultCode::E_BUFFERTOOSMALL && size > 0) {
        std::vector<BYTE> buffer(size);
        if (SUCCEEDED(GetExportDb(size, buffer.data()))) {
            buffer.resize(std::min<size_t>(size, buffer.size()));
            data = std::move(buffer);
            return S_OK;
        }
    }
    return ReportFailureAt(LOG_SITE(L"CStoreVariables::ExportDatabase"), LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                           L"Error retrieving HII database");
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
