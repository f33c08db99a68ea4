// The setup tokens of the running system: its setup database parsed into one list shared by
// the token builder, the token installer and the INI token code, and kept as a reading of
// the firmware (ProcessState.h).
#pragma once

#include "HiiSetting.h"
#include "HiiTokenList.h"

#include <windows.h>

#include <memory>
#include <vector>

using HiiTokenPointers = std::vector<std::shared_ptr<const HII_SETTING>>;

class CExtractHiiTokens {
public:
    // Builds the process-wide list: E_FAIL when the database cannot be walked or holds no
    // token; the list is then not built and the next request parses again.
    static HRESULT ParseHiiDb();
    // Copies the list, parsing first when it is not built. A null list: E_INVALIDARG.
    static HRESULT GetTokens(HiiTokenPointers* tokens);
    static bool IsBuilt();
};
