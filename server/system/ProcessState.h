// What the server keeps for the life of its process, in one place: each piece with who sets
// it and what, if anything, clears it. Everything here outlives the objects a client
// creates and releases.
//
// The system layer's state is the struct below. The frame keeps two pieces of its own,
// which stay where they are because every layer reports through them:
//   - the diagnostics log (frame/DiagnosticsLog.cpp, CDiagnosticsLog::Instance): opened at
//     the first report, from the Preferences.ini of the current folder at that moment, and
//     kept until the process ends; OnDiagnosticsError is fired at most once per process;
//   - the message library (frame/ErrorInfoManager.cpp): loaded at the first message
//     looked up, released by UnloadMessageLibrary and loaded again by the next look-up.
// The toolkit registers itself as the event target (frame/EventTarget.cpp), and as
// CToolkit::Instance, from its creation to its destruction.
//
// IToolkit::Reset (toolkit/Toolkit.cpp) releases the message library and discards the
// configuration-point token; it keeps the readings of the firmware, the once-per-process
// flags and the components-only choice.
#pragma once

#include "ConfigurationPoint.h"
#include "ExtractHiiTokens.h"
#include "SarnQRVData.h"
#include "TokenApplicability.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

struct ProcessState {
    // Readings of the firmware: each is read at its first use and kept, since reading the
    // setup database or "QrvDataVar" again for every token would cost more than the rest of
    // the work. ForgetFirmwareReadings clears them together, so that the next use reads the
    // system again.

    // The setup tokens: built by CExtractHiiTokens::GetTokens at the first request; a failed
    // parse leaves it empty and the next request parses again.
    std::optional<HiiTokenPointers> tokens;
    // Which forms of the tokens' database can be reached: worked out by the first token's
    // applicability (CHiiTokenSource), again when a token comes from another database.
    std::unique_ptr<FormApplicability> forms;
    // The platform's EQ_VAR_VAL values (record 3 of "QrvDataVar"): read by the first
    // CHiiVarEqManager::GetEqVarValue.
    std::optional<EqVarTable> eqVarTable;

    // Set at most once per process and never cleared (tests that need them fresh run in a
    // process of their own).

    // Set by CSystemValidator::ValidateSystem when it finds the system valid; a valid
    // system stays valid.
    bool systemValidated = false;
    // The first CBIOSModifiedFlag::SetFlag touches the firmware and records its result here;
    // every later call answers that result, so a board whose flag cannot be written is not
    // retried on every component.
    bool biosModifiedAttempted = false;
    HRESULT biosModifiedResult = S_OK;

    // The client's choices.

    // Set by IToolkit::SetCPTokInfo (ConfigurationPoint::Set), discarded by IToolkit::Reset
    // (ConfigurationPoint::Clear).
    std::optional<ConfigurationPointToken> configurationPoint;
    // Set with the configuration point and never cleared: the system builders hand out
    // their component groups without the structural groups from then on.
    bool componentsOnly = false;

    // What the firmware-variable library answered to the last write it refused, as text that
    // names the variable and the status: set by CEFIVar::SetVariable, cleared by the toolkit
    // before an install or a remove and taken by it when one fails, so that the failure can
    // say what the firmware answered (the status itself maps to a result that may not).
    std::wstring refusedWrite;

    static ProcessState& Instance();
    // Forgets the tokens, the forms and the EQ_VAR_VAL values. Records handed out stay valid.
    // The INI builder calls it before it reads a file's tokens, tests and benchmarks when
    // they change the board under the process.
    static void ForgetFirmwareReadings();
};
