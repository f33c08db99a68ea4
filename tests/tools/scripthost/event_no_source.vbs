' An object without events cannot be connected.
Set dictionary = WScript.CreateObject("Scripting.Dictionary", "Dictionary_")
WScript.Echo "not reached"
