' Flashes a firmware image: loads it, checks that it belongs to this board, optionally puts
' in a splash picture with the badge shown, and arms the update. The capsule-update
' component then restarts the machine; afterwards IsFlashSuccessful tells the outcome.
' Run with: cscript //nologo flash.vbs IMAGE.BIO [SPLASH.BMP]
' Exit code: 0 armed, 1 not armed (a step failed, or the image is for another board),
' 2 wrong usage.
Option Explicit

Dim toolkit, capsule, events, step

Sub Toolkit_OnFlashStart()
    WScript.Echo "The flash has started."
End Sub

' The toolkit, with its events connected to the Toolkit_ handlers where the host can do that
' (WScript.CreateObject with a prefix). A host that refuses the prefix gets the toolkit
' without events; a toolkit that cannot be created at all is an error.
Function CreateToolkit()
    events = False
    On Error Resume Next
    Set CreateToolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
    If Err.Number = 0 Then
        events = True
        Exit Function
    End If
    On Error GoTo 0
    Set CreateToolkit = CreateObject("Server.Toolkit.1")
    WScript.Echo "Events are not available in this script host; going on without them."
End Function

Sub Flash(image, splash)
    ' The toolkit makes the host program's folder current: relative names are made full
    ' names first, while the folder the script was started in is still current.
    step = "finding the files"
    Dim files
    Set files = CreateObject("Scripting.FileSystemObject")
    image = files.GetAbsolutePathName(image)
    If splash <> "" Then splash = files.GetAbsolutePathName(splash)

    step = "creating the toolkit"
    Set toolkit = CreateToolkit()
    step = "getting the capsule object"
    Set capsule = toolkit.BiosCapsule
    step = "loading the image"
    capsule.LoadBios image
    step = "reading the image's and the board's firmware IDs"
    WScript.Echo "Image: " & capsule.BiosId
    WScript.Echo "Board: " & capsule.GetBiosIdFromVariable()
    Dim compatible
    compatible = capsule.IsTargetBiosCompatible()
    If Not compatible Then
        WScript.Echo "This image is for another board; nothing was flashed."
        WScript.Quit 1
    End If

    If splash <> "" Then
        step = "putting in the splash picture"
        capsule.SetSplash splash
        capsule.DisplayBadge = True
    End If
    step = "measuring the flash area"
    WScript.Echo "Room left in the flash area: " & capsule.GetFlashSizeRemaining() & " bytes"

    ' High: a marker variable tells after the restart whether the firmware applied the update.
    step = "arming the update"
    capsule.SetFlashStatus 3
    capsule.InvokeCapsule
    If events Then WScript.DisconnectObject toolkit
End Sub

If WScript.Arguments.Count < 1 Or WScript.Arguments.Count > 2 Then
    WScript.Echo "Usage: flash.vbs IMAGE.BIO [SPLASH.BMP]"
    WScript.Quit 2
End If
Dim splashFile
splashFile = ""
If WScript.Arguments.Count > 1 Then splashFile = WScript.Arguments(1)

' Some hosts (Wine's cscript among them) neither report a script error nor fail the run, so
' the script reports the first error itself: Flash stops at it, and this reports the step.
On Error Resume Next
Flash WScript.Arguments(0), splashFile
If Err.Number <> 0 Then
    WScript.Echo "flash.vbs: " & step & " failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "flash.vbs: armed"
