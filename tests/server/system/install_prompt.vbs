' Installs an INI file whose asset tag asks to be typed in ("$PROMPT$") and answers the
' question "TAG-7" from a VBScript handler: response = "TAG-7".
' Run with: install_prompt.vbs FILE.INI CONNECTION, where CONNECTION is
'   host             the host connects the handler (WScript.CreateObject with a prefix);
'   bridge           the test event bridge connects it and passes the arguments as the server
'                    gives them: the answer as a reference to a string (VT_BYREF | VT_BSTR);
'   bridge-variants  the bridge passes the answer as a reference to a Variant, as our script
'                    host does.
' Prints "prompts: N" and "install_prompt.vbs: installed" or "... install failed: ...".
Option Explicit

Dim prompts
prompts = 0

Sub Toolkit_OnSMBIOSPrompt(prompt, response)
    prompts = prompts + 1
    WScript.Echo "asked: " & prompt
    response = "TAG-7"
End Sub

' The bridge calls methods of an object by the events' names.
Class BridgeHandlers
    Public Sub OnSMBIOSPrompt(prompt, response)
        Toolkit_OnSMBIOSPrompt prompt, response
    End Sub
End Class

Dim toolkit, bridge, file, connection, failure
If WScript.Arguments.Count <> 2 Then
    WScript.Echo "Usage: install_prompt.vbs FILE.INI host|bridge|bridge-variants"
    WScript.Quit 2
End If
file = WScript.Arguments(0)
connection = WScript.Arguments(1)
Select Case connection
Case "host"
    Set toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_")
Case "bridge", "bridge-variants"
    Set toolkit = CreateObject("Server.Toolkit.1")
    Set bridge = CreateObject("ScriptHostTest.EventBridge")
    bridge.Connect toolkit, New BridgeHandlers, connection = "bridge-variants"
Case Else
    WScript.Echo "unknown connection " & connection
    WScript.Quit 2
End Select

' Wine's cscript shows no script error: every failure is reported here.
On Error Resume Next
toolkit.LoadINIFile file, 2
If Err.Number <> 0 Then
    WScript.Echo "install_prompt.vbs: loading failed: " & Err.Description
    WScript.Quit 1
End If
toolkit.Install 2
failure = "install failed: " & Err.Description & " (error &H" & Hex(Err.Number) & ")"
If Err.Number = 0 Then failure = "installed"
On Error GoTo 0
WScript.Echo "prompts: " & prompts
WScript.Echo "install_prompt.vbs: " & failure
