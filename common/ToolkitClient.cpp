#include "ToolkitClient.h"

using Microsoft::WRL::ComPtr;

HRESULT CreateToolkitByProgId(ComPtr<IToolkit>& toolkit)
{
    toolkit.Reset();
    CLSID toolkitClass{};
    HRESULT hr = ::CLSIDFromProgID(kToolkitProgId, &toolkitClass);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IUnknown> unknown;
    hr = ::CoCreateInstance(toolkitClass, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&unknown));
    if (FAILED(hr)) {
        return hr;
    }
    hr = ::OleRun(unknown.Get());
    if (FAILED(hr)) {
        return hr;
    }
    return unknown.As(&toolkit);
}
