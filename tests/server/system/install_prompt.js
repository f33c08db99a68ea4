// install_prompt.vbs's host connection in JScript: the handler assigns "TAG-7" to its
// response parameter, which JScript passes by value. Prints the same lines.
// Run with: install_prompt.js FILE.INI
var prompts = 0;
function Toolkit_OnSMBIOSPrompt(prompt, response) {
    prompts++;
    WScript.Echo("asked: " + prompt);
    response = "TAG-7";
}

var toolkit = WScript.CreateObject("Server.Toolkit.1", "Toolkit_");
var outcome = "installed";
try {
    toolkit.LoadINIFile(WScript.Arguments(0), 2);
    toolkit.Install(2);
} catch (error) {
    outcome = "install failed: " + error.description;
}
WScript.Echo("prompts: " + prompts);
WScript.Echo("install_prompt.js: " + outcome);
