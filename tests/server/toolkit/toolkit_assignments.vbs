' What a script may assign to each kind of item of a configuration read from the emulated
' demo board, and what a write makes of it: a value that converts to the item's type is
' taken in that type and written; any other value is refused at the assignment with a
' description naming the item, and the write after it succeeds. A configuration whose load
' failed is neither written nor installed, and a read-only file is not replaced.
' Runs under Wine's cscript and our script host. Wine's cscript prints nothing on a script
' error and exits 0, so every step runs under On Error Resume Next and reports its own
' failures; the last line, "OK", is what proves the script ran to its end.
Option Explicit

Const kComponents = 19
Const kWrongType = &H82390034
Const kOutOfRange = &H82390011
Const kIncomplete = "The loaded configuration could not be built completely, so it cannot be written or installed.  Call Reset and load a configuration again."

Dim toolkit, fso, folder, failures
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

' Assigns `value` to `item` (Set for objects) and checks the answer: 0 when it is taken,
' else the code, and a description naming the item.
' An error inside a procedure without its own On Error would end the procedure and skip its
' checks, so each procedure that meets errors resumes by itself.
Sub Assign(item, value, expected, what)
    On Error Resume Next
    Dim name
    name = item.Name
    Err.Clear
    If IsObject(value) Then
        Set item.Value = value
    Else
        item.Value = value
    End If
    Check Err.Number = expected, what & ": &H" & Hex(expected) & " expected, got &H" & Hex(Err.Number)
    If expected <> 0 Then
        Check InStr(Err.Description, name) > 0, what & ": the description names " & name & ": " & Err.Description
    End If
    Err.Clear
End Sub

' The value and its variant type after an assignment.
Sub ExpectValue(item, value, varType, what)
    Check item.Value = value, what & ": value " & item.Value
    Check VarType(item.Value) = varType, what & ": variant type " & VarType(item.Value)
End Sub

Function ReadBytes(path)
    With fso.OpenTextFile(path)
        ReadBytes = .ReadAll
        .Close
    End With
End Function

Sub WriteText(path, text)
    With fso.CreateTextFile(path, True)
        .Write text
        .Close
    End With
End Sub

' A write that is refused for a configuration whose load failed, and the file left as it was.
Sub ExpectIncompleteRefused(path, what)
    On Error Resume Next
    Dim before, existed
    existed = fso.FileExists(path)
    If existed Then before = ReadBytes(path)
    Err.Clear
    toolkit.WriteINIFile path, kComponents
    Check Err.Number = &H82390005, what & ": write refused, got &H" & Hex(Err.Number)
    Check Err.Description = kIncomplete, what & ": write description: " & Err.Description
    Err.Clear
    toolkit.Install kComponents
    Check Err.Number = &H82390005, what & ": install refused, got &H" & Hex(Err.Number)
    Check Err.Description = kIncomplete, what & ": install description: " & Err.Description
    Err.Clear
    If existed Then
        Check ReadBytes(path) = before, what & ": the file is byte for byte as it was"
    Else
        Check Not fso.FileExists(path), what & ": no file is made"
    End If
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName())
fso.CreateFolder folder
Set toolkit = CreateObject("Server.Toolkit.1")
On Error Resume Next

' --- Items read from the board ---
Dim number, choice, switch, text, list, written
toolkit.LoadConfigFromSystem kComponents
Check Err.Number = 0, "the board is read: &H" & Hex(Err.Number)
Err.Clear
Set number = toolkit.GetTokenSetting(CLng(&H108))     ' Start-up message time, 0 to 10
Set choice = toolkit.GetTokenSetting(CLng(&H100))     ' System language, four choices
Set switch = toolkit.GetTokenSetting(CLng(&H101))     ' Quiet boot
Set list = toolkit.GetTokenSetting(CLng(&H20E))       ' UEFI boot order
Set text = toolkit.GetConfigGroup(8).DataCollection.Item(1)   ' System Manufacturer

