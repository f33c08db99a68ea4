' A runtime error inside an event handler fails the script and stops it.
Sub Source_OnPing(value, text)
    divisor = 0
    result = value / divisor
End Sub
Set source = WScript.CreateObject("ScriptHostTest.EventSource", "Source_")
source.Ping 1, "one"
WScript.Echo "not reached"
