' Quit must end the script even where errors are ignored.
On Error Resume Next
WScript.Quit 5
WScript.Echo "not reached"
