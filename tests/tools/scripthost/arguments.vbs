' Run with the arguments: first "second word" 3
Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        WScript.Quit 2
    End If
End Sub

Set args = WScript.Arguments
Check args.Count = 3, "Count"
Check args.length = 3, "length"
Check args(0) = "first", "default member"
Check WScript.Arguments(1) = "second word", "WScript.Arguments(i)"
Check args.Item(2) = "3", "Item"
joined = ""
For Each a In args
    joined = joined & "<" & a & ">"
Next
Check joined = "<first><second word><3>", "For Each"
On Error Resume Next
x = args(3)
Check Err.Number <> 0, "index past the end fails"
On Error GoTo 0
WScript.Echo "arguments ok"
