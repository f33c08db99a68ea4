// What a token item knows of the setup database it came from. The system layer supplies it
// (the token's record, its conditions, the forms that reach it); the item asks it only what
// needs the firmware to answer.
#pragma once

#include <windows.h>

#include <string>

class ITokenSource {
public:
    virtual ~ITokenSource() = default;
    // Whether the token applies to this platform; a failure is logged by the source.
    virtual HRESULT ComputeApplicability(bool& applicable) = 0;
};

// The byte that locks (2) or hides (1) a token in the firmware.
struct TokenControlByte {
    std::wstring variableName;
    GUID variableGuid{};
    USHORT offset = 0;
    BYTE width = 0;
};
