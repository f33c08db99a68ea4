' Installs an INI file into the running system: loads it and writes the chosen components
' into the firmware, telling what happens on the way. An SMBIOS string given as "$PROMPT$"
' in the file is asked for on the console, or taken from /answer:TEXT.
' Run with: cscript //nologo install-ini.vbs FILE.INI [MASK] [/answer:TEXT]
' MASK: 1 BIOS image, 2 SMBIOS strings, 16 tokens, added up; 18 (SMBIOS and tokens) when
' not given. A relative FILE.INI is taken from the folder the script is started in.
' Exit code: 0 installed, 1 a step failed, 2 wrong usage.
Option Explicit

Const kDefaultComponents = 18

Dim toolkit, events, step, answer, answerGiven

' The events an install fires, one readable line each.
Sub Toolkit_OnInstallStart(mask)
    WScript.Echo "Installing " & ComponentName(mask) & "..."
End Sub
Sub Toolkit_OnInstallSuccess(mask)
    WScript.Echo "Installed " & ComponentName(mask) & "."
End Sub
' index counts the entries of an ordered list from 0, and is 0 for any other token.
Sub Toolkit_OnBadTokenIniValue(uqi, name, index)
    Dim entry
    entry = ""
    If index > 0 Then entry = " (entry " & (index + 1) & " of the list)"
    WScript.Echo "Skipped token " & UqiText(uqi) & " """ & name & """: the board does not take its value" & entry & "."
End Sub
Sub Toolkit_OnUqiNotOnSystem(uqi)
    WScript.Echo "Skipped token " & UqiText(uqi) & ": this board has no such token."
End Sub
Sub Toolkit_OnINITruncatedValue(section, keyword, before, after)
    WScript.Echo "Shortened " & keyword & " to the firmware's length: """ & before & """ is installed as """ & after & """."
End Sub
Sub Toolkit_OnBIOSIDMismatch(fileId, systemId)
    WScript.Echo "The BIOS image is for " & fileId & ", this board runs " & systemId & ": not installed."
End Sub
Sub Toolkit_OnPasswordExists(text)
    WScript.Echo "A password is set already and stays: " & text
End Sub
Sub Toolkit_OnTokenNotLockable(uqi, name)
    WScript.Echo "Token " & UqiText(uqi) & " """ & name & """ cannot be locked on this board."
End Sub
Sub Toolkit_OnTokenNotHideable(uqi, name)
    WScript.Echo "Token " & UqiText(uqi) & " """ & name & """ cannot be hidden on this board."
End Sub
Sub Toolkit_OnBIOSModifiedFlagSetFailure()
    WScript.Echo "The firmware could not be marked as modified."
End Sub

' The file asks for the string: the answer given on the command line, or a line typed in.
' A response left as it came (no answer) makes the install fail.
Sub Toolkit_OnSMBIOSPrompt(prompt, response)
    WScript.Echo "The file asks: " & prompt
    If Not answerGiven Then
        ' At the end of the input, or in a host without one, the string stays unanswered.
        On Error Resume Next
        answer = WScript.StdIn.ReadLine
        If Err.Number <> 0 Then
            WScript.Echo "No answer could be read (" & Err.Description & "); give one with /answer:TEXT."
            Err.Clear
            Exit Sub
        End If
        On Error GoTo 0
    End If
    WScript.Echo "Answer: " & answer
    response = answer
End Sub

' The server passes a component as an unsigned number (VT_UI4), which VBScript can neither
' compare nor calculate with; as text it compares.
Function ComponentName(mask)
    Select Case CStr(mask)
    Case "1" : ComponentName = "the BIOS image"
    Case "2" : ComponentName = "the SMBIOS strings"
    Case "16" : ComponentName = "the setup tokens"
    Case Else : ComponentName = "component " & mask
    End Select
End Function

Function UqiText(uqi)
    UqiText = Right("000" & Hex(uqi), 4)
End Function

' The toolkit, with its events connected to the Toolkit_ handlers where the host can do that
' (WScript.CreateObject with a prefix). A host that refuses the prefix gets the toolkit
' without events; a toolkit that cannot be created at all is an error.
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

Sub Install(file, components)
    ' The toolkit makes the host program's folder current: a relative name is made a full
    ' name first, while the folder the script was started in is still current.
    step = "finding the file"
    Dim files
    Set files = CreateObject("Scripting.FileSystemObject")
    file = files.GetAbsolutePathName(file)

    step = "creating the toolkit"
    Set toolkit = CreateToolkit()
    step = "loading " & file
    toolkit.LoadINIFile file, components
    step = "installing"
    toolkit.Install components
    If events Then WScript.DisconnectObject toolkit
End Sub

Dim file, components, argument, i, positional, usage
file = ""
components = kDefaultComponents
answerGiven = False
positional = 0
usage = False
' Arguments are read by position: Wine's cscript has no WScript.Arguments.Named.
For i = 0 To WScript.Arguments.Count - 1
    argument = WScript.Arguments(i)
    If LCase(Left(argument, 8)) = "/answer:" Then
        answer = Mid(argument, 9)
        answerGiven = True
    Else
        positional = positional + 1
        If positional = 1 Then
            file = argument
        ElseIf positional = 2 And IsNumeric(argument) Then
            components = CLng(argument)
        Else
            usage = True
        End If
    End If
Next
If usage Or file = "" Then
    WScript.Echo "Usage: install-ini.vbs FILE.INI [MASK] [/answer:TEXT]"
    WScript.Quit 2
End If

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports the first error itself: Install stops at it, and this reports the step.
On Error Resume Next
Install file, components
If Err.Number <> 0 Then
    WScript.Echo "install-ini.vbs: " & step & " failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "install-ini.vbs: OK"
