WScript.Echo("not reached");
var = ;
