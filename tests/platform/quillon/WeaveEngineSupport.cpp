#include "WeaveEngineSupport.h"

#include <ole2.h>

void WeaveEngineTest::SetUp()
{
    ComTest::SetUp();
    // As the server does: any context, IUnknown, running state, then IWeaveEngine.
    ComPtr<IUnknown> unknown;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_WeaveEngine, nullptr, CLSCTX_ALL, IID_IUnknown,
                                                reinterpret_cast<void**>(unknown.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(::OleRun(unknown.Get()));
    ASSERT_HRESULT_SUCCEEDED(unknown.As(&m_engine));
}

void WeaveEngineTest::TearDown()
{
    m_stream.Reset();
    m_engine.Reset();
    ComTest::TearDown();
}

void WeaveEngineTest::Load(const biofile::CapsuleImage& image)
{
    m_stream = StreamOf(biotest::Serialize(image));
    ASSERT_EQ(m_engine->LoadWeaveCapsule(m_stream.Get()), S_OK);
}

HRESULT WeaveEngineTest::FindLogoModule(IWeaveLogoModule** logo)
{
    ComPtr<IWeaveModules> modules;
    HRESULT hr = m_engine->GetCapsuleModules(&modules);
    if (FAILED(hr)) {
        return hr;
    }
    hr = modules->Reset();
    VARIANT_BOOL more = VARIANT_FALSE;
    for (hr = modules->raw_MoveNext(&more); SUCCEEDED(hr) && more == VARIANT_TRUE; hr = modules->raw_MoveNext(&more)) {
        ComPtr<IWeaveModule> module;
        LONG type = -1;
        VARIANT_BOOL splash = VARIANT_FALSE;
        if (FAILED(hr = modules->GetCurrent(&module)) || FAILED(hr = module->get_type(&type)) ||
            FAILED(hr = module->get_SplashCapable(&splash))) {
            return hr;
        }
        if (type == 0 && splash == VARIANT_TRUE) {
            return module->QueryInterface(IID_IWeaveLogoModule, reinterpret_cast<void**>(logo));
        }
    }
    return FAILED(hr) ? hr : S_FALSE;
}

ComPtr<IWeaveSplashSite> WeaveEngineTest::SplashSite()
{
    ComPtr<IWeaveLogoModule> logo;
    ComPtr<IWeaveSplashSite> site;
    EXPECT_EQ(FindLogoModule(&logo), S_OK);
    if (logo) {
        EXPECT_HRESULT_SUCCEEDED(logo.As(&site));
    }
    return site;
}

LONG WeaveEngineTest::SizeRemaining()
{
    LONG remaining = 0;
    EXPECT_EQ(m_engine->get_SizeRemaining(&remaining), S_OK);
    return remaining;
}

ComPtr<IStream> StreamOf(const std::vector<uint8_t>& bytes)
{
    ComPtr<IStream> stream;
    EXPECT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ULONG written = 0;
    if (!bytes.empty()) {
        EXPECT_HRESULT_SUCCEEDED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
    }
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

std::vector<uint8_t> StreamBytes(IStream* stream)
{
    STATSTG stat = {};
    EXPECT_HRESULT_SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME));
    std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!bytes.empty()) {
        EXPECT_HRESULT_SUCCEEDED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read));
    }
    bytes.resize(read);
    return bytes;
}

uint64_t StreamPosition(IStream* stream)
{
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER position = {};
    stream->Seek(zero, STREAM_SEEK_CUR, &position);
    return position.QuadPart;
}
