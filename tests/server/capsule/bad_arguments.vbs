' Bad input from a script to the capsule object, through IDispatch: calls before an image is
' loaded, a capsule cut short, a picture cut short, wrong-typed and missing arguments, and a
' badge position outside the picture. Each refusal is checked with its number and, where the
' server gives one, its description, and with what must not have changed: the loaded image,
' the splash picture and its room, the badge. (bad-arguments.sh compares the board's store
' byte for byte around the run.) Argument: the folder of the fixture's images.
Option Explicit

Dim folder, toolkit, capsule, number, description, remaining, x

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        WScript.Quit 1
    End If
End Sub

' The error of the call just made; an empty description is not compared.
Sub Expect(expectedNumber, expectedDescription, what)
    number = Err.Number : description = Err.Description : Err.Clear
    Check number = expectedNumber, what & ": Err.Number " & Hex(number) & ", expected " & Hex(expectedNumber)
    If expectedDescription <> "" Then
        Check description = expectedDescription, what & ": description """ & description & """"
    End If
End Sub

folder = WScript.Arguments(0)
Set toolkit = CreateObject("Server.Toolkit.1")
Set capsule = toolkit.BiosCapsule

' Calls in the wrong state: nothing is loaded yet.
On Error Resume Next
x = capsule.BiosId
Expect &H80004005, "The BIOS ID could not be determined from the specified BIO file.", "BiosId before a load"
capsule.InvokeCapsule
Expect &H80004005, "Error:  Unexpected internal failure.", "InvokeCapsule before a load"
On Error GoTo 0

capsule.LoadBios folder & "\demo.bio"
Check capsule.BiosId = "DBZ7710H.86A.0043.2014.0204.1130", "the image is loaded"

' A capsule cut short: refused, and the image loaded before stays.
On Error Resume Next
capsule.LoadBios folder & "\cut.bio"
Expect &H82390001, "Invalid BIO file for the specified operation.", "a capsule cut short"
On Error GoTo 0
Check capsule.BiosId = "DBZ7710H.86A.0043.2014.0204.1130", "a refused capsule kept the image loaded before"

' Wrong-typed and missing arguments are refused by the dispatch layer before the server sees
' them; VBScript reports them as its errors 13 (type mismatch) and 450 (wrong number of
' arguments).
On Error Resume Next
capsule.LoadBios Array(1, 2)
Expect 13, "", "LoadBios of an array"
capsule.LoadBios
Expect 450, "", "LoadBios without its argument"
On Error GoTo 0
Check capsule.BiosId = "DBZ7710H.86A.0043.2014.0204.1130", "refused arguments kept the loaded image"

' A picture cut short: refused, and the picture set before, with its room, stays.
capsule.SetSplash folder & "\pic.bmp"
remaining = capsule.GetFlashSizeRemaining()
On Error Resume Next
capsule.SetSplash folder & "\cut.bmp"
Expect &H82390021, "Error:  The specified splash image could not be installed.  The flash update process has been aborted.", _
    "a picture cut short"
capsule.SetSplash ""
Expect &H80070057, "", "SetSplash of an empty name"
On Error GoTo 0
Check capsule.GetFlashSizeRemaining() = remaining, "a refused picture changed the room left: " & _
    capsule.GetFlashSizeRemaining() & " instead of " & remaining

' A badge position outside the picture, and one that is no number.
capsule.BadgeXPosition = 1
On Error Resume Next
capsule.BadgeXPosition = 5000
Expect &H80004005, "", "a badge position outside the picture"
capsule.BadgeXPosition = "left"
Expect 13, "", "a badge position that is no number"
On Error GoTo 0
Check capsule.BadgeXPosition = 1, "a refused position moved the badge to " & capsule.BadgeXPosition

WScript.Echo "bad_arguments.vbs: OK"