Assign number, 7, 0, "Integer: a VBScript integer"
ExpectValue number, 7, vbLong, "Integer: 7"
Assign number, CDbl(4), 0, "Integer: a whole double"
ExpectValue number, 4, vbLong, "Integer: 4.0"
Assign number, "8", 0, "Integer: numeric text"
ExpectValue number, 8, vbLong, "Integer: ""8"""
Assign number, 7.5, kWrongType, "Integer: a fraction"
Assign number, "eight", kWrongType, "Integer: text"
Assign number, True, kWrongType, "Integer: a boolean"
Assign number, Nothing, kWrongType, "Integer: Nothing"
Assign number, Null, kWrongType, "Integer: Null"
Assign number, Array(1), kWrongType, "Integer: an array"
' The bounds check holds for tokens read from the system.
Assign number, 11, kOutOfRange, "Integer: 11 for 0 to 10"
Assign number, -1, kOutOfRange, "Integer: -1 for 0 to 10"
ExpectValue number, 8, vbLong, "Integer: a refused value leaves the value"

Assign choice, CInt(2), 0, "Choice: a VBScript integer"
ExpectValue choice, 2, vbLong, "Choice: 2"
Assign choice, CDbl(1), 0, "Choice: a whole double"
Assign choice, "3", 0, "Choice: numeric text"
ExpectValue choice, 3, vbLong, "Choice: ""3"""
Assign choice, 2.5, kWrongType, "Choice: a fraction"
Assign choice, True, kWrongType, "Choice: a boolean"
Assign choice, Nothing, kWrongType, "Choice: Nothing"
Assign choice, "English", kOutOfRange, "Choice: a choice's text is not its value"
Assign choice, 12345, kOutOfRange, "Choice: a value none of the choices has"
Check choice.ChoiceCollection.Count = 4, "Choice: no choice is added, " & choice.ChoiceCollection.Count
ExpectValue choice, 3, vbLong, "Choice: a refused value leaves the value"

Assign switch, 0, 0, "Bool: 0"
ExpectValue switch, False, vbBoolean, "Bool: 0"
Assign switch, 1, 0, "Bool: 1"
ExpectValue switch, True, vbBoolean, "Bool: 1"
Assign switch, False, 0, "Bool: False"
Assign switch, 2.5, 0, "Bool: a double"
ExpectValue switch, True, vbBoolean, "Bool: 2.5"
Assign switch, "yes", kWrongType, "Bool: text"
Assign switch, Nothing, kWrongType, "Bool: Nothing"
Assign switch, Null, kWrongType, "Bool: Null"

Dim order, first
Set order = list.Value
order.Swap 0, 1
first = order.Item(1)
Assign list, order, 0, "OrderedList: a collection, with Set"
Check list.Value.Item(1) = first, "OrderedList: the first entry is " & list.Value.Item(1)
Assign list, 7, kWrongType, "OrderedList: a number"
Assign list, Nothing, kWrongType, "OrderedList: Nothing"

Assign text, "Maker", 0, "String: text"
Assign text, 123, kWrongType, "String: a number"
Assign text, 1.5, kWrongType, "String: a double"
Assign text, True, kWrongType, "String: a boolean"
Assign text, Nothing, kWrongType, "String: Nothing"
Assign text, Null, kWrongType, "String: Null"
Assign text, Array("a"), kWrongType, "String: an array"
Assign text, "two" & vbCrLf & "lines", kOutOfRange, "String: a line break"
Assign text, "nul" & ChrW(0), kOutOfRange, "String: a NUL"
' A lone surrogate: no ANSI code page (UTF-8 neither) holds it.
Assign text, "x" & ChrW(&HD800), kOutOfRange, "String: a character outside the code page"
Assign text, String(300, "x"), kOutOfRange, "String: 300 characters"
' "SystemManufacturer=" and 130 bytes fill an INI line of 149 bytes.
Assign text, String(131, "y"), kOutOfRange, "String: 131 characters"
Assign text, String(130, "y"), 0, "String: 130 characters"
ExpectValue text, String(130, "y"), vbString, "String: a refused value leaves the value"

written = fso.BuildPath(folder, "assigned.ini")
Err.Clear
toolkit.WriteINIFile written, kComponents
Check Err.Number = 0, "the assigned values are written: &H" & Hex(Err.Number) & " " & Err.Description
Err.Clear
toolkit.Reset

