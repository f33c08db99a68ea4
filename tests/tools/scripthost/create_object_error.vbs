Set missing = WScript.CreateObject("ScriptHostTest.NoSuchObject")
WScript.Echo "not reached"
