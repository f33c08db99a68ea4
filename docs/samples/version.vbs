' Creates the toolkit and prints the version of the server.
' Run with: cscript //nologo version.vbs
' Exit code: 0 printed, 1 the server could not be created or asked.
Option Explicit

Sub ShowVersion()
    Dim toolkit
    Set toolkit = CreateObject("Server.Toolkit.1")
    WScript.Echo "Version " & toolkit.Version
    WScript.Echo "Build " & toolkit.VersionBuild
End Sub

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports an error itself: ShowVersion stops at it, and this reports it.
On Error Resume Next
ShowVersion
If Err.Number <> 0 Then
    WScript.Echo "version.vbs: failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "version.vbs: OK"
