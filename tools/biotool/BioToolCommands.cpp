#include "BioToolCommands.h"

#include "BitmapInfo.h"
#include "CapsuleParser.h"
#include "CapsuleWriter.h"
#include "FirmwareId.h"

#include "Console.h"
#include "ToolMain.h"

#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>

namespace biotool {

namespace {

constexpr uint64_t kDefaultBodySize = 64 * 1024;
constexpr uint64_t kDefaultRoom = 1024 * 1024; // flash area beyond the body by default

struct CreateOptions {
    std::wstring output;
    std::string firmwareId;
    uint64_t bodySize = kDefaultBodySize;
    std::optional<uint64_t> flashSize;
    bool logo = true;
    bool logoModule2 = true;
    uint32_t maxWidth = 1024;
    uint32_t maxHeight = 768;
    std::wstring splash;
};

// A failure with its message for the user.
using cli::PrintError;

struct Failure {
    std::wstring message;
    int exitCode = EXIT_FAILED;
};

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::optional<std::string> Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 0x7E) {
            return std::nullopt;
        }
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

// Decimal or 0x hexadecimal, with an optional K or M suffix.
std::optional<uint64_t> ParseSize(const std::wstring& text)
{
    if (text.empty() || text[0] == L'-') {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str()) {
        return std::nullopt;
    }
    const std::wstring suffix(end);
    const uint64_t scale = suffix.empty() ? 1 : suffix == L"K" || suffix == L"k" ? 1024 : suffix == L"M" || suffix == L"m" ? 1024 * 1024 : 0;
    if (scale == 0 || value > UINT64_MAX / scale) {
        return std::nullopt;
    }
    return value * scale;
}

bool ParseResolution(const std::wstring& text, uint32_t& width, uint32_t& height)
{
    const size_t x = text.find_first_of(L"xX");
    if (x == std::wstring::npos) {
        return false;
    }
    const auto w = ParseSize(text.substr(0, x));
    const auto h = ParseSize(text.substr(x + 1));
    if (!w || !h || *w == 0 || *h == 0 || *w > biofile::kMaxResolution || *h > biofile::kMaxResolution) {
        return false;
    }
    width = static_cast<uint32_t>(*w);
    height = static_cast<uint32_t>(*h);
    return true;
}

std::optional<Failure> ParseSizeOption(const cli::CommandLine& line, const wchar_t* name, uint64_t& size)
{
    const std::wstring* value = line.Option(name);
    if (!value) {
        return std::nullopt;
    }
    const auto parsed = ParseSize(*value);
    if (!parsed || *parsed == 0 || *parsed > biofile::kMaxImageSize) {
        return Failure{L"invalid size for " + std::wstring(name) + L": " + *value, EXIT_USAGE};
    }
    size = *parsed;
    return std::nullopt;
}

std::optional<Failure> ParseFirmwareId(const std::wstring* value, CreateOptions& options)
{
    if (!value) {
        return Failure{L"create needs --id FIRMWAREID", EXIT_USAGE};
    }
    const auto id = Narrow(*value);
    if (!id || !biofile::IsValidFirmwareId(*id)) {
        return Failure{L"invalid firmware ID (1 to 32 printable ASCII characters): " + *value, EXIT_USAGE};
    }
    options.firmwareId = *id;
    return std::nullopt;
}

std::optional<Failure> ParseLogoOptions(const cli::CommandLine& line, CreateOptions& options)
{
    options.logo = !line.Has(L"--no-logo");
    options.logoModule2 = !line.Has(L"--no-logo2");
    if (const std::wstring* splash = line.Option(L"--splash")) {
        options.splash = *splash;
    }
    const std::wstring* resolution = line.Option(L"--max-resolution");
    if (resolution && !ParseResolution(*resolution, options.maxWidth, options.maxHeight)) {
        return Failure{L"invalid resolution (WIDTHxHEIGHT, 1 to 32768 each): " + *resolution, EXIT_USAGE};
    }
    if (!options.logo && !options.splash.empty()) {
        return Failure{L"--splash needs a logo module; it cannot be combined with --no-logo", EXIT_USAGE};
    }
    return std::nullopt;
}

std::optional<Failure> ParseCreateOptions(const Arguments& arguments, CreateOptions& options)
{
    std::wstring problem;
    const auto line = cli::Split(arguments,
        {{L"--id", L"--body-size", L"--flash-size", L"--max-resolution", L"--splash"}, {L"--no-logo", L"--no-logo2"}}, problem);
    if (!line) {
        return Failure{problem, EXIT_USAGE};
    }
    if (line->positional.size() != 1) {
        return Failure{L"create needs one output file", EXIT_USAGE};
    }
    options.output = line->positional[0];
    if (auto failure = ParseFirmwareId(line->Option(L"--id"), options)) {
        return failure;
    }
    if (auto failure = ParseSizeOption(*line, L"--body-size", options.bodySize)) {
        return failure;
    }
    if (line->Option(L"--flash-size")) {
        uint64_t size = 0;
        if (auto failure = ParseSizeOption(*line, L"--flash-size", size)) {
            return failure;
        }
        options.flashSize = size;
    }
    return ParseLogoOptions(*line, options);
}

std::optional<Failure> ReadFile(const std::wstring& path, std::vector<uint8_t>& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        return Failure{L"cannot open " + path + L": " + _wcserror(errno)};
    }
    std::unique_ptr<FILE, int (*)(FILE*)> closer(file, fclose);
    std::vector<uint8_t> content;
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) {
        content.insert(content.end(), buffer, buffer + got);
        if (content.size() > biofile::kMaxImageSize) {
            return Failure{path + L" is larger than 2 GB"};
        }
    }
    if (ferror(file)) {
        return Failure{L"cannot read " + path};
    }
    bytes = std::move(content);
    return std::nullopt;
}

