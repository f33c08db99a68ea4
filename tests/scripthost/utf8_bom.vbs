WScript.Echo "grüße"
