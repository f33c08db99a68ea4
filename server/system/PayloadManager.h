// The fan-control payload: CPayloadManager finds a payload file, opens it and picks the
// handler that understands it; CAfscPayload, the one kind of payload there is, checks the
// file, checks that the board may take it, and stores the file behind a 15-byte header in
// "AfscConfigData". The byte layouts are the cooling core's (cooling/PayloadFormat.h).
#pragma once

#include "FirmwareVariables.h"
#include "InstallEFIVar.h"

#include "cooling/PayloadFormat.h"

#include "Owners.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

// A payload file open for reading; others may read and write it meanwhile.
class CPayloadFile {
public:
    // S_OK, or the system's error as an HRESULT.
    HRESULT Open(const std::wstring& name);
    // Reads from the current position until `bytes` is full or the file ends; `got` is the
    // count read.
    HRESULT Read(std::span<BYTE> bytes, size_t& got);
    HRESULT Size(ULONGLONG& size);
    HRESULT SeekToStart();

private:
    UniqueFile m_file;
};

// A handler of one kind of payload: it loads a file and installs it.
class CPayload {
public:
    virtual ~CPayload() = default;
    // `handled` TRUE when the file is of this handler's kind and loaded; FALSE (with S_OK)
    // when it is of another kind. A file of this kind that is broken or cannot be read fails.
    virtual HRESULT LoadPayload(CPayloadFile* file, BOOL* handled) = 0;
    virtual HRESULT Install() = 0;
};

class CAfscPayload final : public CPayload {
public:
    // Writes through `variables`; in CollectorMode::Plan it writes nothing and appends the
    // variable it would write to `planned`.
    CAfscPayload(IFirmwareVariables& variables, CollectorMode mode, std::vector<PlannedVariable>& planned)
        : m_variables(variables), m_mode(mode), m_planned(planned)
    {
    }

    HRESULT LoadPayload(CPayloadFile* file, BOOL* handled) override;
    // E_PAYLOAD_SYSTEM (after OnPayloadError 231) on a board that may not take the payload;
    // E_FAIL when the variable cannot be written.
    HRESULT Install() override;

private:
    HRESULT PopulateAfscHeaderFromFile(CPayloadFile& file, bool& ofThisKind);
    HRESULT VerifyPayloadCorrectness(CPayloadFile& file, bool& ofThisKind);
    HRESULT StorePayloadFile(CPayloadFile& file);
    bool VerifySystem();
    HRESULT InstallPayload();
    HRESULT AddVariableHeaderToBuffer();
    HRESULT WriteAfscVariable();

    IFirmwareVariables& m_variables;
    CollectorMode m_mode;
    std::vector<PlannedVariable>& m_planned;
    payload_format::FileHeader m_header;
    std::vector<BYTE> m_file;      // the whole payload file once loaded (at least its header)
    std::vector<BYTE> m_variable;  // the variable's data: its header, then the file
};

class CPayloadManager {
public:
    explicit CPayloadManager(IFirmwareVariables& variables, CollectorMode mode = CollectorMode::Write)
        : m_variables(variables), m_mode(mode)
    {
    }

    // Installs the payload file `name` and sets the BIOS-modified flag. S_OK, or:
    // E_INVALIDARG (empty name), E_PAYLOAD_SEARCH (no such file), E_FAIL (the file could not
    // be looked for, read or written), E_UNEXPECTED (it could not be opened),
    // E_PAYLOAD_UNKNOWN (no handler takes it), E_PAYLOAD_SIZE (a payload, broken),
    // E_PAYLOAD_SYSTEM (the board may not take it). Nothing is written unless every check
    // passed; in CollectorMode::Plan nothing is written at all (Planned() says what would be).
    HRESULT Install(const std::wstring& name);
    // S_OK when the file exists, S_FALSE when the file or its folder does not, E_FAIL when
    // the system cannot tell, E_INVALIDARG for an empty name.
    static HRESULT FileExists(const std::wstring& name);
    // S_OK with the handler that took `file`, S_FALSE when none did, or the failure of the
    // handler whose kind the file is.
    HRESULT GetMatchingHandler(CPayloadFile* file, std::unique_ptr<CPayload>& handler);

    const std::vector<PlannedVariable>& Planned() const { return m_planned; }

private:
    IFirmwareVariables& m_variables;
    CollectorMode m_mode;
    std::vector<PlannedVariable> m_planned;
};
