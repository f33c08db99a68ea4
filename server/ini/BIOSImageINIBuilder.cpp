#include "INIBuilder.h"

#include "INICodec.h"
#include "IniChecksum.h"
#include "IniEvents.h"

#include "config/BIOSImage.h"
#include "config/ConfigGroup.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "system/VariableCatalogue.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <cstring>
#include <vector>

namespace {

constexpr wchar_t kInfoSection[] = L"Config.info";
constexpr wchar_t kCountKeyword[] = L"Count";
constexpr wchar_t kImageSection[] = L"Configuration.Imagedata";
constexpr wchar_t kOverwriteOK[] = L"Overwrite OK.";

// The image counter of the writer is 16 bits wide, as is the size of a decoded value: a
// file cannot hold more images, nor a value of more letters. A value is split into pieces
// of 64 letters; hand-edited files may use shorter ones, but not without end.
constexpr long kMaxImages = 0xFFFF;
constexpr size_t kMaxLetters = 2 * CINICodec::kMaxDecodedBytes;
constexpr unsigned kMaxParts = 4096;

HRESULT Missing(const std::wstring& section, const std::wstring& keyword, UINT messageId)
{
    IniEvents::MissingValue(section, keyword);
    return REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_ERROR, E_FAIL, Describe(messageId),
                          L"Missing section or keyword.");
}

// Decodes `letters` and checks them against the checksum written under `checksumKeyword`.
HRESULT DecodeChecked(const std::wstring& section, const std::wstring& keyword, const std::wstring& letters,
                      long expected, std::vector<uint8_t>& bytes)
{
    uint16_t count = 0;
    if (FAILED(CINICodec::DecodeVariableBuffer(letters.c_str(), &bytes, letters.size(), &count))) {
        IniEvents::InvalidValue(section, keyword, letters);
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                              L"The value of %ls in section %ls is not letter-encoded", keyword.c_str(),
                              section.c_str());
    }
    bytes.resize(count);
    if (!IniChecksumMatches(expected, IniChecksum(bytes.data(), bytes.size()))) {
        IniEvents::InvalidChecksum(section, keyword + L"Checksum");
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_ERROR, E_FAIL, Describe(MSG_INVALID_CHECKSUM),
                              L"Invalid Checksums");
    }
    return S_OK;
}

// The checksum written beside a field; 0 (after an event) when it is missing.
long ReadChecksum(CPellamParser& parser, const std::wstring& section, const std::wstring& keyword)
{
    long expected = 0;
    const std::wstring checksumKeyword = keyword + L"Checksum";
    const HRESULT hr = parser.GetProfileLong(section, checksumKeyword, &expected);
    if (hr == ResultCode::S_INI_NO_SECTION || hr == ResultCode::S_INI_NO_KEYWORD) {
        IniEvents::MissingValue(section, checksumKeyword);
        REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_WARNING, S_OK, Describe(MSG_INI_LOAD_ERROR),
                       L"Missing section or keyword.");
        return 0;
    }
    return expected;
}

// The parts K1, K2, ... of a numbered field joined, up to the first missing number.
HRESULT JoinParts(CPellamParser& parser, const std::wstring& section, const std::wstring& keyword, std::wstring& joined)
{
    bool emptyPart = false;
    for (unsigned number = 1;; ++number) {
        const std::wstring part = keyword + std::to_wstring(number);
        std::wstring text;
        const HRESULT hr = parser.GetProfileStr(section, part, &text, L"");
        if (hr == ResultCode::S_INI_NO_SECTION || (hr == ResultCode::S_INI_NO_KEYWORD && number == 1)) {
            return Missing(section, part, MSG_INI_LOAD_ERROR);
        }
        if (hr == ResultCode::S_INI_NO_KEYWORD) {
            break;
        }
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_ERROR, hr, Describe(MSG_INI_LOAD_ERROR),
                                  L"GetProfileStr Failed.  hr=%x", static_cast<unsigned>(hr));
        }
        if (hr == ResultCode::S_INI_EMPTY_VALUE) {
            IniEvents::InvalidValue(section, part, L"");
            REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                           L"Invalid INI entry (value is empty): section:  %ls keyword %ls.", section.c_str(),
                           part.c_str());
            emptyPart = true;
        }
        if (number > kMaxParts || joined.size() + text.size() > kMaxLetters) {
            IniEvents::InvalidValue(section, part, text);
            return REPORT_FAILURE(L"CBIOSImageINIBuilder::LoadField", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                                  L"The value of %ls in section %ls is longer than a firmware variable can be",
                                  keyword.c_str(), section.c_str());
        }
        joined += text;
    }
    return emptyPart ? E_FAIL : S_OK;
}

// A field written in numbered parts (data, mask, status).
HRESULT LoadField(CPellamParser& parser, const std::wstring& section, const std::wstring& keyword,
                  std::vector<uint8_t>& bytes)
{
    const long expected = ReadChecksum(parser, section, keyword);
    std::wstring joined;
    RETURN_IF_FAILED(JoinParts(parser, section, keyword, joined));
    return DecodeChecked(section, keyword, joined, expected, bytes);
}

