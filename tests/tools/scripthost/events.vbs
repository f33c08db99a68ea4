' Needs the test event source "ScriptHostTest.EventSource" registered.
Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        WScript.Quit 2
    End If
End Sub

pings = ""
Sub Source_OnPing(value, text)
    pings = pings & value & ":" & text & ";"
End Sub
Sub Source_OnQuery(answer)
    Check answer = "unanswered", "the handler sees the caller's value"
    answer = "from the handler"
End Sub
Sub Other_OnPing(value, text)
    pings = pings & "other " & value & ";"
End Sub

Set source = WScript.CreateObject("ScriptHostTest.EventSource", "Source_")
Check source.SinkCount = 1, "CreateObject with a prefix connects"
source.Ping 1, "one"
source.Ping 2, "two"
Check pings = "1:one;2:two;", "handlers run with the event's arguments: " & pings
Check source.Query() = "from the handler", "a ByRef argument comes back to the source"

WScript.DisconnectObject source
Check source.SinkCount = 0, "DisconnectObject unadvises"
source.Ping 3, "three"
Check pings = "1:one;2:two;", "no events after DisconnectObject"

Set plain = CreateObject("ScriptHostTest.EventSource")
WScript.ConnectObject plain, "Other_"
Check plain.SinkCount = 1, "ConnectObject connects"
plain.Ping 4, "four"
Check pings = "1:one;2:two;other 4;", "ConnectObject handlers run"
' Other_OnQuery does not exist: the event is ignored and the value stays.
Check plain.Query() = "unanswered", "unhandled events are ignored"
WScript.Echo "events ok"
