// CFlashOperation: the toolkit's one-request flash ("-bio=<file> [-splash=<file> [-badge]]").
// Loads the image, checks it against the running firmware, puts in the splash picture when
// one is given, and stages and arms the capsule, in one fixed sequence. No verification
// level, no detection variable, no events of its own (the toolkit fires them).
#pragma once

#include "CapsuleSession.h"

#include "ComObject.h"

#include <WeaveEngine.h>

#include <string>

struct SFlashOptions {
    std::wstring bioFile;
    std::wstring splashFile; // empty: the image is staged exactly as loaded
    bool badge = false;      // show the badge at (0, 0) over the splash picture
};

class CFlashOperation {
public:
    CFlashOperation() = default;
    virtual ~CFlashOperation();
    CFlashOperation(const CFlashOperation&) = delete;
    CFlashOperation& operator=(const CFlashOperation&) = delete;

    // Stops at the first failing step and returns its result; S_OK once the capsule is armed.
    HRESULT Execute(const SFlashOptions& options);

private:
    // S_OK match, S_FALSE mismatch, E_FAIL when either ID cannot be had.
    HRESULT VerifyBiosIdsMatch();
    HRESULT ApplySplashToCapsule();
    HRESULT PutSplash(IWeaveLogoModule* logo, IStream* picture);
    HRESULT RequireLibrary(const wchar_t* function);
    HRESULT PrepareCapsule();
    HRESULT InvokeCapsule();

    ComPtr<IStream> m_pstmBiosFile;
    const SFlashOptions* m_psOptions = nullptr;
    CCapsuleSession m_session{CCapsuleSession::Client::FlashOperation};
};
