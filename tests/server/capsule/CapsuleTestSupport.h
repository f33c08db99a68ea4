// Shared by the capsule tests: a fresh copy of the demo board for every test (a
// BoardFixture), images and pictures written beside it, the detection variable and firmware
// ID read back, and fwsim run as the emulated restart.
#pragma once

#include "BioTestImages.h"
#include "BoardFixture.h"
#include "CapsuleParser.h"

#include <ServerLib.h>

#include <optional>
#include <string>
#include <vector>

namespace capsuletest {

// The demo board's running firmware ID and an image for it (only the version and date differ).
constexpr char kBoardId[] = "DBZ7710H.86A.0042.2013.0312.1045";
constexpr char kImageId[] = "DBZ7710H.86A.0052.2012.1107.1530";

// An image for the demo board: a firmware body, and a logo module unless `logo` is false.
biofile::CapsuleImage BoardImage(size_t bodySize = 4096, bool logo = true, bool logoModule2 = true,
                                 uint32_t maxWidth = 800, uint32_t maxHeight = 600);

// A COM test on its own copy of the board named by FWSIM_STORE when the program started.
class BoardTest : public ComTest {
protected:
    void SetUp() override;

    // Writes `image` to a file of the board's folder; returns its path.
    std::wstring WriteImage(const biofile::CapsuleImage& image, const wchar_t* name = L"image.bio");
    std::wstring WriteBytes(const std::vector<uint8_t>& bytes, const wchar_t* name);
    // fwsim with `arguments` on this test's board; its exit code.
    int RunFwsim(const std::wstring& arguments);
    // The detection variable's data, if the board holds it.
    std::optional<std::vector<uint8_t>> DetectionVariable() const;
    std::string BoardFirmwareId() const;

    BoardFixture m_board;
};

// An object of the registered server; with TOOLKIT_SERVER_BESIDE set, of the copy of
// PellamW.dll in the program's folder instead, so that the companions beside that copy are
// the ones the server finds.
HRESULT CreateServerObject(REFCLSID clsid, REFIID iid, void** object);

// The toolkit of the server (Server.Toolkit.1) and its BiosCapsule.
class CapsuleTest : public BoardTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new capsule object: the toolkit's Reset releases the cached one.
    void RenewCapsule();
    HRESULT LoadImage(const biofile::CapsuleImage& image);

    ComPtr<IToolkit> m_toolkit;
    ComPtr<IBiosCapsule> m_capsule;
};

// A sink connected to a toolkit's events for the life of the object.
class EventRecorder {
public:
    explicit EventRecorder(IUnknown* toolkit);
    ~EventRecorder();
    int Count(DISPID id) const;
    RecordingSink& Sink() { return *m_sink.Get(); }

    static constexpr DISPID kOnFlashStart = 2;
    static constexpr DISPID kOnFlashSuccess = 3;

private:
    ComPtr<RecordingSink> m_sink;
    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

UniqueBstr Bstr(const std::wstring& text);
std::wstring Wide(const std::string& text);

} // namespace capsuletest
