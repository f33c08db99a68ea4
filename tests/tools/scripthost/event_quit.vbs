' WScript.Quit inside an event handler ends the whole script with its code.
Sub Source_OnPing(value, text)
    WScript.Quit value
End Sub
Set source = WScript.CreateObject("ScriptHostTest.EventSource", "Source_")
source.Ping 4, "four"
WScript.Echo "not reached"
