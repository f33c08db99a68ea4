WScript.Echo "before quit"
WScript.Quit 7
WScript.Echo "not reached"
