' Loads a configuration from an INI file, lists every group and item, changes the system
' version string and writes the configuration to a new INI file.
' Run with: cscript //nologo edit-ini.vbs SETTINGS.INI OUTPUT.INI [NEW-SYSTEM-VERSION]
' Relative file names are taken from the folder the script is started in.
' Exit code: 0 written, 1 a step failed, 2 wrong usage.
Option Explicit

' Components: 1 BIOS image, 2 SMBIOS, 16 tokens.
Const kComponents = 19
Const kGroupSMBIOS = 8
Const kGroupRoot = 2
Const kTypeChoice = 1
Const kTypeOrderedList = 5

Dim toolkit

' Every group below `group`, depth first, with its items and their values.
Sub List(group, indent)
    Dim child, item
    WScript.Echo indent & "[" & GroupName(group) & "]"
    For Each child In group.ChildGroupCollection
        List child, indent & "  "
    Next
    For Each item In group.DataCollection
        WScript.Echo indent & "  " & item.Name & " = " & ValueText(item)
    Next
End Sub

' The groups that only give the tree its shape have no name of their own; they are named
' here by what they hold.
Function GroupName(group)
    Dim ids, names, i
    GroupName = group.Name
    If GroupName <> "" Then Exit Function
    ids = Array(2, 3, 4, 5)
    names = Array("Configuration", "BIOS", "Settings", "Images")
    For i = 0 To UBound(ids)
        If group Is toolkit.GetConfigGroup(ids(i)) Then GroupName = names(i)
    Next
End Function

' A choice shows its text beside its number, an ordered list its entries; an image, which
' has no value to show, its summary.
Function ValueText(item)
    Dim value, element
    If item.Type = kTypeOrderedList Then
        ValueText = "list:"
        For Each element In item.Value
            ValueText = ValueText & " " & element
        Next
        Exit Function
    End If
    value = item.Value
    ValueText = CStr(value)
    If item.Type = kTypeChoice Then ValueText = ValueText & ChoiceText(item, value)
    If ValueText = "" Then ValueText = item.Description
End Function

' " (text)" for a choice value the item has a text for, else nothing.
Function ChoiceText(item, value)
    Dim text
    ChoiceText = ""
    On Error Resume Next
    text = item.GetStringForValue(value)
    If Err.Number = 0 Then ChoiceText = " (" & text & ")"
    Err.Clear
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
    WScript.Echo "Written to " & target
End Sub

If WScript.Arguments.Count < 2 Then
    WScript.Echo "Usage: edit-ini.vbs SETTINGS.INI OUTPUT.INI [NEW-SYSTEM-VERSION]"
    WScript.Quit 2
End If
Dim version, files, source, target
version = "Edited"
If WScript.Arguments.Count > 2 Then version = WScript.Arguments(2)

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports an error itself.
On Error Resume Next
' The toolkit makes the folder of the host program current (for cscript, the system
' folder), and would take relative names from there: they are made full first.
Set files = CreateObject("Scripting.FileSystemObject")
source = files.GetAbsolutePathName(WScript.Arguments(0))
target = files.GetAbsolutePathName(WScript.Arguments(1))
If Err.Number = 0 Then Set toolkit = CreateObject("Server.Toolkit.1")
If Err.Number = 0 Then Edit source, target, version
If Err.Number <> 0 Then
    WScript.Echo "edit-ini.vbs: failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "edit-ini.vbs: OK"
