// The INI core over any bytes: the file is parsed from memory, a few look-ups run against
// what it holds, the written form parses again; the letter codec decodes arbitrary text
// and its round trips come back equal.
#include "FuzzTargets.h"

#include "ini/INICodec.h"
#include "ini/IniParser.h"
#include "ini/PellamParser.h"

#include <string>
#include <string_view>
#include <vector>

namespace ini_fuzz {

namespace {

// Keys that the server and the board profiles look up, and a few that no file has.
constexpr std::wstring_view kKeywords[] = {L"INIversion", L"Name", L"Capacity", L"Guid", L"Value", L"k", L""};

void LookUp(CIniParser& parser, std::wstring_view section)
{
    for (std::wstring_view keyword : kKeywords) {
        std::wstring value;
        parser.GetProfileStr(section, keyword, &value, L"default");
    }
    long flag = 0;
    parser.GetDuplicateKeyWordStatus(section, &flag);
    CIniSection* found = nullptr;
    if (parser.ReturnSectionPointer(section, &found) == S_OK && found != nullptr) {
        for (const auto& value : found->GetValues()) {
            FuzzCheck(found->FindValue(value->GetKeyWord()) != nullptr, "an entry of a section is not found by its keyword");
        }
    }
}

void FuzzParser(std::string_view bytes)
{
    CPellamParser pellam;
    CIniParser& parser = pellam.Parser();
    if (parser.ParseFile(bytes) != S_OK) {
        return;
    }
    std::vector<std::wstring> names;
    parser.GetSectionNames(&names);
    for (size_t i = 0; i < names.size() && i < 8; ++i) {
        LookUp(parser, names[i]);
        long number = 0;
        pellam.GetProfileLong(names[i], L"Capacity", &number);
        std::wstring prompt;
        pellam.GetPrompt(names[i], L"Name", &prompt, L"prompt");
    }
    LookUp(parser, L"SYSTEM");
    std::string written;
    if (parser.BuildFileBytes(&written) == S_OK) {
        CIniParser again;
        FuzzCheck(again.ParseFile(written) == S_OK, "the written form of a parsed file does not parse");
    }
}

// One character per byte, as the Latin-1 code page of the native host reads them.
std::wstring Letters(std::span<const uint8_t> bytes)
{
    return std::wstring(bytes.begin(), bytes.end());
}

void FuzzCodec(std::span<const uint8_t> bytes)
{
    const std::wstring text = Letters(bytes);
    CINICodec::ValidateBuffer(text.data(), text.size());
    std::vector<uint8_t> decoded;
    uint16_t count = 0;
    if (CINICodec::DecodeVariableBuffer(text.data(), &decoded, text.size(), &count) == S_OK) {
        FuzzCheck(count == decoded.size(), "the decoded byte count differs from the bytes decoded");
        std::wstring encoded;
        FuzzCheck(CINICodec::EncodeVariableBuffer(decoded.data(), decoded.size(), &encoded) == S_OK,
            "decoded bytes do not encode");
        FuzzCheck(encoded == text, "encode(decode(text)) differs from the text");
    }
    std::wstring letters;
    // No letters are no value: the codec refuses an empty text.
    if (!bytes.empty() && CINICodec::EncodeVariableBuffer(bytes.data(), bytes.size(), &letters) == S_OK) {
        std::vector<uint8_t> back;
        FuzzCheck(CINICodec::DecodeVariableBuffer(letters.data(), &back, letters.size(), &count) == S_OK,
            "encoded letters do not decode");
        FuzzCheck(std::vector<uint8_t>(bytes.begin(), bytes.end()) == back, "decode(encode(bytes)) differs from the bytes");
    }
}

// A number read like the C library's conversion keeps the sign it was written with.
void FuzzNumber(std::wstring_view text)
{
    long number = 0;
    if (!ParseIniLong(text, &number)) {
        return;
    }
    const size_t sign = text.find_first_not_of(L" \t\n\v\f\r");
    const bool negative = sign != std::wstring_view::npos && text[sign] == L'-';
    FuzzCheck(number == 0 || negative == (number < 0), "a number is read with the other sign");
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    FuzzParser(std::string_view(reinterpret_cast<const char*>(data), size));
    FuzzCodec(bytes);
    FuzzNumber(Letters(bytes));
}

} // namespace ini_fuzz
