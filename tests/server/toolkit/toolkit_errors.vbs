' The toolkit from a script: its version, and the description of a refused method.
Option Explicit

Dim toolkit, failures
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Set toolkit = CreateObject("Server.Toolkit.1")
Check toolkit.Version = "1, 4, 1, 130", "Version is " & toolkit.Version
Check toolkit.VersionMajor = 1 And toolkit.VersionMinor = 4, "major and minor"
Check toolkit.VersionPatch = 1 And toolkit.VersionBuild = 130, "patch and build"

Dim other
Set other = CreateObject("Server.Toolkit")
Check other Is toolkit, "one toolkit per process"

On Error Resume Next
toolkit.Reboot
Check Err.Number = &H80004001, "Reboot gives E_NOTIMPL, got " & Hex(Err.Number)
Check Err.Description = "The specified operation is not supported in this version of the application.", _
    "Reboot description: " & Err.Description
Err.Clear
toolkit.Verify 1
Check Err.Number = &H80004001, "Verify gives E_NOTIMPL"
Err.Clear
On Error GoTo 0

If failures = 0 Then
    WScript.Echo "toolkit_errors.vbs: OK"
Else
    WScript.Quit 1
End If
