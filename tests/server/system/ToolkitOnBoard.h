// The toolkit of the process on a board of the test's own: the board's events, counters and
// variables read back, and desktop boards to start from.
#pragma once

#include "config/SMBIOSTable.h"
#include "frame/ResultCodes.h"
#include "system/VariableCatalogue.h"

#include "BoardFixture.h"
#include "InProcessToolkit.h"

#include <ServerLib.h>

#include <map>
#include <string>
#include <vector>

inline constexpr char kDesktopBiosId[] = "DBZ7710H.86A.0042.2013.0312.1045";

inline std::vector<uint8_t> Text(const std::string& text, bool terminated = true)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    if (terminated) {
        bytes.push_back(0);
    }
    return bytes;
}

// A desktop board: its BIOS ID, the eight SMBIOS strings, the setup values with their
// defaults and the OEM copy of them.
inline fwstore::StoreImage DesktopBoard(const std::string& biosId = kDesktopBiosId)
{
    fwstore::StoreImage image;
    image.boardName = L"desktop test board";
    image.capacity = 16384;
    image.variables.push_back({VariableName::FirmwareId, VendorGuid::FirmwareId, 7, Text(biosId, false)});
    int index = 0;
    for (const SMBIOSRow& row : kSMBIOSRows) {
        image.variables.push_back({row.readVariable, VendorGuid::Smbios, 7, Text("String " + std::to_string(++index))});
    }
    image.variables.push_back({VariableName::Setup, VendorGuid::Setup, 7, std::vector<uint8_t>(32, 0x5A)});
    image.variables.push_back({VariableName::OemDefault, VendorGuid::Setup, 7, std::vector<uint8_t>(32, 0x5A)});
    image.variables.push_back({VariableName::SetupDefault, VendorGuid::Setup, 7, std::vector<uint8_t>(32, 0x01)});
    return image;
}

inline void RemoveVariable(fwstore::StoreImage& image, const wchar_t* name, const GUID& vendor)
{
    std::erase_if(image.variables, [&](const fwstore::StoredVariable& variable) {
        return variable.name == name && variable.vendor == vendor;
    });
}

class ToolkitOnBoard : public InProcessToolkit {
protected:
    // The events heard since the last call, as "OnName argument".
    std::vector<std::wstring> TakeEvents()
    {
        static const std::map<DISPID, const wchar_t*> names = {
            {12, L"OnRemoveStart"}, {13, L"OnRemoveSuccess"}, {16, L"OnInvalidBoard"}, {17, L"OnInvalidBIOS"},
            {18, L"OnRemoveFail"}, {22, L"OnComponentRemoved"}, {23, L"OnSMBIOSRemoved"},
            {36, L"OnBIOSModifiedFlagSetFailure"}, {38, L"OnNoCoolingHardwareFound"},
        };
        std::vector<std::wstring> heard;
        for (const RecordedEvent& event : sink->events) {
            auto name = names.find(event.id);
            std::wstring line = name != names.end() ? name->second : L"event " + std::to_wstring(event.id);
            for (const std::wstring& text : event.texts) {
                line += L" " + text;
            }
            heard.push_back(line);
        }
        sink->events.clear();
        return heard;
    }

    // Firmware calls that changed or tried to change a variable, over the whole board.
    uint64_t WriteCalls() const
    {
        uint64_t calls = 0;
        for (const fwstore::VariableCounters& counters : board.Load().counters) {
            calls += counters.writes + counters.deletes + counters.failedWrites;
        }
        return calls;
    }
    fwstore::VariableCounters Counters(const wchar_t* name, const GUID& vendor) const
    {
        const fwstore::StoreImage image = board.Load();
        const fwstore::VariableCounters* counters = fwstore::FindCounters(image, name, vendor);
        return counters ? *counters : fwstore::VariableCounters{};
    }
    // The variable's data now; empty when it is absent (a variable holds at least a byte).
    std::vector<uint8_t> Data(const wchar_t* name, const GUID& vendor) const
    {
        const fwstore::StoreImage image = board.Load();
        const fwstore::StoredVariable* variable = fwstore::FindVariable(image, name, vendor);
        return variable ? variable->data : std::vector<uint8_t>{};
    }

    BoardFixture board;
};
