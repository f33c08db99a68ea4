' Creates the toolkit and prints the version of the server.
' Run with: cscript //nologo version.vbs
Option Explicit

Dim toolkit
Set toolkit = CreateObject("Server.Toolkit.1")
WScript.Echo "Version " & toolkit.Version
WScript.Echo "Build " & toolkit.VersionBuild
Set toolkit = Nothing
WScript.Echo "version.vbs: OK"
