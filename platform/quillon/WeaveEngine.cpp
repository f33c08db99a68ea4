#include "WeaveEngine.h"

#include "CapsuleParser.h"
#include "CapsuleWriter.h"
#include "ErrorMacros.h"
#include "FirmwareId.h"
#include "Owners.h"
#include "StreamIo.h"
#include "WeaveModule.h"
#include "WeaveModules.h"

#include <string>

namespace {

std::wstring CapsuleGuidText()
{
    const auto& b = biofile::kCapsuleGuid;
    GUID guid;
    guid.Data1 = static_cast<unsigned long>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
    guid.Data2 = static_cast<unsigned short>(b[4] | b[5] << 8);
    guid.Data3 = static_cast<unsigned short>(b[6] | b[7] << 8);
    for (size_t i = 0; i < 8; ++i) {
        guid.Data4[i] = b[8 + i];
    }
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out)
{
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The ID is ASCII; anything outside printable ASCII cannot be stored.
bool NarrowFirmwareId(BSTR id, std::string& narrow)
{
    const UINT length = ::SysStringLen(id);
    for (UINT i = 0; i < length; ++i) {
        if (id[i] < 0x20 || id[i] > 0x7E) {
            return false;
        }
        narrow.push_back(static_cast<char>(id[i]));
    }
    return biofile::IsValidFirmwareId(narrow);
}

uint64_t ImageSizeOf(const biofile::CapsuleImage& image) { return biofile::ImageSize(image); }
uint64_t UsedSizeOf(const biofile::CapsuleImage& image) { return biofile::UsedSize(image); }
int64_t RemainingOf(const biofile::CapsuleImage& image) { return biofile::SizeRemaining(image); }
uint32_t FlashAreaOf(const biofile::CapsuleImage& image) { return image.flashAreaSize; }
uint32_t FlagsOf(const biofile::CapsuleImage& image) { return image.capsuleFlags; }
size_t ModuleCountOf(const biofile::CapsuleImage& image) { return image.modules.size(); }

} // namespace

CWeaveEngine::~CWeaveEngine() { Detach(); }

void CWeaveEngine::Detach()
{
    if (m_document) {
        m_document->attached = false;
        m_document.reset();
    }
}

HRESULT CWeaveEngine::Loaded(biofile::CapsuleImage*& image) const
{
    if (!m_document) {
        return WEAVE_E_NOT_LOADED;
    }
    image = &m_document->image;
    return S_OK;
}

// Every size of a valid image stays below 2 GB (the format's limit), so it fits a LONG.
template <typename Value>
HRESULT CWeaveEngine::AnswerLong(LONG* out, Value (*read)(const biofile::CapsuleImage&)) const
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = 0;
    biofile::CapsuleImage* image = nullptr;
    RETURN_IF_FAILED(Loaded(image));
    *out = static_cast<LONG>(read(*image));
    return S_OK;
}

