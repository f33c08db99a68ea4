' Reads the configuration of the running system (BIOS information and image, SMBIOS
' strings, setup tokens) and writes it to an INI file, which LoadINIFile and Install take
' on this or another board of the same kind.
' Run with: cscript //nologo extract-system.vbs OUTPUT.INI
' A relative OUTPUT.INI is taken from the folder the script is started in.
' Exit code: 0 written, 1 a step failed, 2 wrong usage.
Option Explicit

' Components: 1 BIOS image, 2 SMBIOS, 16 tokens.
Const kComponents = 19
Const kGroupTokens = 9

Sub Extract(target)
    Dim toolkit, files
    ' The toolkit makes the folder of the host program current (for cscript, the system
    ' folder), and would write a relative name there: the name is made full first.
    Set files = CreateObject("Scripting.FileSystemObject")
    target = files.GetAbsolutePathName(target)
    Set toolkit = CreateObject("Server.Toolkit.1")
    toolkit.LoadConfigFromSystem kComponents
    WScript.Echo toolkit.GetConfigGroup(kGroupTokens).DataCollection.Count & " setup tokens read"
    toolkit.WriteINIFile target, kComponents
    WScript.Echo "Written to " & target
End Sub

If WScript.Arguments.Count <> 1 Then
    WScript.Echo "Usage: extract-system.vbs OUTPUT.INI"
    WScript.Quit 2
End If

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports an error itself.
On Error Resume Next
Extract WScript.Arguments(0)
If Err.Number <> 0 Then
    WScript.Echo "extract-system.vbs: failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "extract-system.vbs: OK"
