' The variant collection as scripts use it: created by ProgID, edited with Add, Insert,
' Swap and Remove, read with Item and For Each; refused calls raise errors with their
' descriptions. Every check ends the script with a FAIL line; only a complete run prints OK.
Option Explicit

Sub Fail(text)
    WScript.Echo "FAIL " & text
    WScript.Quit 1
End Sub

Function Joined(collection)
    Dim element, text
    text = ""
    For Each element In collection
        If text <> "" Then text = text & ","
        text = text & CStr(element)
    Next
    Joined = text
End Function

Sub ExpectError(number, description, what)
    If Err.Number <> number Then Fail what & ": error " & Hex(Err.Number) & " instead of " & Hex(number)
    If Err.Description <> description Then Fail what & ": description """ & Err.Description & """"
    Err.Clear
End Sub

Dim c, value, element, count
Set c = CreateObject("Server.ConfigChoiceCollection.1")
If c Is Nothing Then Fail "no collection"

c.Add "Enabled"
c.Add 2
c.Add "Disabled"
If c.Count <> 3 Then Fail "Count after Add is " & c.Count
If c.Item(1) <> "Enabled" Then Fail "Item(1) is " & c.Item(1)
If c(3) <> "Disabled" Then Fail "default member c(3) is " & c(3)

value = "Auto"
c.Insert 3, value
value = "changed"
If Joined(c) <> "Enabled,2,Disabled,Auto" Then Fail "after Insert at Count: " & Joined(c)
c.Insert 0, "First"
If Joined(c) <> "First,Enabled,2,Disabled,Auto" Then Fail "after Insert 0: " & Joined(c)

c.Swap 0, c.Count - 1
If Joined(c) <> "Auto,Enabled,2,Disabled,First" Then Fail "after Swap: " & Joined(c)
c.Remove 2
If Joined(c) <> "Auto,Enabled,Disabled,First" Then Fail "after Remove: " & Joined(c)

count = 0
For Each element In c
    count = count + 1
Next
If count <> c.Count Then Fail "For Each visited " & count

On Error Resume Next
c.Remove c.Count
ExpectError &H82390011, "A specified value was outside the valid range", "Remove(Count)"
c.Insert c.Count + 1, "x"
ExpectError &H82390011, "A specified INI value is not within the valid range.", "Insert(Count+1)"
c.Swap 0, 4
ExpectError &H82390011, "A specified INI value is not within the valid range.", "Swap(0, 4)"
value = c.Item(0)
If Err.Number <> &H80070057 Then Fail "Item(0): error " & Hex(Err.Number)
Err.Clear
value = c.Item(5)
If Err.Number <> &H80004005 Then Fail "Item(Count+1): error " & Hex(Err.Number)
Err.Clear
On Error GoTo 0

If Joined(c) <> "Auto,Enabled,Disabled,First" Then Fail "refused calls changed the list: " & Joined(c)
c.Clear
If c.Count <> 0 Then Fail "Clear left " & c.Count

Dim group
Set group = CreateObject("Server.ConfigGroup.1")
count = 0
For Each element In group.ChildGroupCollection
    count = count + 1
Next
For Each element In group.DataCollection
    count = count + 1
Next
If count <> 0 Then Fail "a new group has " & count & " children"

Dim u, back
Set u = CreateObject("Server.Utility.1")
c.Add 7
Set back = u.GetVariantCollectionFromVariant(c)
If back.Item(1) <> 7 Then Fail "utility gave back another collection"

WScript.Echo "choice_collection.vbs: OK"
