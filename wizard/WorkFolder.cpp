#include "WorkFolder.h"

#include "PayloadFiles.h"
#include "ResumeValue.h"
#include "ToolkitConnection.h"
#include "WizardState.h"

namespace {
bool g_workFolderMarker = false;
}

void EnterWorkFolder()
{
    if (g_workFolderMarker) {
        return;
    }
    g_workFolderMarker = true;
    // A path that does not fit is stored as empty rather than truncated: a truncated
    // folder would send the carried files (and their deletion) somewhere else.
    const DWORD saved = ::GetCurrentDirectoryW(MAX_PATH, g_szSavedFolder);
    if (saved == 0 || saved >= MAX_PATH) {
        g_szSavedFolder[0] = L'\0';
    }
    const DWORD work = ::GetTempPathW(MAX_PATH, g_szWorkFolder);
    if (work == 0 || work >= MAX_PATH) {
        g_szWorkFolder[0] = L'\0';
    }
    if (g_szWorkFolder[0]) {
        ::SetCurrentDirectoryW(g_szWorkFolder);
    }
}

void LeaveWorkFolder()
{
    if (!g_workFolderMarker) {
        return;
    }
    if (g_szSavedFolder[0]) {
        ::SetCurrentDirectoryW(g_szSavedFolder);
    }
    g_workFolderMarker = false;
}

bool IsInWorkFolder() { return g_workFolderMarker; }

void CleanUpWorkFolder()
{
    ReleaseToolkit();
    // Deleting by bare name anywhere but the work folder could remove a user's own files
    // (a download folder holding a library of the same name), so nothing is deleted then.
    if (g_szWorkFolder[0] && ::SetCurrentDirectoryW(g_szWorkFolder)) {
        for (const CarriedFile& file : CarriedFiles()) {
            ::DeleteFileW(file.name);
        }
    }
    DeleteResumeValue();
}
