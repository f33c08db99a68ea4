' Events of the toolkit reach script handlers connected by the host. Run from a folder whose
' "Preferences.ini" names a log file that cannot be opened: the first report then fires
' OnDiagnosticsError, and only once.
Option Explicit

Dim diagnosticsErrors, toolkit, same
diagnosticsErrors = 0

Sub Toolkit_OnDiagnosticsError()
    diagnosticsErrors = diagnosticsErrors + 1
End Sub

Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
Set same = CreateObject("Server.Toolkit.1")

On Error Resume Next
same.Reboot
same.Verify 1
toolkit.Reboot
On Error GoTo 0

If diagnosticsErrors <> 1 Then
    WScript.Echo "FAIL: OnDiagnosticsError came " & diagnosticsErrors & " times"
    WScript.Quit 1
End If
WScript.DisconnectObject toolkit
WScript.Echo "toolkit_events.vbs: OK"
