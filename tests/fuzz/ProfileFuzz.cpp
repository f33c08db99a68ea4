// Board profiles over any text: the whole profile with a file loader that refuses every
// file, and the compiler of its setup sections. A compiled database must be one that the
// dump and the setup-database reader walk to its end without finding damage.
#include "FuzzTargets.h"

#include "system/SetupDatabase.h"

#include "BoardProfile.h"
#include "SetupDbDecoder.h"
#include "SetupDbWriter.h"
#include "StoreFormat.h"

#include <string_view>
#include <vector>

namespace profile_fuzz {

namespace {

bool RefuseFile(const std::wstring& name, std::vector<uint8_t>&, std::wstring& error)
{
    error = L"no files while fuzzing: \"" + name + L"\"";
    return false;
}

void CheckCompiledDatabase(const std::vector<uint8_t>& database)
{
    const fwstore::setupdb::SetupDbDump dump = fwstore::setupdb::DecodeSetupDatabase(database);
    FuzzCheck(!dump.damaged, "the dump finds damage in a compiled setup database");
    SetupDatabaseReader reader(database);
    HII_SETTING record;
    WalkStatus status = reader.First(record);
    while (status == WalkStatus::Token || status == WalkStatus::NotToken) {
        status = reader.Next(record);
    }
    FuzzCheck(status == WalkStatus::End, "the reader finds a compiled setup database malformed");
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fwstore::StoreImage image;
    const fwstore::StoreResult result = fwstore::ParseBoardProfile(text, L"fuzz.ini", RefuseFile, image);
    FuzzCheck(result.Ok() || !result.message.empty(), "a refused profile has no message");
    fwstore::setup::CompiledSetup compiled;
    fwstore::setup::SetupError error;
    if (fwstore::setup::CompileSetupProfile(text, compiled, error) && compiled.hasForms) {
        CheckCompiledDatabase(compiled.database);
    }
    if (result.Ok()) {
        std::vector<uint8_t> store;
        std::wstring problem;
        fwstore::SerializeStore(image, store, problem);
    }
}

} // namespace profile_fuzz
