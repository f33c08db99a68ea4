// Installing configurations through the toolkit on a board of the test's own: a board with
// setup tokens of every kind, INI files written by the test, and the events heard.
#pragma once

#include "ToolkitOnBoard.h"

#include "config/ComponentMask.h"
#include "system/ProcessState.h"

#include "BoardProfile.h"

#include <filesystem>
#include <fstream>

using Bytes = std::vector<uint8_t>;

// Tokens of every kind; "Serial port (legacy)" shares the UQI of "Serial port" and holds the
// option the first lacks.
inline const char kProfile[] = R"PROFILE([Board]
Name = install test board
Capacity = 65536

[Variable FirmwareId]
Guid = {EFC071AE-41B8-4018-AFA7-314B185E578B}
Attributes = 7
Text = DBZ7710H.86A.0042.2013.0312.1045

[Variable 1.4]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = Kestrel Board Works

[Variable 1.6]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = AAG39008-401

[Variable 1.7]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = BTKB31500427

[Variable 3.4]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = Kestrel Board Works

[Variable 3.6]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = 1.0

[Variable 3.7]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = CS0042118700

[Variable 1.5]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = KB77DZ-LONG-PRODUCT

[Variable 3.8]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = TAG

[Store Setup]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Id = 1
Size = 256

[Variable OemDefault]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Attributes = 7
Copy = Setup

[FormSet Main]
Guid = {7D1C5E1A-3B2F-4C8D-9E0A-1B2C3D4E5F60}
Stores = Setup
Form = id=1 title="Main"
OneOf = offset=0x10 uqi=0x0201 prompt="Serial port" help="" default=1
Option = value=0 text="Disabled"
Option = value=1 text="Enabled"
OneOf = offset=0x11 uqi=0x0201 prompt="Serial port (legacy)" help=""
Option = value=5 text="Legacy"
CheckBox = offset=0x12 uqi=0x0202 prompt="Fast boot" help=""
Numeric = offset=0x40 width=2 uqi=0x0203 prompt="Timeout" help="" min=0 max=65535 step=1 default=5
OrderedList = offset=0x20 entries=3 uqi=0x0204 prompt="Boot order" help="" default=1,2,3
Option = value=1 text="Disk"
Option = value=2 text="Network"
Option = value=3 text="USB"
)PROFILE";

inline fwstore::StoreImage InstallBoard()
{
    fwstore::StoreImage image;
    const fwstore::StoreResult result = ParseBoardProfile(kProfile, L"install.ini", {}, image);
    EXPECT_TRUE(result.Ok()) << Narrow(result.message);
    return image;
}

// Bytes that differ between two images of a variable, as offset → new byte.
inline std::map<size_t, uint8_t> Changes(const Bytes& before, const Bytes& after)
{
    std::map<size_t, uint8_t> changes;
    for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        const int old = i < before.size() ? before[i] : -1;
        if (i >= after.size() || old != after[i]) {
            changes[i] = i < after.size() ? after[i] : 0;
        }
    }
    return changes;
}

class Install : public ToolkitOnBoard {
protected:
    void SetUp() override
    {
        ToolkitOnBoard::SetUp();
        // Each case makes a board of its own: the setup database is read again.
        ProcessState::ForgetFirmwareReadings();
    }

    // An INI file of the test's own with `sections` after the version.
    std::wstring IniFile(const std::string& sections)
    {
        const std::wstring path = board.Folder().Path() + L"\\install-" + std::to_wstring(++m_files) + L".ini";
        std::ofstream(std::filesystem::path(path), std::ios::binary) << "[System]\r\nINIversion=2.9\r\n\r\n" << sections;
        return path;
    }
    HRESULT InstallFile(const std::wstring& path, ULONG mask)
    {
        EXPECT_HRESULT_SUCCEEDED(toolkit->Reset());
        UniqueBstr name = UniqueBstr::From(path.c_str());
        const HRESULT loaded = toolkit->LoadINIFile(name.get(), mask);
        EXPECT_HRESULT_SUCCEEDED(loaded);
        sink->events.clear();
        return toolkit->Install(mask);
    }
    std::vector<std::wstring> InstallEvents()
    {
        std::vector<std::wstring> lines;
        for (const RecordedEvent& event : sink->events) {
            std::wstring line = std::to_wstring(event.id);
            for (const std::wstring& text : event.texts) {
                line += L" " + text;
            }
            lines.push_back(line);
        }
        sink->events.clear();
        return lines;
    }

    int m_files = 0;
};

