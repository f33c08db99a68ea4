' Reading the system from a script: the extract events in their order, seen by handlers
' that our script host connects (Wine's cscript cannot connect them), and a component that
' cannot be read failing the whole read. Runs on the emulated demo board, whose fan-control
' sequence this test's fixture has damaged.
Option Explicit

Dim toolkit, order, failures
failures = 0
order = ""

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Sub Toolkit_OnExtractStart(component)
    order = order & "start " & component & ";"
End Sub
Sub Toolkit_OnExtractSuccess(component)
    order = order & "success " & component & ";"
End Sub
Sub Toolkit_OnExtractFail(component)
    order = order & "fail " & component & ";"
End Sub

Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
toolkit.LoadConfigFromSystem 19
Check order = "start 2;success 2;start 1;success 1;start 16;success 16;", "events: " & order
Check toolkit.GetConfigGroup(8).DataCollection.Item(1).Value = "Kestrel Board Works", "the system manufacturer"
toolkit.Reset

' The board's fan-control sequence is no sequence: cooling fails, and with it the read.
order = ""
On Error Resume Next
toolkit.LoadConfigFromSystem 6
Check Err.Number = &H80004005, "a failed component gives E_FAIL, got &H" & Hex(Err.Number)
Check Err.Description = "An error occurred while retrieving data from the system.", "description: " & Err.Description
Err.Clear
On Error GoTo 0
Check order = "start 4;fail 4;start 2;success 2;", "events of the failed read: " & order
toolkit.Reset

WScript.DisconnectObject toolkit
If failures = 0 Then
    WScript.Echo "toolkit_extract_events.vbs: OK"
Else
    WScript.Quit 1
End If
