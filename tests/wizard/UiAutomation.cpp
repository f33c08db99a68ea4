#include "UiAutomation.h"

#include "ComObject.h"

#include <wincodec.h>

namespace ui {

namespace {

struct DialogSearch {
    const wchar_t* caption;
    const wchar_t* title; // IDC_TITLE text of a page, or null
    HWND found;
};

constexpr int kTitleId = 1006;

bool IsDialogClass(HWND window)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return wcscmp(name, L"#32770") == 0;
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    if (!::IsWindowVisible(window) || !IsDialogClass(window)) {
        return TRUE;
    }
    if (search->caption && Text(window) != search->caption) {
        return TRUE;
    }
    if (search->title && ItemText(window, kTitleId) != search->title) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindDialog(const wchar_t* caption, const wchar_t* title)
{
    DialogSearch search{caption, title, nullptr};
    ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct LongestText {
    std::wstring text;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM parameter)
{
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Static") == 0) {
        auto* longest = reinterpret_cast<LongestText*>(parameter);
        std::wstring text = Text(child);
        if (text.size() > longest->text.size()) {
            longest->text = std::move(text);
        }
    }
    return TRUE;
}

// A rectangle of the screen as a bitmap of the screen's format.
HBITMAP CaptureScreenArea(int left, int top, int width, int height)
{
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

// The client area of a window as it is on screen.
HBITMAP CaptureClient(HWND window, int& width, int& height)
{
    RECT client{};
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    width = client.right;
    height = client.bottom;
    return CaptureScreenArea(origin.x, origin.y, width, height);
}

// The window's whole area (frame included) on screen.
HBITMAP CaptureWindow(HWND window, int& width, int& height)
{
    RECT area{};
    ::GetWindowRect(window, &area);
    width = area.right - area.left;
    height = area.bottom - area.top;
    return CaptureScreenArea(area.left, area.top, width, height);
}

std::vector<RGBQUAD> Pixels(HBITMAP bitmap, int width, int height)
{
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != height) {
        pixels.clear();
    }
    return pixels;
}

} // namespace

HWND FindVisibleDialog(const wchar_t* caption) { return FindDialog(caption, nullptr); }

HWND WaitForPage(const wchar_t* title, DWORD milliseconds)
{
    HWND page = nullptr;
    WaitUntil([&] { return (page = FindDialog(L"Orvane", title)) != nullptr; }, milliseconds);
    if (page) {
        // Let the page finish painting before anyone reads or photographs it.
        ::Sleep(300);
    }
    return page;
}

HWND VisiblePage() { return FindDialog(L"Orvane", nullptr); }

HWND WaitForErrorBox(DWORD milliseconds)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindDialog(L"Error", nullptr)) != nullptr; }, milliseconds);
    return box;
}

std::wstring MessageBoxText(HWND box)
{
    LongestText longest;
    ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&longest));
    return longest.text;
}

std::wstring Text(HWND window)
{
    if (!window) {
        return {};
    }
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          5000, &copied);
    text.resize(copied);
    return text;
}

std::wstring ItemText(HWND page, int id) { return Text(::GetDlgItem(page, id)); }

bool IsItemEnabled(HWND page, int id)
{
    HWND item = ::GetDlgItem(page, id);
    return item && ::IsWindowEnabled(item);
}

bool IsItemVisible(HWND page, int id)
{
    HWND item = ::GetDlgItem(page, id);
    return item && ::IsWindowVisible(item);
}

bool IsItemChecked(HWND page, int id)
{
    DWORD_PTR state = 0;
    ::SendMessageTimeoutW(::GetDlgItem(page, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

bool Click(HWND page, int id)
{
    HWND button = ::GetDlgItem(page, id);
    if (!button || !::IsWindowVisible(button) || !::IsWindowEnabled(button)) {
        return false;
    }
    // Posted: the wizard may open a message box inside its handler, and the driver must
    // stay free to read it.
    ::PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

void ClickAt(HWND control, int x, int y)
{
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void PressKey(HWND page, WPARAM key)
{
    // Keys go to a control of the page, as they do when it has the focus.
    HWND target = ::GetDlgItem(page, 1001);
    ::PostMessageW(target ? target : page, WM_KEYDOWN, key, 1);
    ::PostMessageW(target ? target : page, WM_KEYUP, key, 0xC0000001);
}

void CloseBySystemMenu(HWND page) { ::PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool ShowsColour(HWND window, COLORREF colour)
{
    int width = 0, height = 0;
    HBITMAP bitmap = CaptureClient(window, width, height);
    if (!bitmap) {
        return false;
    }
    const std::vector<RGBQUAD> pixels = Pixels(bitmap, width, height);
    ::DeleteObject(bitmap);
    const int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
    for (const RGBQUAD& pixel : pixels) {
        // Close, not exact: text may be smoothed against its background.
        if (abs(pixel.rgbRed - red) <= 24 && abs(pixel.rgbGreen - green) <= 24 && abs(pixel.rgbBlue - blue) <= 24) {
            return true;
        }
    }
    return false;
}

bool SaveScreenshot(HWND window, const std::wstring& path)
{
    int width = 0, height = 0;
    HBITMAP bitmap = CaptureWindow(window, width, height);
    if (!bitmap) {
        return false;
    }
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> image;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &image);
    }
    ::DeleteObject(bitmap);
    if (SUCCEEDED(hr)) {
        hr = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(hr)) {
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->CreateNewFrame(&frame, nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Initialize(nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->WriteSource(image.Get(), nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Commit();
    }
    return SUCCEEDED(hr);
}

} // namespace ui
