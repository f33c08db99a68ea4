// Writes the seeds that are built rather than committed: capsules, logo modules and
// bitmaps from the tests' image builders, "_MH_" sequence buffers of an installed cooling
// image at each interface version, and from each board profile its store file, its
// compiled setup database and its "QrvDataVar" data.
//   fuzz_seeds BOARD_PROFILE... OUTPUT_FOLDER
// Each seed goes to OUTPUT_FOLDER/<target>/<name>.
#include "BioTestImages.h"
#include "BoardProfile.h"
#include "RestartRules.h"
#include "SetupDbWriter.h"
#include "SmbusSequence.h"
#include "StoreFormat.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool Write(const fs::path& folder, const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(folder / target);
    std::ofstream file(folder / target / name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool WriteCapsuleSeeds(const fs::path& folder)
{
    biofile::LogoContent logo;
    logo.maxWidth = 64;
    logo.maxHeight = 64;
    logo.picture = biotest::MakeBitmap(4, 4, 8);
    logo.badge.shown = true;
    return Write(folder, "bio", "capsule-logo.bio", biotest::Serialize(biotest::MakeImage(256, true, true))) &&
           Write(folder, "bio", "capsule-logo1.bio", biotest::Serialize(biotest::MakeImage(64, true, false))) &&
           Write(folder, "bio", "capsule-plain.bio", biotest::Serialize(biotest::MakeImage(32, false))) &&
           Write(folder, "bio", "logo-module.bin", biofile::SerializeLogo(logo)) &&
           Write(folder, "bio", "bitmap-24.bmp", biotest::MakeBitmap(3, 2, 24)) &&
           Write(folder, "bio", "bitmap-4-top-down.bmp", biotest::MakeBitmap(5, -3, 4)) &&
           Write(folder, "bio", "bitmap-1.bmp", biotest::MakeBitmap(9, 2, 1));
}

// A chip with every kind of setting written, programmed through a firmware of each interface
// version, and a buffer that also carries a sequence for a second device.
bool WriteSequenceSeeds(const fs::path& folder)
{
    cooling::Corrin6Config image;
    image.SetAddress(0x2E);
    image.TieProcessorToControlZone();
    for (const cooling::SettingDefinition& setting : cooling::Settings()) {
        const double value = setting.kind == cooling::SettingKind::Range ? setting.maximum / 2
                             : setting.type == cooling::SettingType::TempDelta ? 10
                             : setting.type == cooling::SettingType::ResponseTime ? 0 : 3;
        image.Write(setting.type, setting.index, value);
    }
    bool written = true;
    for (const auto& [version, name] : {std::pair{0x0100, "chip-1.0"}, {0x0101, "chip-1.1"}, {0x0106, "chip-1.6"}}) {
        const cooling::Sequence sequence = cooling::ChipSequence(image, static_cast<uint16_t>(version));
        written = written && Write(folder, "sequence", name, cooling::WrapSequences(sequence.secondAttribute, std::span(&sequence, 1)));
    }
    cooling::Sequence other;
    other.firstAttribute = 0x90;
    other.secondAttribute = 4;
    other.operations = {{cooling::opcode::IfAtLeast, 0x10, 0x20, 1}, {cooling::opcode::WriteChecked, 0x11, 0x05, 0}};
    const cooling::Sequence both[] = {cooling::ChipSequence(image, 0x0106), other};
    return written && Write(folder, "sequence", "two-devices", cooling::WrapSequences(4, both));
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The board with one restart rule of each kind that it can keep, so that the rules' section
// is among the seeds.
bool WriteRulesSeed(fwstore::StoreImage image, const fs::path& folder, const std::string& stem)
{
    fwstore::RestartRule revert;
    if (fwstore::MakeRevertRule(image, fwstore::SETUP_NAME, fwstore::SETUP_VENDOR, 0, 2, revert).empty()) {
        image.restartRules.push_back(revert);
    }
    fwstore::RestartRule protect;
    protect.kind = fwstore::RestartRuleKind::Protect;
    protect.name = fwstore::SETUP_DEFAULT_NAME;
    protect.vendor = fwstore::SETUP_VENDOR;
    image.restartRules.push_back(protect);
    if (fwstore::DefaultsRuleProblem(image).empty()) {
        fwstore::RestartRule defaults;
        defaults.kind = fwstore::RestartRuleKind::Defaults;
        image.restartRules.push_back(defaults);
    }
    std::vector<uint8_t> store;
    std::wstring error;
    return fwstore::SerializeStore(image, store, error) == fwstore::SerializeStatus::Ok &&
           Write(folder, "store", stem + "-rules.store", store);
}

bool WriteBoardSeeds(const fs::path& profile, const fs::path& folder)
{
    const std::string text = ReadText(profile);
    const std::string stem = profile.stem().string();
    fwstore::StoreImage image;
    const auto noFiles = [](const std::wstring&, std::vector<uint8_t>&, std::wstring& error) {
        error = L"seeds are made without files";
        return false;
    };
    if (!fwstore::ParseBoardProfile(text, profile.wstring(), noFiles, image).Ok()) {
        std::fprintf(stderr, "fuzz_seeds: %s is not a board profile that reads without files\n", profile.c_str());
        return false;
    }
    std::vector<uint8_t> store;
    std::wstring error;
    if (fwstore::SerializeStore(image, store, error) != fwstore::SerializeStatus::Ok ||
        !Write(folder, "store", stem + ".store", store)) {
        return false;
    }
    if (!WriteRulesSeed(image, folder, stem))
        return false;
    bool written = image.exportDb.empty() || Write(folder, "setupdb", stem + ".db", image.exportDb);
    for (const fwstore::StoredVariable& variable : image.variables) {
        if (variable.name == L"QrvDataVar") {
            written = written && Write(folder, "setupdb", stem + "-qrvdatavar.bin", variable.data);
        }
    }
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds BOARD_PROFILE... OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[argc - 1];
    bool ok = WriteCapsuleSeeds(folder) && WriteSequenceSeeds(folder);
    for (int i = 1; i < argc - 1; ++i) {
        ok = WriteBoardSeeds(argv[i], folder) && ok;
    }
    return ok ? 0 : 1;
}
