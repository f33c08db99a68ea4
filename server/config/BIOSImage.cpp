#include "BIOSImage.h"

#include "DataOperation.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include "ClassFactory.h"
#include "ErrorMacros.h"
#include "frame/ObjectMapEntries.h"

#include <algorithm>
#include <string>

namespace {
// Status texts are short; more than this is not shown.
constexpr size_t kPasswordErrorLength = 259;
} // namespace

IFACEMETHODIMP CBIOSImage::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CBIOSImage::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

IFACEMETHODIMP CBIOSImage::get_Description(BSTR* description)
try {
    if (!description) {
        return REPORT_FAILURE(L"CBIOSImage::get_Description", LOG_ERROR, E_POINTER,
                              Describe(IID_IConfigData, MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    wchar_t guid[40] = {};
    ::StringFromGUID2(m_guidVendor, guid, 40);
    const auto written = std::count_if(m_imageMask.begin(), m_imageMask.end(), [](uint8_t byte) { return byte != 0; });
    std::wstring text = L"\"" + m_strVariableName + L"\" " + guid + L", " + std::to_wstring(m_imageData.size()) +
                        L" bytes, " + std::to_wstring(written) + L" of them written by an install";
    std::wstring status;
    if (m_passwordError && SUCCEEDED(GetPasswordError(&status)) && !status.empty()) {
        text += L", status \"" + status + L"\"";
    }
    *description = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!*description) {
        return REPORT_FAILURE(L"CBIOSImage::get_Description", LOG_ERROR, E_OUTOFMEMORY,
                              Describe(IID_IConfigData, MSG_OUT_OF_MEMORY), L"Out of memory");
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSImage::SetImage(unsigned size, const uint8_t* data, const uint8_t* mask)
try {
    if (size != 0 && (!data || !mask)) {
        ReportDiagnostic(LOG_SITE(L"CBIOSImage::SetImage"), LOG_ERROR, L"Invalid pointer");
        return E_POINTER;
    }
    std::vector<uint8_t> newData(data, data + size);
    std::vector<uint8_t> newMask(mask, mask + size);
    m_imageData.swap(newData);
    m_imageMask.swap(newMask);
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSImage::GetBIOSImage(BIOSImageRecord* record) const
try {
    if (!record) {
        return REPORT_FAILURE(L"CBIOSImage::GetBIOSImage", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    if (record->capacity < m_imageData.size()) {
        return REPORT_FAILURE(L"CBIOSImage::GetBIOSImage", LOG_ERROR, ResultCode::E_BUFFERTOOSMALL,
                              Describe(MSG_INTERNAL_ERROR), L"The input buffer is too small");
    }
    record->data = m_imageData;
    record->mask = m_imageMask;
    record->size = static_cast<unsigned>(m_imageData.size());
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSImage::GetBIOSImageSize(unsigned* size) const
{
    if (!size) {
        return REPORT_FAILURE(L"CBIOSImage::GetBIOSImageSize", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    *size = static_cast<unsigned>(m_imageData.size());
    ReportDiagnostic(LOG_SITE(L"CBIOSImage::GetBIOSImageSize"), LOG_INFORMATION, L"Image Size: %u", *size);
    return S_OK;
}

HRESULT CBIOSImage::SetPasswordError(unsigned size, const char* data)
try {
    if (!data) {
        ReportDiagnostic(LOG_SITE(L"CBIOSImage::SetPasswordError"), LOG_ERROR, L"Invalid pointer");
        return E_POINTER;
    }
    if (size == 0) {
        ReportDiagnostic(LOG_SITE(L"CBIOSImage::SetPasswordError"), LOG_ERROR, L"Invalid buffer size");
        return E_FAIL;
    }
    m_passwordError.emplace(data, size);
    ReportDiagnostic(LOG_SITE(L"CBIOSImage::SetPasswordError"), LOG_INFORMATION, L"Password error buffer set");
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSImage::GetPasswordError(std::wstring* text) const
try {
    if (!text) {
        return REPORT_FAILURE(L"CBIOSImage::GetPasswordError", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    if (!m_passwordError) {
        ReportDiagnostic(LOG_SITE(L"CBIOSImage::GetPasswordError"), LOG_ERROR, L"Password error not set");
        return S_OK;
    }
    // The buffer came from a firmware variable: it ends at its first NUL or at its size.
    const std::string& held = *m_passwordError;
    size_t length = held.find('\0');
    length = std::min({length == std::string::npos ? held.size() : length, kPasswordErrorLength});
    std::wstring wide;
    if (length > 0) {
        const int needed = ::MultiByteToWideChar(CP_ACP, 0, held.data(), static_cast<int>(length), nullptr, 0);
        wide.resize(static_cast<size_t>(needed > 0 ? needed : 0));
        if (needed > 0) {
            ::MultiByteToWideChar(CP_ACP, 0, held.data(), static_cast<int>(length), wide.data(), needed);
        }
    }
    *text = std::move(wide);
    ReportDiagnostic(LOG_SITE(L"CBIOSImage::GetPasswordError"), LOG_INFORMATION, L"Retrieving password error");
    return S_OK;
}
CATCH_RETURN()

HRESULT CreateBIOSImageClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CBIOSImage>>(classObject);
}
