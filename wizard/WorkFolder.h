// The work folder (the user's temporary folder) and its clean-up.
#pragma once

// The work-folder marker: the first page built saves the current folder and makes the work
// folder current; the first page destroyed restores the saved folder.
void EnterWorkFolder();
void LeaveWorkFolder();
bool IsInWorkFolder();

// Disconnects from the server, deletes every carried file from the work folder (skipping
// those that cannot be deleted) and deletes the resume value. Runs on every way out of
// the wizard except an armed update.
void CleanUpWorkFolder();
