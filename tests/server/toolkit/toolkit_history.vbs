' A scripting client's install goes into the history of changes as the command line's does:
' the script loads an INI file and installs its tokens on a fresh demo board, and the last
' record of the history names the install, the file loaded and its components, and the script
' host (cscript.exe) as the program that made the change.
' Arguments: the INI file, the history file (the one PELLAM_HISTORY names for the server).
Option Explicit

Const kTokens = 16

Dim toolkit, fso, failures, iniFile, historyFile, before, after, record
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

' The history's lines, none when there is no file yet.
Function HistoryLines()
    Dim stream, text
    HistoryLines = Array()
    If Not fso.FileExists(historyFile) Then Exit Function
    Set stream = fso.OpenTextFile(historyFile, 1)
    If Not stream.AtEndOfStream Then text = stream.ReadAll()
    stream.Close
    If Len(text) > 0 Then HistoryLines = Split(Left(text, Len(text) - 1), vbLf)
End Function

Function LineCount()
    LineCount = UBound(HistoryLines()) + 1
End Function

Function Has(line, member)
    Has = InStr(1, line, member, vbTextCompare) > 0
End Function

iniFile = WScript.Arguments(0)
historyFile = WScript.Arguments(1)
Set fso = CreateObject("Scripting.FileSystemObject")
before = LineCount()

Set toolkit = CreateObject("Server.Toolkit.1")
toolkit.LoadINIFile iniFile, kTokens
Check LineCount() = before, "loading a file writes no record"
toolkit.Install kTokens
Check Err.Number = 0, "the install succeeds"
Set toolkit = Nothing

after = HistoryLines()
Check UBound(after) = before, "the install appends one record (" & before & " lines before, " & (UBound(after) + 1) & " after)"
If UBound(after) >= 0 Then
    record = after(UBound(after))
    Check Has(record, """operation"":""install"""), "the record is an install: " & record
    Check Has(record, """components"":[""tokens""]"), "the record names the tokens: " & record
    Check Has(record, "\\cscript.exe"","), "the record names the script host: " & record
    Check Has(record, """file"":""" & Replace(fso.GetAbsolutePathName(iniFile), "\", "\\") & """"), "the record names the file: " & record
    Check Not Has(record, """sha256"":"""","), "the record holds the file's digest: " & record
End If

If failures = 0 Then WScript.Echo "toolkit_history.vbs: OK"
WScript.Quit failures
