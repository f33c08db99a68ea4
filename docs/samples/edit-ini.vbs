' Loads a configuration from an INI file, lists every group and item, changes the system
' version string and writes the configuration to a new INI file.
' Run with: cscript //nologo edit-ini.vbs SETTINGS.INI OUTPUT.INI [NEW-SYSTEM-VERSION]
' Exit code: 0 written, 1 a step failed, 2 wrong usage.
Option Explicit

' Components: 1 BIOS image, 2 SMBIOS, 16 tokens.
Const kComponents = 19
Const kGroupSMBIOS = 8
Const kGroupRoot = 2

Dim toolkit

' Every group below `group`, depth first, with its items and their values.
Sub List(group, indent)
    Dim child, item
    WScript.Echo indent & "[" & group.Name & "]"
    For Each child In group.ChildGroupCollection
        List child, indent & "  "
    Next
    For Each item In group.DataCollection
        WScript.Echo indent & "  " & item.Name & " = " & ValueText(item)
    Next
End Sub

' An ordered list is a collection of numbers; every other value is shown as it is.
Function ValueText(item)
    Dim value, element
    If item.Type = 5 Then
        ValueText = "list:"
        For Each element In item.Value
            ValueText = ValueText & " " & element
        Next
    Else
        value = item.Value
        ValueText = CStr(value)
    End If
End Function

Sub Edit(source, target, version)
    Dim smbios, item
    toolkit.LoadINIFile source, kComponents
    List toolkit.GetConfigGroup(kGroupRoot), ""
    Set smbios = toolkit.GetConfigGroup(kGroupSMBIOS)
    If Not smbios Is Nothing Then
        For Each item In smbios.DataCollection
            If item.Name = "System Version" Then item.Value = version
        Next
    End If
    toolkit.WriteINIFile target, kComponents
End Sub

If WScript.Arguments.Count < 2 Then
    WScript.Echo "Usage: edit-ini.vbs SETTINGS.INI OUTPUT.INI [NEW-SYSTEM-VERSION]"
    WScript.Quit 2
End If
Dim version
version = "Edited"
If WScript.Arguments.Count > 2 Then version = WScript.Arguments(2)

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports an error itself.
On Error Resume Next
Set toolkit = CreateObject("Server.Toolkit.1")
If Err.Number = 0 Then Edit WScript.Arguments(0), WScript.Arguments(1), version
If Err.Number <> 0 Then
    WScript.Echo "edit-ini.vbs: failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "edit-ini.vbs: OK"
