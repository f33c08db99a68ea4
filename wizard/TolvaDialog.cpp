#include "TolvaDialog.h"

#include "ErrorBox.h"
#include "ReadmeDialog.h"
#include "Resource.h"
#include "WizardState.h"
#include "WorkFolder.h"

#include <richedit.h>

namespace {

constexpr wchar_t kPageProperty[] = L"CTolvaDialog";
constexpr int kPageWidth = 500;
constexpr int kPageHeight = 400;
constexpr int kPictureWidth = 500;
constexpr int kPictureHeight = 325;
// The picture's panel, behind the texts; rich-edit controls that cannot draw transparently
// get it as their background.
constexpr COLORREF kPanelColour = RGB(246, 247, 243);

std::unique_ptr<CReadmeDialog> g_readmeOwner;

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read)
{
    DWORD count = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(size), &count, nullptr)) {
        *read = 0;
        return 1;
    }
    *read = static_cast<LONG>(count);
    return 0;
}

CTolvaDialog* PageOf(HWND window)
{
    return window ? static_cast<CTolvaDialog*>(::GetPropW(window, kPageProperty)) : nullptr;
}

} // namespace

void CreateReadmePage(CTolvaDialog* builder)
{
    if (g_pReadmePage) {
        return;
    }
    g_readmeOwner = std::make_unique<CReadmeDialog>(builder);
    g_pReadmePage = g_readmeOwner.get();
    g_readmeOwner->Create();
}

void DestroyReadmePage()
{
    g_pReadmePage = nullptr;
    g_readmeOwner.reset();
}

CTolvaDialog::CTolvaDialog(CTolvaDialog* previousPage) : m_pPrevPage(previousPage) { EnterWorkFolder(); }

CTolvaDialog::~CTolvaDialog()
{
    LeaveWorkFolder();
    if (g_pMainPage == this) {
        g_pMainPage = nullptr;
    }
    if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

bool CTolvaDialog::Create()
{
    if (m_hWnd) {
        return true;
    }
    ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WIZARD_PAGE), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this));
    return m_hWnd != nullptr;
}

INT_PTR CTolvaDialog::DoModal()
{
    if (!Create()) {
        return -1;
    }
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    m_runningModal = true;
    m_modalEnded = false;
    MSG message{};
    while (!m_modalEnded) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) {
            break;
        }
        if (!PreTranslate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    m_runningModal = false;
    return m_modalResult;
}

void CTolvaDialog::EndDialog(INT_PTR result)
{
    if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
    if (m_runningModal) {
        m_modalResult = result;
        m_modalEnded = true;
    }
}

// Keys for a page: Escape acts as Cancel, Enter does nothing (so that it never presses the
// focused button by accident); the rest is the dialog manager's.
bool CTolvaDialog::PreTranslate(MSG& message)
{
    HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    CTolvaDialog* page = PageOf(root);
    if (!page) {
        return false;
    }
    if (message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR) {
        const bool escape = message.wParam == VK_ESCAPE || (message.message == WM_CHAR && message.wParam == 0x1B);
        const bool enter = message.wParam == VK_RETURN || (message.message == WM_CHAR && message.wParam == L'\r');
        if (escape && message.message == WM_KEYDOWN) {
            page->OnEscape();
            return true;
        }
        if (escape || enter) {
            return true;
        }
    }
    return ::IsDialogMessageW(root, &message) != FALSE;
}

INT_PTR CALLBACK CTolvaDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<CTolvaDialog*>(lParam);
        page->m_hWnd = window;
        ::SetPropW(window, kPageProperty, page);
        return page->OnInitDialog() ? TRUE : FALSE;
    }
    CTolvaDialog* page = PageOf(window);
    if (message == WM_NCDESTROY) {
        ::RemovePropW(window, kPageProperty);
        if (page) {
            page->m_hWnd = nullptr;
        }
        return FALSE;
    }
    return page ? page->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CTolvaDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_NOTIFY:
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    default:
        return FALSE;
    }
}

void CTolvaDialog::OnCommand(int id, int code)
{
    const bool clicked = code == BN_CLICKED;
    switch (id) {
    case IDC_BTN_NEXT:
        if (clicked) {
            OnNext();
        }
        break;
    case IDC_BTN_BACK:
        if (clicked) {
            OnBack();
        }
        break;
    case IDC_BTN_CANCEL:
        if (clicked) {
            OnCancel();
        }
        break;
    case IDC_BTN_README:
        if (clicked) {
            OnReadme();
        }
        break;
    case IDCANCEL: // the dialog manager's Escape and WM_CLOSE
        OnEscape();
        break;
    case IDOK: // the dialog manager's Enter: nothing
        break;
    default:
        OnControlCommand(id, code);
        break;
    }
}

void CTolvaDialog::OnEscape()
{
    HWND cancel = Item(IDC_BTN_CANCEL);
    if (cancel && ::IsWindowEnabled(cancel)) {
        OnCancel();
    }
}

