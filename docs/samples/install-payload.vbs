' Installs a fan-control payload file into the running system and tells what happens on the
' way (docs/payload-files.md).
' Run with: cscript //nologo install-payload.vbs FILE
' A relative FILE is taken from the folder the script is started in.
' Exit code: 0 installed, 1 refused or failed, 2 wrong usage.
Option Explicit

Dim toolkit, events, step

Sub Toolkit_OnInstallStart(mask)
    WScript.Echo "Installing the payload..."
End Sub
Sub Toolkit_OnInstallSuccess(mask)
    WScript.Echo "Installed the payload."
End Sub
Sub Toolkit_OnPayloadError(text)
    WScript.Echo "Payload error: " & text
End Sub
Sub Toolkit_OnBIOSModifiedFlagSetFailure()
    WScript.Echo "The firmware could not be marked as modified."
End Sub

' The toolkit, with its events connected to the Toolkit_ handlers where the host can do that.
Function CreateToolkit()
    events = False
    On Error Resume Next
    Set CreateToolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
    If Err.Number = 0 Then
        events = True
        Exit Function
    End If
    On Error GoTo 0
    Set CreateToolkit = CreateObject("Server.Toolkit.1")
    WScript.Echo "Events are not available in this script host; going on without them."
End Function

Sub InstallPayload(file)
    ' The toolkit makes the host program's folder current: a relative name is made a full
    ' name first, while the folder the script was started in is still current.
    step = "finding the file"
    file = CreateObject("Scripting.FileSystemObject").GetAbsolutePathName(file)
    step = "creating the toolkit"
    Set toolkit = CreateToolkit()
    step = "naming the payload"
    toolkit.CreateEmptyConfiguration
    toolkit.AddPayload file
    step = "installing " & file
    toolkit.Install 8
    If events Then WScript.DisconnectObject toolkit
End Sub

If WScript.Arguments.Count <> 1 Then
    WScript.Echo "Usage: install-payload.vbs FILE"
    WScript.Quit 2
End If

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports the first error itself.
On Error Resume Next
InstallPayload WScript.Arguments(0)
If Err.Number <> 0 Then
    WScript.Echo "install-payload.vbs: " & step & " failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "install-payload.vbs: OK"
