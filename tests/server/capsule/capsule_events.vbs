' The capsule object through IDispatch under a script host: error descriptions of failing
' calls, and OnFlashStart delivered to the script's handler during InvokeCapsule.
' Argument: the folder of the fixture's images.
Option Explicit

Dim folder, toolkit, capsule, starts, number, description
starts = 0

Sub Toolkit_OnFlashStart()
    starts = starts + 1
End Sub

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        WScript.Quit 1
    End If
End Sub

folder = WScript.Arguments(0)
Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
Set capsule = toolkit.BiosCapsule

On Error Resume Next
capsule.LoadBios folder & "\missing.bio"
number = Err.Number : description = Err.Description : Err.Clear
On Error GoTo 0
Check number = &H82390006, "missing file: Err.Number " & Hex(number)
Check description = "Error:  File " & folder & "\missing.bio not found.", "missing file: " & description

On Error Resume Next
capsule.LoadBios folder & "\notes.txt"
number = Err.Number : description = Err.Description : Err.Clear
On Error GoTo 0
Check number = &H82390001, "not an image: Err.Number " & Hex(number)
Check description = "Invalid BIO file for the specified operation.", "not an image: " & description

On Error Resume Next
capsule.InvokeCapsule
number = Err.Number : description = Err.Description : Err.Clear
On Error GoTo 0
Check number = &H80004005, "nothing loaded: Err.Number " & Hex(number)
Check description = "Error:  Unexpected internal failure.", "nothing loaded: " & description
Check starts = 0, "no OnFlashStart without an image"

On Error Resume Next
capsule.DisplayBadge = True
number = Err.Number : description = Err.Description : Err.Clear
On Error GoTo 0
Check number <> 0, "a badge needs an image"

capsule.LoadBios folder & "\other.bio"
Check Not capsule.IsTargetBiosCompatible(), "an image of another board"

capsule.LoadBios folder & "\demo.bio"
Check capsule.BiosId = "DBZ7710H.86A.0043.2014.0204.1130", "BiosId " & capsule.BiosId
Dim built
built = capsule.BiosDate
Check Year(built) = 2014 And Month(built) = 2 And Day(built) = 4, "BiosDate " & built
Check Hour(built) = 11 And Minute(built) = 30 And Second(built) = 0, "BiosDate " & built
Check capsule.GetBiosIdFromVariable() = "DBZ7710H.86A.0042.2013.0312.1045", "board ID"
Check capsule.IsTargetBiosCompatible(), "a newer image of this board"
Check capsule.IsMaxResolutionSupported(), "biotool's logo module offers LogoModule2"
Check capsule.MaxResolutionX = 1024, "MaxResolutionX " & capsule.MaxResolutionX

On Error Resume Next
capsule.BadgeXPosition = 10
number = Err.Number : description = Err.Description : Err.Clear
On Error GoTo 0
Check number = &H82390032, "badge before splash: Err.Number " & Hex(number)

capsule.SetFlashStatus 3
capsule.InvokeCapsule
Check starts = 1, "OnFlashStart came " & starts & " times"

WScript.DisconnectObject toolkit
WScript.Echo "capsule_events.vbs: OK"
