// Helpers for the engine tests: the engine created as the server creates it, streams over
// bytes, the logo-module search of the server, and calls by vtable slot.
#pragma once

#include "BioTestImages.h"
#include "TestSupport.h"

#include <WeaveEngine.h>

#include <vector>

class WeaveEngineTest : public ComTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads `image` into the engine from a fresh stream (kept in m_stream).
    void Load(const biofile::CapsuleImage& image);
    // The splash logo module found as the server finds it (type 0, splash-capable).
    HRESULT FindLogoModule(IWeaveLogoModule** logo);
    ComPtr<IWeaveSplashSite> SplashSite();
    LONG SizeRemaining();

    ComPtr<IWeaveEngine> m_engine;
    ComPtr<IStream> m_stream;
};

ComPtr<IStream> StreamOf(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> StreamBytes(IStream* stream);
uint64_t StreamPosition(IStream* stream);

// Calls method number `slot` of an interface's vtable (0 is QueryInterface).
template <typename... Arguments>
HRESULT CallSlot(IUnknown* object, size_t slot, Arguments... arguments)
{
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Arguments...);
    void** table = *reinterpret_cast<void***>(object);
    return reinterpret_cast<Method>(table[slot])(object, arguments...);
}
