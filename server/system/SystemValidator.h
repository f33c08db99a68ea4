// CSystemValidator: whether this machine is one the server supports. The firmware must
// publish its SMBIOS strings as firmware variables, and the BIOS ID must name a supported
// board family. A machine found valid stays valid for the life of the process
// (ProcessState.h).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

class CSystemValidator {
public:
    // S_OK valid; S_FALSE not valid (OnInvalidBIOS or OnInvalidBoard has told the client
    // why); E_FAIL when the check itself could not be made. After a success in this process
    // it answers S_OK without reading the firmware.
    HRESULT ValidateSystem();
    static bool IsSystemValidated();

    // Whether the firmware publishes the system-manufacturer string ("1.4").
    bool CheckForSecureSMBIOS();
    // S_OK when CheckForSecureSMBIOS finds the string, else OnInvalidBIOS and S_FALSE.
    HRESULT ValidateBIOS();
    // "FirmwareId" as text, from its first vendor GUID that answers.
    HRESULT GetBIOSIDFromVariable(std::wstring& biosId);
    // S_OK when the BIOS ID names a supported board family, else OnInvalidBoard and S_FALSE.
    HRESULT ValidateBoard();

    // The rule on the BIOS ID's fields, split at dots: a first field of 2 to 14 characters
    // and a second of three, "86" and a letter or two digits and "T" (either case).
    static bool IsSupportedBoardId(std::wstring_view biosId);
};