bool CTolvaDialog::OnInitDialog()
{
    CreateReadmePage(this);
    if (!m_pPrevPage) {
        EnableItem(IDC_BTN_BACK, false);
    }
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // Shared icons: the system frees them with the module.
    HANDLE bigIcon = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_WIZARD), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                  ::GetSystemMetrics(SM_CYICON), LR_SHARED);
    HANDLE smallIcon = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_WIZARD), IMAGE_ICON,
                                    ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, kPageWidth, kPageHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextW(m_hWnd, LoadText(IDS_CAPTION).c_str());

    SetItemFont(IDC_TITLE, L"Times", 15, RGB(25, 25, 25), true);
    PlaceItem(IDC_TITLE, 25, 20, 400, 50);
    SetItemFont(IDC_BODY, L"Times", 11, RGB(0, 0, 0), false);

    PlaceItem(IDC_BTN_BACK, 275, 335, 70, 25);
    SetItemText(IDC_BTN_BACK, IDS_BACK);
    PlaceItem(IDC_BTN_README, 5, 335, 90, 25);
    SetItemText(IDC_BTN_README, IDS_VIEW_README);
    PlaceItem(IDC_BTN_CANCEL, 415, 335, 70, 25);
    SetItemText(IDC_BTN_CANCEL, IDS_CANCEL);
    PlaceItem(IDC_BTN_NEXT, 345, 335, 70, 25);
    SetItemText(IDC_BTN_NEXT, IDS_NEXT);

    m_picture.reset(::LoadImageW(instance, MAKEINTRESOURCEW(IDB_WIZARD_PICTURE), IMAGE_BITMAP, 0, 0, 0));
    return true;
}

void CTolvaDialog::OnNext()
{
    if (!m_pNextPage) {
        return;
    }
    if (m_pNextPage->Create()) {
        ShowPage(*m_pNextPage);
    }
}

void CTolvaDialog::OnBack()
{
    if (m_pPrevPage && m_pPrevPage->Create()) {
        ShowPage(*m_pPrevPage);
    }
}

void CTolvaDialog::OnCancel()
{
    CleanUpWorkFolder();
    if (g_pMainPage) {
        g_pMainPage->EndDialog(IDCANCEL);
    }
}

void CTolvaDialog::OnReadme()
{
    if (!g_pReadmePage || !g_pReadmePage->Window()) {
        return;
    }
    g_pReadmePage->m_pPrevPage = this;
    ShowPage(*g_pReadmePage);
}

void CTolvaDialog::ShowPage(CTolvaDialog& target)
{
    RECT position{};
    ::GetWindowRect(m_hWnd, &position);
    ::SetWindowPos(target.m_hWnd, HWND_TOP, position.left, position.top, kPageWidth, kPageHeight, SWP_SHOWWINDOW);
    ::ShowWindow(m_hWnd, SW_HIDE);
}

void CTolvaDialog::OnPaint()
{
    PAINTSTRUCT paint{};
    HDC target = ::BeginPaint(m_hWnd, &paint);
    if (target && m_picture) {
        UniqueMemoryDc source(::CreateCompatibleDC(target));
        if (source) {
            HGDIOBJ previous = ::SelectObject(source.get(), m_picture.get());
            ::BitBlt(target, 0, 0, kPictureWidth, kPictureHeight, source.get(), 0, 0, SRCCOPY);
            ::SelectObject(source.get(), previous);
        }
    }
    ::EndPaint(m_hWnd, &paint);
}

void CTolvaDialog::PlaceItem(int id, int x, int y, int width, int height)
{
    ::SetWindowPos(Item(id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTolvaDialog::ShowItem(int id) { ::ShowWindow(Item(id), SW_SHOW); }

void CTolvaDialog::EnableItem(int id, bool enable) { ::EnableWindow(Item(id), enable ? TRUE : FALSE); }

void CTolvaDialog::SetItemText(int id, UINT stringId)
{
    ::SetWindowTextW(Item(id), LoadText(stringId).c_str());
    ShowItem(id);
}

void CTolvaDialog::SetItemFont(int id, const wchar_t* face, int points, COLORREF colour, bool bold)
{
    HWND control = Item(id);
    HDC screen = ::GetDC(m_hWnd);
    const int height = -::MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(m_hWnd, screen);
    UniqueGdiObject font(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_ROMAN, face));
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);

    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    ::SendMessageW(control, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    format.dwEffects &= ~CFE_AUTOCOLOR;
    format.dwMask = CFM_COLOR | CFM_BOLD;
    format.crTextColor = colour;
    if (bold) {
        format.dwEffects |= CFE_BOLD;
    } else {
        format.dwEffects &= ~CFE_BOLD;
    }
    ::SendMessageW(control, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    if (::GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_TRANSPARENT) {
        ::SendMessageW(control, EM_SETBKGNDCOLOR, 0, kPanelColour);
    }
    // The control keeps using the font, so the page keeps it until it goes.
    for (auto& [itemId, itemFont] : m_fonts) {
        if (itemId == id) {
            itemFont = std::move(font);
            return;
        }
    }
    m_fonts.emplace_back(id, std::move(font));
}

void CTolvaDialog::StreamRtfFile(int id, const wchar_t* fileName)
{
    UniqueFile file(::CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
    stream.pfnCallback = ReadRtf;
    ::SendMessageW(Item(id), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}
