// Run with the arguments: first "second word" 3
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        WScript.Quit(2);
    }
}
var args = WScript.Arguments;
check(args.length === 3, "length");
check(args.Count() === 3, "Count");
check(args(0) === "first", "default member");
check(WScript.Arguments.Item(1) === "second word", "Item");
var joined = "";
for (var e = new Enumerator(args); !e.atEnd(); e.moveNext()) {
    joined += "<" + e.item() + ">";
}
check(joined === "<first><second word><3>", "Enumerator");
var failed = false;
try { args.Item(-1); } catch (error) { failed = true; }
check(failed, "negative index fails");
WScript.Echo("arguments ok");