IFACEMETHODIMP CWeaveEngine::get_EngineVersion(BSTR* version)
try {
    RETURN_HR_IF(E_POINTER, !version);
    return ReturnText(L"1.0", version);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveEngine::get_IsLoaded(VARIANT_BOOL* loaded)
{
    RETURN_HR_IF(E_POINTER, !loaded);
    *loaded = m_document ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

IFACEMETHODIMP CWeaveEngine::Unload()
{
    Detach();
    return S_OK;
}

// Reads only the headers and the module table, so a large image is not copied to be
// recognised; any malformed layout is simply "not an engine capsule".
IFACEMETHODIMP CWeaveEngine::CheckIfWeaveCapsule(IStream* image, VARIANT_BOOL* isCapsule)
try {
    RETURN_HR_IF(E_POINTER, !image || !isCapsule);
    *isCapsule = VARIANT_FALSE;
    uint64_t available = 0;
    std::vector<uint8_t> front;
    RETURN_IF_FAILED(StreamIo::RemainingSize(image, available));
    RETURN_IF_FAILED(StreamIo::PeekFront(image, biofile::kMaxLayoutBytes, front));
    biofile::CapsuleLayout layout;
    if (biofile::ParseLayout(front, available, layout) == biofile::BioStatus::Ok) {
        *isCapsule = VARIANT_TRUE;
    }
    return S_OK;
}
CATCH_RETURN()

// A failed load keeps the image that was loaded before.
IFACEMETHODIMP CWeaveEngine::LoadWeaveCapsule(IStream* image)
try {
    RETURN_HR_IF(E_POINTER, !image);
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    const HRESULT hr = StreamIo::ReadToEnd(image, biofile::kMaxImageSize, *bytes);
    RETURN_HR_IF(WEAVE_E_BAD_CAPSULE, hr == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    RETURN_IF_FAILED(hr);
    auto document = std::make_shared<CapsuleDocument>();
    RETURN_IF_FAILED(ResultFromStatus(biofile::ParseCapsule(bytes, document->image)));
    Detach();
    m_document = std::move(document);
    return S_OK;
}
CATCH_RETURN()

// Writes the image at the stream's position and cuts off what an earlier, longer image
// left behind, so that the stream's end is the image's end.
IFACEMETHODIMP CWeaveEngine::SaveWeaveCapsule(IStream* image)
try {
    RETURN_HR_IF(E_POINTER, !image);
    biofile::CapsuleImage* loaded = nullptr;
    RETURN_IF_FAILED(Loaded(loaded));
    uint64_t start = 0;
    RETURN_IF_FAILED(StreamIo::Position(image, start));
    HRESULT writeResult = S_OK;
    const biofile::BioStatus status = biofile::WriteCapsule(*loaded, [&](std::span<const uint8_t> piece) {
        writeResult = StreamIo::WriteAll(image, piece);
        return SUCCEEDED(writeResult);
    });
    RETURN_IF_FAILED(writeResult);
    RETURN_IF_FAILED(ResultFromStatus(status));
    return StreamIo::TruncateAt(image, start + biofile::ImageSize(*loaded));
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveEngine::get_CapsuleGuid(BSTR* guid)
try {
    RETURN_HR_IF(E_POINTER, !guid);
    *guid = nullptr;
    return ReturnText(CapsuleGuidText(), guid);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveEngine::get_CapsuleFlags(LONG* flags) { return AnswerLong(flags, FlagsOf); }
IFACEMETHODIMP CWeaveEngine::get_ImageSize(LONG* size) { return AnswerLong(size, ImageSizeOf); }
IFACEMETHODIMP CWeaveEngine::get_FlashAreaSize(LONG* size) { return AnswerLong(size, FlashAreaOf); }
IFACEMETHODIMP CWeaveEngine::get_UsedSize(LONG* size) { return AnswerLong(size, UsedSizeOf); }
IFACEMETHODIMP CWeaveEngine::get_ModuleCount(LONG* count) { return AnswerLong(count, ModuleCountOf); }
IFACEMETHODIMP CWeaveEngine::get_SizeRemaining(LONG* remaining) { return AnswerLong(remaining, RemainingOf); }

IFACEMETHODIMP CWeaveEngine::get_FormatVersion(LONG* version)
{
    RETURN_HR_IF(E_POINTER, !version);
    *version = biofile::kFormatVersion;
    return S_OK;
}

IFACEMETHODIMP CWeaveEngine::GetCapsuleModules(IWeaveModules** modules)
try {
    RETURN_HR_IF(E_POINTER, !modules);
    *modules = nullptr;
    RETURN_HR_IF(WEAVE_E_NOT_LOADED, !m_document);
    return CWeaveModules::CreateObject(nullptr, IID_IWeaveModules, reinterpret_cast<void**>(modules), m_document);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveEngine::GetModule(LONG index, IWeaveModule** item)
try {
    RETURN_HR_IF(E_POINTER, !item);
    *item = nullptr;
    RETURN_HR_IF(WEAVE_E_NOT_LOADED, !m_document);
    RETURN_HR_IF(E_INVALIDARG, index < 0 || static_cast<size_t>(index) >= m_document->image.modules.size());
    return CreateModuleObject(m_document, static_cast<size_t>(index), item);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveEngine::get_FirmwareId(BSTR* id)
try {
    RETURN_HR_IF(E_POINTER, !id);
    *id = nullptr;
    biofile::CapsuleImage* image = nullptr;
    RETURN_IF_FAILED(Loaded(image));
    return ReturnText(std::wstring(image->firmwareId.begin(), image->firmwareId.end()), id);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveEngine::put_FirmwareId(BSTR id)
try {
    biofile::CapsuleImage* image = nullptr;
    RETURN_IF_FAILED(Loaded(image));
    std::string narrow;
    RETURN_HR_IF(E_INVALIDARG, !NarrowFirmwareId(id, narrow));
    image->firmwareId = std::move(narrow);
    return S_OK;
}
CATCH_RETURN()
