WScript.Echo("before quit");
WScript.Quit(3);
WScript.Echo("not reached");