' Read back, the values are the ones assigned.
toolkit.LoadINIFile written, kComponents
Check Err.Number = 0, "the written file loads: &H" & Hex(Err.Number)
Err.Clear
Check toolkit.GetTokenSetting(CLng(&H108)).Value = 8, "read back: the number"
Check toolkit.GetTokenSetting(CLng(&H100)).Value = 3, "read back: the choice"
Check toolkit.GetConfigGroup(8).DataCollection.Item(1).Value = String(130, "y"), "read back: the text"
Check toolkit.GetTokenSetting(CLng(&H20E)).Value.Item(1) = first, "read back: the list"

' --- A token read from a file: the script's plain number is written ---
Set number = toolkit.GetTokenSetting(CInt(&H108))
Assign number, 7, 0, "file token: 7"
Assign number, 7.5, kWrongType, "file token: 7.5"
Assign number, Nothing, kWrongType, "file token: Nothing"
Err.Clear
toolkit.WriteINIFile written, kComponents
Check Err.Number = 0, "a file token set by a script is written: &H" & Hex(Err.Number) & " " & Err.Description
Err.Clear
Check InStr(ReadBytes(written), "[SETTING_0108]" & vbCrLf & "Value=7" & vbCrLf) > 0, "the file holds Value=7"
toolkit.Reset

' --- A failed load leaves its part loaded, but neither writes nor installs it ---
Dim damaged, good
good = ReadBytes(written)
damaged = fso.BuildPath(folder, "damaged.ini")
WriteText damaged, Replace(good, "[SETTING_0108]" & vbCrLf & "Value=7", "[SETTING_0108]" & vbCrLf & "Value=abc")
toolkit.LoadINIFile damaged, kComponents
Check Err.Number = &H80004005, "a token value abc fails the load, got &H" & Hex(Err.Number)
Err.Clear
Check toolkit.GetTokenSetting(CLng(&H100)).Value = 3, "the part read before the failure can be looked at"
Err.Clear
ExpectIncompleteRefused damaged, "a failed token load"
ExpectIncompleteRefused fso.BuildPath(folder, "new.ini"), "a failed token load, a new file"
toolkit.Reset

WriteText damaged, Replace(good, "INIversion=2.9", "INIversion=3.0")
toolkit.LoadINIFile damaged, kComponents
Check Err.Number <> 0, "version 3.0 fails the load"
Err.Clear
ExpectIncompleteRefused damaged, "a refused version"
toolkit.Reset

' The board's fan-control sequence is no sequence: reading its cooling settings fails the read.
toolkit.LoadConfigFromSystem kComponents + 4
Check Err.Number = &H80004005, "a failed read of the system, got &H" & Hex(Err.Number)
Err.Clear
ExpectIncompleteRefused written, "a failed read of the system"
toolkit.Reset

' --- A read-only file is not replaced ---
Dim before
toolkit.LoadINIFile written, kComponents
Err.Clear
before = ReadBytes(written)
fso.GetFile(written).Attributes = 1
toolkit.GetTokenSetting(CLng(&H108)).Value = 9
toolkit.WriteINIFile written, kComponents
Check Err.Number = &H80004005, "a read-only file is refused, got &H" & Hex(Err.Number)
Check Err.Description = "An error occurred while writing to the file.  Verify that the read-only flag is not set.", _
    "read-only description: " & Err.Description
Err.Clear
Check ReadBytes(written) = before, "the read-only file is byte for byte as it was"
Check 1 = (fso.GetFile(written).Attributes And 1), "the file is still read-only"
fso.GetFile(written).Attributes = 0
toolkit.WriteINIFile written, kComponents
Check Err.Number = 0, "once writable it is written: &H" & Hex(Err.Number)
Err.Clear
toolkit.Reset

Check Err.Number = 0, "no error is left: &H" & Hex(Err.Number) & " " & Err.Description
On Error GoTo 0
fso.DeleteFolder folder, True
If failures = 0 Then
    WScript.Echo "toolkit_assignments.vbs: OK"
Else
    WScript.Quit 1
End If
