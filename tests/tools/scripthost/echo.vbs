' Echo joins its arguments with blanks; an empty call prints an empty line.
WScript.Echo "echo", 1, "two", 2.5
WScript.Echo
WScript.Echo "empty:" & "[" & "]", Empty, "end"
WScript.StdOut.WriteLine "stdout line"
WScript.StdOut.Write "partial "
WScript.StdOut.WriteLine "line"
WScript.Echo WScript.ScriptName
