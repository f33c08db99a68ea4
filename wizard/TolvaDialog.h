// The base of every wizard page: a top-level dialog window built from template 102, with
// the picture, the title and body texts and the four buttons.
#pragma once

#include "GdiOwners.h"

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

class CTolvaDialog {
public:
    // The first page built makes the work folder current; `previousPage` is shown by Back.
    explicit CTolvaDialog(CTolvaDialog* previousPage);
    virtual ~CTolvaDialog();
    CTolvaDialog(const CTolvaDialog&) = delete;
    CTolvaDialog& operator=(const CTolvaDialog&) = delete;

    // Creates the page's window, hidden and without parent.
    bool Create();
    // Shows the page and runs the wizard's message loop until EndDialog on this page.
    INT_PTR DoModal();
    // Hides the page; when the page runs the loop, ends it with `result`.
    void EndDialog(INT_PTR result);
    HWND Window() const { return m_hWnd; }

    CTolvaDialog* m_pPrevPage;
    std::unique_ptr<CTolvaDialog> m_pNextPage;

protected:
    // The common initialisation; pages add their own steps after calling it. Returns
    // whether the dialog manager should set the focus.
    virtual bool OnInitDialog();
    virtual void OnNext();
    virtual void OnBack();
    virtual void OnCancel();
    virtual void OnReadme();
    virtual void OnControlCommand(int, int) {}
    virtual LRESULT OnNotify(const NMHDR&) { return 0; }

    // Moves `target` to this page's screen position, shows it and hides this page.
    void ShowPage(CTolvaDialog& target);
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void PlaceItem(int id, int x, int y, int width, int height);
    void ShowItem(int id);
    void EnableItem(int id, bool enable);
    // Sets the string as the control's text and shows the control.
    void SetItemText(int id, UINT stringId);
    // Font, colour and weight of a rich-edit control's default character format.
    void SetItemFont(int id, const wchar_t* face, int points, COLORREF colour, bool bold);
    // Streams an RTF file of the current folder into a rich-edit control.
    void StreamRtfFile(int id, const wchar_t* fileName);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool PreTranslate(MSG& message);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void OnEscape();
    void OnPaint();

    HWND m_hWnd = nullptr;
    UniqueGdiObject m_picture;
    std::vector<std::pair<int, UniqueGdiObject>> m_fonts;
    bool m_runningModal = false;
    bool m_modalEnded = false;
    INT_PTR m_modalResult = 0;
};

// Builds the readme page once, with `builder` as the page it returns to.
void CreateReadmePage(CTolvaDialog* builder);
// Destroys the readme page at the end of the process.
void DestroyReadmePage();
