WScript.Echo "not reached"
If True Then
    WScript.Echo "unterminated"
' no End If