// A field written in one keyword (name, GUID).
HRESULT LoadSingleField(CPellamParser& parser, const std::wstring& section, const std::wstring& keyword,
                        std::vector<uint8_t>& bytes)
{
    std::wstring letters;
    const HRESULT hr = parser.GetProfileStr(section, keyword, &letters, L"");
    if (hr == ResultCode::S_INI_NO_SECTION || hr == ResultCode::S_INI_NO_KEYWORD) {
        return Missing(section, keyword, MSG_BIOS_IMAGE_NOT_INSTALLED);
    }
    RETURN_IF_FAILED(hr);
    return DecodeChecked(section, keyword, letters, ReadChecksum(parser, section, keyword), bytes);
}

// UTF-16 text up to its terminating zero character.
std::wstring WideText(const std::vector<uint8_t>& bytes)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return text;
}

bool IsOverwriteOK(const std::vector<uint8_t>& status)
{
    const size_t length = std::strlen("Overwrite OK.");
    if (status.size() < length || (status.size() > length && status[length] != 0)) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (status[i] != static_cast<uint8_t>(kOverwriteOK[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

HRESULT CBIOSImageINIBuilder::CreateImage(long number, IConfigData** image)
{
    const std::wstring section = kImageSection + std::to_wstring(number);
    std::vector<uint8_t> data, mask, name, guid, status;
    RETURN_IF_FAILED(LoadField(m_parser, section, L"VariableData", data));
    RETURN_IF_FAILED(LoadField(m_parser, section, L"VariableMask", mask));
    if (mask.size() != data.size()) {
        IniEvents::InvalidValue(section, L"VariableMask1", std::to_wstring(mask.size()) + L" bytes");
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateImage", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                              L"The mask of %ls holds %zu bytes for %zu bytes of data", section.c_str(), mask.size(),
                              data.size());
    }
    RETURN_IF_FAILED(LoadSingleField(m_parser, section, L"VariableName", name));
    // The GUID of the setup variables, taken until the file names another.
    GUID vendorGuid = VendorGuid::Setup;
    RETURN_IF_FAILED(LoadSingleField(m_parser, section, L"VendorGUID", guid));
    if (guid.size() != sizeof(GUID)) {
        IniEvents::InvalidValue(section, L"VendorGUID", std::to_wstring(guid.size()) + L" bytes");
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateImage", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                              L"The vendor GUID of %ls is %zu bytes long", section.c_str(), guid.size());
    }
    std::memcpy(&vendorGuid, guid.data(), sizeof(GUID));
    RETURN_IF_FAILED(LoadField(m_parser, section, L"VariableStatus", status));
    ReportDiagnostic(LOG_SITE(L"CBIOSImageINIBuilder::CreateImage"), LOG_INFORMATION,
                     L"Variable Status processing completed successfully");

    ComPtr<CBIOSImage> item;
    HRESULT hr = CBIOSImage::Make(item);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateImage", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to create BIOSImage setting.  hr=%x", static_cast<unsigned>(hr));
    }
    RETURN_IF_FAILED(item->SetName(MSG_BIOS_IMAGE));
    item->SetWriteFlag(IsOverwriteOK(status) ? 1 : 0);
    RETURN_IF_FAILED(item->SetPasswordError(static_cast<unsigned>(status.size()),
                                            reinterpret_cast<const char*>(status.data())));
    RETURN_IF_FAILED(item->SetImage(static_cast<unsigned>(data.size()), data.data(), mask.data()));
    item->SetVendorGuid(vendorGuid);
    item->SetVariableName(WideText(name));
    ReportDiagnostic(LOG_SITE(L"CBIOSImageINIBuilder::CreateImage"), LOG_INFORMATION, L"Set VendorGuid and Vendor Name");
    return item.CopyTo(image);
}

HRESULT CBIOSImageINIBuilder::CreateConfigurationTree(IConfigGroup** group)
try {
    ComPtr<CConfigGroup> target;
    RETURN_IF_FAILED(CreateComponentGroup(EConfigGroup_BIOSImage, MSG_BIOS_IMAGE, target, group));
    std::wstring countText;
    const HRESULT read = m_parser.GetProfileStr(kInfoSection, kCountKeyword, &countText, L"");
    long count = -1;
    const bool isNumber = read == S_OK && ParseIniLong(countText, &count);
    // Digits that do not fit a number are a count far beyond any file's, not a missing one.
    if (!isNumber && (read != S_OK || countText.find_first_of(L"0123456789") == std::wstring::npos)) {
        IniEvents::MissingValue(kInfoSection, kCountKeyword);
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INI_LOAD_ERROR), L"The number of images is missing or not a number");
    }
    if (count < 0 || count > kMaxImages) {
        IniEvents::InvalidValue(kInfoSection, kCountKeyword, countText);
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INI_LOAD_ERROR), L"An INI file holds from 0 to %ld images, not %ls",
                              kMaxImages, countText.c_str());
    }
    bool skipped = false;
    for (long number = 0; number < count; ++number) {
        ComPtr<IConfigData> image;
        if (FAILED(CreateImage(number, image.GetAddressOf()))) {
            skipped = true;
            continue;
        }
        const HRESULT hr = target->AddChildData(image.Get());
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                                  Describe(MSG_INTERNAL_ERROR), L"Add Child Data failed: hr=%x",
                                  static_cast<unsigned>(hr));
        }
        ReportDiagnostic(LOG_SITE(L"CBIOSImageINIBuilder::CreateConfigurationTree"), LOG_INFORMATION,
                         L"Added Child Data successfully");
    }
    if (skipped) {
        return REPORT_FAILURE(L"CBIOSImageINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INI_LOAD_ERROR), L"One or more images could not be read");
    }
    return S_OK;
}
CATCH_RETURN()