std::optional<Failure> WriteFile(const std::wstring& path, const biofile::CapsuleImage& image)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) {
        return Failure{L"cannot create " + path + L": " + _wcserror(errno)};
    }
    const biofile::BioStatus status = biofile::WriteCapsule(image, [file](std::span<const uint8_t> piece) {
        return fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    });
    const bool closed = fclose(file) == 0;
    if (status != biofile::BioStatus::Ok || !closed) {
        _wremove(path.c_str());
        return Failure{L"cannot write " + path + L": " + Widen(biofile::DescribeStatus(status))};
    }
    return std::nullopt;
}

// A recognisable, not all-zero firmware body.
std::vector<uint8_t> MakeBody(uint64_t size)
{
    std::vector<uint8_t> body(static_cast<size_t>(size));
    uint32_t state = 0x2F6B1D35;
    for (uint8_t& byte : body) {
        state = state * 1664525 + 1013904223;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return body;
}

std::optional<Failure> AddSplash(const CreateOptions& options, biofile::LogoContent& logo)
{
    if (options.splash.empty()) {
        return std::nullopt;
    }
    std::vector<uint8_t> picture;
    if (auto failure = ReadFile(options.splash, picture)) {
        return failure;
    }
    biofile::BitmapInfo info;
    const biofile::BioStatus status = biofile::CheckPicture(logo, picture, info);
    if (status == biofile::BioStatus::BadPicture) {
        return Failure{options.splash + L": " + Widen(biofile::DescribeBitmapStatus(biofile::InspectBitmap(picture, info)))};
    }
    if (status != biofile::BioStatus::Ok) {
        return Failure{options.splash + L": " + Widen(biofile::DescribeStatus(status))};
    }
    logo.picture = std::move(picture);
    return std::nullopt;
}

std::optional<Failure> BuildImage(const CreateOptions& options, biofile::CapsuleImage& image)
{
    image.firmwareId = options.firmwareId;
    const uint64_t flash = options.flashSize.value_or(options.bodySize + kDefaultRoom);
    if (flash > biofile::kMaxFlashAreaSize) {
        return Failure{L"the flash area cannot exceed 2 GB", EXIT_USAGE};
    }
    image.flashAreaSize = static_cast<uint32_t>(flash);
    image.modules.push_back(biofile::MakeFirmwareModule(MakeBody(options.bodySize)));
    if (options.logo) {
        biofile::LogoContent logo;
        logo.maxWidth = options.maxWidth;
        logo.maxHeight = options.maxHeight;
        if (auto failure = AddSplash(options, logo)) {
            return failure;
        }
        image.modules.push_back(biofile::MakeLogoModule(logo, options.logoModule2));
    }
    const int64_t remaining = biofile::SizeRemaining(image);
    if (remaining < 0) {
        return Failure{L"the modules do not fit in the flash area (" + std::to_wstring(-remaining) + L" bytes over)"};
    }
    const biofile::BioStatus status = biofile::ValidateImage(image);
    if (status != biofile::BioStatus::Ok) {
        return Failure{Widen(biofile::DescribeStatus(status))};
    }
    return std::nullopt;
}

int Report(const std::optional<Failure>& failure)
{
    if (!failure) {
        return EXIT_OK;
    }
    PrintError(failure->message);
    if (failure->exitCode == EXIT_USAGE) {
        PrintUsage();
    }
    return failure->exitCode;
}

int RunCreate(const Arguments& arguments)
{
    CreateOptions options;
    biofile::CapsuleImage image;
    std::optional<Failure> failure = ParseCreateOptions(arguments, options);
    if (!failure) {
        failure = BuildImage(options, image);
    }
    if (!failure) {
        failure = WriteFile(options.output, image);
    }
    if (failure) {
        return Report(failure);
    }
    if (!biofile::HasFirmwareIdLayout(image.firmwareId)) {
        PrintError(L"warning: the firmware ID does not have the form FFFFFFFF.XXX.VVVV.YYYY.MMDD.HHMM");
    }
    cli::Printf(L"Created %ls (%llu bytes)\n", options.output.c_str(),
             static_cast<unsigned long long>(biofile::ImageSize(image)));
    return EXIT_OK;
}

void PrintLogo(const biofile::Module& module)
{
    const biofile::LogoContent& logo = *module.logo;
    biofile::BitmapInfo info;
    if (logo.picture.empty()) {
        cli::Printf(L"Splash picture: none\n");
    } else {
        biofile::InspectBitmap(logo.picture, info);
        cli::Printf(L"Splash picture: %ux%u, %u bits per pixel, %zu bytes\n", info.width, info.height,
                 info.bitsPerPixel, logo.picture.size());
    }
    cli::Printf(L"Badge: %ls, position %d,%d, colour %ls\n", logo.badge.shown ? L"shown" : L"hidden", logo.badge.x,
             logo.badge.y, logo.badge.color == biofile::kBadgeWhite ? L"white" : L"black");
    cli::Printf(L"Maximum picture size: %ux%u\n", logo.maxWidth, logo.maxHeight);
    cli::Printf(L"LogoModule2: %ls\n", module.OffersLogoModule2() ? L"yes" : L"no");
}

const wchar_t* TypeName(uint32_t type)
{
    return type == biofile::kModuleTypeFirmware ? L"firmware" : type == biofile::kModuleTypeLogo ? L"logo" : L"other";
}

void PrintImage(const std::wstring& path, const biofile::CapsuleImage& image)
{
    cli::Printf(L"File: %ls\n", path.c_str());
    cli::Printf(L"Firmware ID: %ls\n", Widen(image.firmwareId).c_str());
    cli::Printf(L"Capsule flags: 0x%08X\n", image.capsuleFlags);
    cli::Printf(L"Image size: %llu bytes\n", static_cast<unsigned long long>(biofile::ImageSize(image)));
    cli::Printf(L"Flash area size: %u bytes\n", image.flashAreaSize);
    cli::Printf(L"Size remaining: %lld bytes\n", static_cast<long long>(biofile::SizeRemaining(image)));
    cli::Printf(L"Modules: %zu\n", image.modules.size());
    for (size_t i = 0; i < image.modules.size(); ++i) {
        const biofile::Module& module = image.modules[i];
        cli::Printf(L"  [%zu] type %u (%ls), offset %llu, size %llu bytes%ls\n", i, module.type,
                 TypeName(module.type), static_cast<unsigned long long>(biofile::ModuleOffset(image, i)),
                 static_cast<unsigned long long>(module.StoredSize()), module.IsSplashLogo() ? L", splash" : L"");
    }
    const auto splash = biofile::FindSplashModule(image);
    if (splash) {
        PrintLogo(image.modules[*splash]);
    } else {
        cli::Printf(L"Splash picture: no logo module\n");
    }
}

int RunInfo(const Arguments& arguments)
{
    if (arguments.size() != 1) {
        return Report(Failure{L"info needs exactly one file", EXIT_USAGE});
    }
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    if (auto failure = ReadFile(arguments[0], *bytes)) {
        return Report(failure);
    }
    biofile::CapsuleImage image;
    const biofile::BioStatus status = biofile::ParseCapsule(bytes, image);
    if (status != biofile::BioStatus::Ok) {
        return Report(Failure{arguments[0] + L" is not a valid .BIO image: " + Widen(biofile::DescribeStatus(status))});
    }
    PrintImage(arguments[0], image);
    return EXIT_OK;
}

} // namespace

void PrintUsage()
{
    cli::PrintErrorText(
             L"usage: biotool create OUT --id FIRMWAREID [--body-size N] [--flash-size N] [--no-logo]\n"
             L"                      [--no-logo2] [--max-resolution WxH] [--splash FILE.bmp]\n"
             L"       biotool info FILE\n"
             L"Sizes are bytes, decimal or 0x hexadecimal, with an optional K or M suffix.\n");
}

int RunCommand(const std::wstring& command, const Arguments& arguments)
{
    static constexpr cli::NamedCommand commands[] = {{L"create", RunCreate}, {L"info", RunInfo}};
    return cli::RunNamedCommand(command, arguments, commands, PrintUsage);
}

} // namespace biotool
