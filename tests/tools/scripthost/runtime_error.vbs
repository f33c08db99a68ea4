WScript.Echo "before error"
divisor = 0
' The next line fails.
result = 1 / divisor
WScript.Echo "not reached"
