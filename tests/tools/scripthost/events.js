// Needs the test event source "ScriptHostTest.EventSource" registered.
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        WScript.Quit(2);
    }
}
var pings = "";
function Source_OnPing(value, text) { pings += value + ":" + text + ";"; }

var source = WScript.CreateObject("ScriptHostTest.EventSource", "Source_");
check(source.SinkCount === 1, "CreateObject with a prefix connects");
source.Ping(1, "one");
check(pings === "1:one;", "handler runs: " + pings);
check(source.Query() === "unanswered", "unhandled events are ignored");
WScript.DisconnectObject(source);
source.Ping(2, "two");
check(pings === "1:one;", "no events after DisconnectObject");
WScript.ConnectObject(source, "Source_");
source.Ping(3, "three");
check(pings === "1:one;3:three;", "ConnectObject reconnects: " + pings);
WScript.Echo("events ok");
