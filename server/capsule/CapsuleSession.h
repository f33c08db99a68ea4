// One firmware update's companions and the steps that every capsule client takes with them:
// the capsule-editing engine of Quillon.dll, the capsule-update library EfiCorvid.dll, an
// image or picture file read into memory, the firmware IDs of the image and of the running
// board, and staging and arming the capsule. The two clients (the IBiosCapsule object and the
// toolkit's one-request flash) tell their callers of the same failures with their own
// interface and, at some steps, their own results and descriptions; the session reports each
// step as its client does.
#pragma once

#include "CorvidLibrary.h"

#include "ComObject.h"
#include "frame/DiagnosticsLog.h"

#include <WeaveEngine.h>

#include <cstdint>
#include <functional>
#include <string>

// The results and descriptions of one client, where the clients differ.
struct SCapsuleClientReports;

class CCapsuleSession {
public:
    enum class Client { BiosCapsule, FlashOperation };
    // What a stream holds, for the reports of a failing rewind.
    enum class StreamKind { Splash = 0, Image = 1 };

    explicit CCapsuleSession(Client client);
    CCapsuleSession(const CCapsuleSession&) = delete;
    CCapsuleSession& operator=(const CCapsuleSession&) = delete;

    // Creates the engine (registering the current folder's engine library when its class is
    // not registered) and loads the capsule-update library.
    HRESULT Open();
    // Unloads the library and releases the engine. False when the library could not be
    // unloaded (it is then kept); the caller reports that under its own name.
    bool Close();

    IWeaveEngine* Engine() const { return m_pIWeaveEng.Get(); }
    bool IsLibraryLoaded() const { return m_hCorvidDll.IsLoaded(); }
    // S_OK with an engine; without one (after a failed Open) the client's failure, reported
    // under `site`.
    HRESULT RequireEngine(const LogSite& site) const;

    // Reads the file into a new memory stream, positioned at 0.
    HRESULT LoadFileIntoStream(const std::wstring& name, IStream** stream, StreamKind kind);
    HRESULT ResetStreamSeekPtr(IStream* stream, StreamKind kind);
    // Checks that `image` is an engine capsule and has the engine parse it. A stream that
    // fails leaves the engine with the image it had.
    HRESULT ParseImage(IStream* image);
    HRESULT GetImageId(std::wstring& id);
    // The running firmware's ID, from the variable "FirmwareId" under either vendor GUID.
    HRESULT GetBiosIdFromVariable(std::wstring& id);
    // S_OK when the image belongs to the board; S_FALSE, reported and described, when not.
    HRESULT MatchBiosIds(const std::wstring& imageId, const std::wstring& boardId);
    HRESULT ExtractLogoModule(IWeaveLogoModule** logo);
    // Writes the engine's (possibly edited) image back into `image`.
    HRESULT SaveImage(IStream* image);
    // Hands the bytes of `image` to the library as they are; the library's status as a result.
    HRESULT PrepareCapsule(IStream* image);
    // Arms the staged capsule. `beforeArming` runs once the library is known to offer arming.
    // An update armed is a change of the firmware: it goes into the history of changes as a
    // "flash" of the image file last parsed (none for an image handed over as a stream).
    HRESULT InvokeCapsule(const std::function<void()>& beforeArming = {});
    // The library's status of the last update in `status`; the call's own status as a result.
    HRESULT GetLastStatus(uint32_t* status);

private:
    HRESULT CreateEngine();
    HRESULT LoadCorvidLibrary();
    HRESULT InterpretCorvidRetVal(uint32_t status);
    // The flash's record, with the running firmware's ID and the image's; an ID that cannot
    // be read stays empty and fails nothing.
    void AppendFlashToHistory(const std::wstring& boardId);
    std::wstring QuietBoardId();

    // The image file read by LoadFileIntoStream, until ParseImage takes it as the engine's.
    struct ImageFile {
        std::wstring path;   // full path
        std::string sha256;  // of the bytes read
    };
    ImageFile m_pendingImage;
    ImageFile m_parsedImage;

    const SCapsuleClientReports& m_reports;
    CCorvidLibrary m_hCorvidDll;
    ComPtr<IWeaveEngine> m_pIWeaveEng;
};
