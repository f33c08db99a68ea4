' Flashes a firmware image: loads it, checks that it belongs to this board, optionally puts
' in a splash picture with the badge shown, and arms the update. The capsule-update
' component then restarts the machine; afterwards IsFlashSuccessful tells the outcome.
' Run with: cscript //nologo flash.vbs IMAGE.BIO [SPLASH.BMP]
Option Explicit

Dim toolkit, capsule

Sub Toolkit_OnFlashStart()
    WScript.Echo "The flash has started."
End Sub

If WScript.Arguments.Count < 1 Then
    WScript.Echo "Usage: flash.vbs IMAGE.BIO [SPLASH.BMP]"
    WScript.Quit 2
End If

Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
Set capsule = toolkit.BiosCapsule
capsule.LoadBios WScript.Arguments(0)
WScript.Echo "Image: " & capsule.BiosId
WScript.Echo "Board: " & capsule.GetBiosIdFromVariable()
If Not capsule.IsTargetBiosCompatible() Then
    WScript.Echo "This image is for another board; nothing was flashed."
    WScript.Quit 1
End If

If WScript.Arguments.Count > 1 Then
    capsule.SetSplash WScript.Arguments(1)
    capsule.DisplayBadge = True
End If
WScript.Echo "Room left in the flash area: " & capsule.GetFlashSizeRemaining() & " bytes"

' High: a marker variable tells after the restart whether the firmware applied the update.
capsule.SetFlashStatus 3
capsule.InvokeCapsule
WScript.DisconnectObject toolkit
WScript.Echo "flash.vbs: armed"
