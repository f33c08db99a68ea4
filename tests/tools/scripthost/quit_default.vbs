' Quit without a code ends the script successfully.
WScript.Echo "before quit"
WScript.Quit
WScript.Echo "not reached"
