' After the emulated restart, in a new process: did the flash take place? Prints
' "verify_flash.vbs: flashed" (OnFlashSuccess seen) or "verify_flash.vbs: not flashed".
Option Explicit

Dim toolkit, capsule, successes
successes = 0

Sub Toolkit_OnFlashSuccess()
    successes = successes + 1
End Sub

Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
Set capsule = toolkit.BiosCapsule
If capsule.IsFlashSuccessful(3) Then
    If successes <> 1 Then
        WScript.Echo "FAIL: OnFlashSuccess came " & successes & " times"
        WScript.Quit 1
    End If
    WScript.Echo "verify_flash.vbs: flashed"
Else
    If successes <> 0 Then
        WScript.Echo "FAIL: OnFlashSuccess for a failed flash"
        WScript.Quit 1
    End If
    WScript.Echo "verify_flash.vbs: not flashed"
End If
WScript.DisconnectObject toolkit
