WScript.Echo("before error");
var nothing = null;
nothing.call();
WScript.Echo("not reached");
