' Reads what the test gives on standard input and shows each step on a line of its own.
WScript.Echo "at end first: " & WScript.StdIn.AtEndOfStream
WScript.Echo "line 1: [" & WScript.StdIn.ReadLine & "]"
WScript.Echo "line 2: [" & WScript.StdIn.ReadLine & "]"
WScript.Echo "line 3: [" & WScript.StdIn.ReadLine & "]"
WScript.Echo "at end last: " & WScript.StdIn.AtEndOfStream
On Error Resume Next
WScript.StdIn.ReadLine
WScript.Echo "past the end: " & Err.Number & " " & Err.Description
