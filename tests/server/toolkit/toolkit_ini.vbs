' INI files from a script: the refusals a script sees, warnings as events, the loaded tree
' walked with For Each, and a failed write that leaves no file. Run under our script host,
' which connects events. Success codes (the warnings result among them) never reach a
' script: the engines drop them, so their C++ tests check those results.
' Argument: the sample settings file.
Option Explicit

Dim toolkit, fso, folder, failures, missingValues, groups, items
failures = 0
missingValues = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Sub Toolkit_OnINIMissingValue(section, keyword)
    missingValues = missingValues + 1
End Sub

Sub Walk(group)
    Dim child, item
    groups = groups + 1
    For Each child In group.ChildGroupCollection
        Walk child
    Next
    For Each item In group.DataCollection
        items = items + 1
    Next
End Sub

Sub Expect(number, description, what)
    Check Err.Number = number, what & " gives &H" & Hex(number) & ", got &H" & Hex(Err.Number)
    Check Err.Description = description, what & " description: " & Err.Description
    Err.Clear
End Sub

Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName())
fso.CreateFolder folder

On Error Resume Next
toolkit.Install 19
Expect &H82390005, "No configuration has been loaded.  The operation cannot continue.", "Install before a load"
toolkit.LoadINIFile fso.BuildPath(folder, "absent.ini"), 19
Expect &H82390006, "An invalid INI filename was specified.", "a missing file"
toolkit.CreateEmptyConfiguration
Check Err.Number = 0, "nothing was loaded by the missing file"
Err.Clear
toolkit.Reset
On Error GoTo 0

toolkit.LoadINIFile WScript.Arguments(0), 19
groups = 0
items = 0
Walk toolkit.GetConfigGroup(2)
Check groups = 8, "8 groups, got " & groups
Check items = 15, "15 items, got " & items
Check missingValues = 0, "the sample misses no value"
Check toolkit.GetConfigGroup(8).DataCollection.Item(8).Value = "", "a prompt request has no value"

On Error Resume Next
toolkit.LoadINIFile WScript.Arguments(0), 19
Expect &H8239002D, "A configuration has already been loaded.", "a second load"
toolkit.WriteINIFile fso.BuildPath(folder, "missing\out.ini"), 19
Check Err.Number <> 0, "a write into a missing folder fails"
Err.Clear
On Error GoTo 0
Check Not fso.FileExists(fso.BuildPath(folder, "missing\out.ini")), "no file is left"

' Seven SMBIOS strings are missing: seven warnings. The tree has no BIOS image group.
toolkit.Reset
Dim short
short = fso.BuildPath(folder, "short.ini")
With fso.CreateTextFile(short)
    .WriteLine "[System]"
    .WriteLine "INIversion=2.9"
    .WriteLine "[SMBIOS.values]"
    .WriteLine "SystemProduct=Desk"
    .Close
End With
toolkit.LoadINIFile short, 2
Check missingValues = 7, "7 missing values, got " & missingValues
Check toolkit.GetConfigGroup(6) Is Nothing, "no BIOS image group"
toolkit.WriteINIFile fso.BuildPath(folder, "copy.ini"), 2
Check fso.FileExists(fso.BuildPath(folder, "copy.ini")), "the copy is written"
toolkit.Reset
toolkit.LoadINIFile WScript.Arguments(0), 17
Check toolkit.GetConfigGroup(8) Is Nothing, "no SMBIOS group without the SMBIOS bit"
toolkit.Reset

fso.DeleteFolder folder
WScript.DisconnectObject toolkit
If failures = 0 Then
    WScript.Echo "toolkit_ini.vbs: OK"
Else
    WScript.Quit 1
End If
