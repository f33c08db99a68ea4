' What a script meets with the INI files it loads and writes: the sample file written back
' with its token descriptions and value forms, a token section in lower case, the answers
' to files that cannot be read (wrong version, a keyword before the first section, UTF-8 with
' a byte-order mark, a device name) and a value longer than a line. Runs under both hosts;
' the events are checked where the host connects them (our script host).
' Argument: the sample settings file.
Option Explicit

Const kTokens = 16
Const kSMBIOS = 2
Const kAll = 19
Const kGroupSMBIOS = 8
Const kGroupTokens = 9

Dim toolkit, fso, folder, failures, withEvents, heard
failures = 0
heard = ""

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Sub Toolkit_OnInvalidUQIToken(name)
    heard = heard & "OnInvalidUQIToken " & name & ";"
End Sub

Sub Toolkit_OnINITruncatedValue(section, keyword, before, after)
    heard = heard & "OnINITruncatedValue " & section & " " & keyword & " " & Len(before) & " " & Len(after) & ";"
End Sub

Function ReadText(path)
    Dim stream
    Set stream = fso.OpenTextFile(path, 1)
    ReadText = stream.ReadAll()
    stream.Close
End Function

Function WriteText(name, text)
    Dim path, stream
    path = fso.BuildPath(folder, name)
    Set stream = fso.CreateTextFile(path, True)
    stream.Write text
    stream.Close
    WriteText = path
End Function

' The items as lines of a file. (Wine's VBScript has no Join.)
Function Lines(items)
    Dim item
    Lines = ""
    For Each item In items
        Lines = Lines & item & vbCrLf
    Next
End Function

' A load that must fail with `number` and `description`; the toolkit is reset after it.
Sub ExpectLoadFailure(path, number, description, what)
    On Error Resume Next
    toolkit.LoadINIFile path, kAll
    Check Err.Number = number, what & " gives &H" & Hex(number) & ", got &H" & Hex(Err.Number)
    Check Err.Description = description, what & " description: " & Err.Description
    Err.Clear
    On Error GoTo 0
    toolkit.Reset
End Sub

On Error Resume Next
Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
withEvents = Err.Number = 0
If Not withEvents Then Set toolkit = CreateObject("Server.Toolkit.1")
Err.Clear
On Error GoTo 0
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName())
fso.CreateFolder folder

' The sample written back: the tokens keep the names and choice lists of their file (no
' setup database describes them here), TRUE stays TRUE, and a second round changes nothing.
Dim written, again, text, token, names
written = fso.BuildPath(folder, "written.ini")
again = fso.BuildPath(folder, "again.ini")
toolkit.LoadINIFile WScript.Arguments(0), kAll
names = ""
For Each token In toolkit.GetConfigGroup(kGroupTokens).DataCollection
    names = names & token.Name & "|"
Next
Check names = "System language|Quiet boot|Start-up message time|UEFI boot order|", "token names: " & names
toolkit.WriteINIFile written, kAll
toolkit.Reset
text = ReadText(written)
Check InStr(text, Lines(Array("[SETTING_0100]", "Value=0", ";   System language", _
    "; ---------------------------------------", ";   Select a single value from this list:", _
    ";     0 : English", ";     1 : Fran" & Chr(231) & "ais"))) > 0, "the choice list of SETTING_0100"
Check InStr(text, Lines(Array("[SETTING_0101]", "Value=TRUE", "Lock=FALSE", ";   Quiet boot"))) > 0, _
    "SETTING_0101 keeps TRUE"
Check InStr(text, "; Select a number between 0 and 10 in") > 0, "the limits of SETTING_0108"
Check InStr(text, "-2147483648") = 0, "no limits the tokens do not have"
toolkit.LoadINIFile written, kAll
toolkit.WriteINIFile again, kAll
toolkit.Reset
Check ReadText(again) = text, "a second round trip writes the same file"

' A section whose prefix is not in capitals is no token: it is reported, and writing the
' configuration into the file does not leave it behind.
Dim lower
lower = WriteText("lower.ini", Lines(Array("[System]", "INIversion=2.9", "[SETTING_0100]", "Value=1", _
    "[setting_0108]", "Value=5")))
heard = ""
toolkit.LoadINIFile lower, kTokens
Check toolkit.GetConfigGroup(kGroupTokens).DataCollection.Count = 1, "one token read"
If withEvents Then Check heard = "OnInvalidUQIToken setting_0108;", "the ignored section is reported: " & heard
toolkit.WriteINIFile lower, kTokens
toolkit.Reset
text = ReadText(lower)
Check InStr(text, "[SETTING_0100]") > 0 And InStr(1, text, "[setting_0108]", 0) = 0, "no dead copy: " & text

' Files the toolkit cannot read: every build failure reaches a script as &H80004005, the
' description says what is wrong with the file.
Const kFail = &H80004005
ExpectLoadFailure WriteText("v30.ini", Lines(Array("[System]", "INIversion=3.0"))), kFail, _
    "The version of the specified INI file is not supported.", "version 3.0"
ExpectLoadFailure WriteText("early.ini", Lines(Array("INIversion=2.9", "[System]"))), kFail, _
    "An error occurred while reading the INI file.   Verify that the file is not invalid, corrupt, or set to read-only.", _
    "a keyword before the first section"
ExpectLoadFailure WriteText("bom.ini", Chr(239) & Chr(187) & Chr(191) & Lines(Array("[System]", "INIversion=2.9"))), _
    kFail, "The INI file is UTF-8 text with a byte-order mark; INI files are ANSI text.  Save the file as ANSI " & _
    "text (without the mark) and load it again.", "UTF-8 with a byte-order mark"
ExpectLoadFailure fso.BuildPath(folder, "nul.ini"), kFail, "The INI file name is one that Windows gives to a " & _
    "device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, also with an extension, as in NUL.INI): no file of " & _
    "that name can be read or written.  Choose another name.", "nul.ini"

' A value longer than a line is cut where the line ends, and the client hears of it.
Dim item
heard = ""
toolkit.LoadINIFile WriteText("long.ini", Lines(Array("[System]", "INIversion=2.9", "[SMBIOS.values]", _
    "SystemManufacturer=" & String(300, "x")))), kSMBIOS
Set item = toolkit.GetConfigGroup(kGroupSMBIOS).DataCollection.Item(1)
Check Len(item.Value) = 130, "the value read is cut to 130 characters, got " & Len(item.Value)
If withEvents Then
    Check heard = "OnINITruncatedValue SMBIOS.values SystemManufacturer 300 130;", "the cut is reported: " & heard
End If
toolkit.Reset

fso.DeleteFolder folder, True
If failures = 0 Then
    WScript.Echo "toolkit_ini_files.vbs: OK"
Else
    WScript.Echo "toolkit_ini_files.vbs: " & failures & " failures"
    WScript.Quit 1
End If
