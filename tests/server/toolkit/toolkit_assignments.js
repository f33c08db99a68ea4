// JScript's values assigned to items of a loaded file: its numbers (a 32-bit integer for 7,
// a double for 7.5 and for 3000000000), booleans, null and objects. Taken values are written
// in the item's type; refused ones fail at the assignment, naming the item, and the write
// after them succeeds. Argument: the sample settings file.
// Wine's cscript prints nothing on a script error and exits 0, so every step is guarded and
// the last line, "OK", is what proves the script ran to its end.
var toolkit = new ActiveXObject("Server.Toolkit.1");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var failures = 0;
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAIL: " + what);
        failures++;
    }
}
// 0 when the value is taken, else the code it is refused with.
function assign(item, value, expected, what) {
    var code = 0;
    var description = "";
    try {
        item.Value = value;
    } catch (error) {
        code = error.number >>> 0;
        description = error.description;
    }
    check(code == expected, what + ": " + expected.toString(16) + " expected, got " + code.toString(16));
    if (expected != 0) {
        check(description.indexOf(item.Name) >= 0, what + ": the description names " + item.Name + ": " + description);
    }
}
var wrongType = 0x82390034;
var outOfRange = 0x82390011;

var target = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName());
try {
    toolkit.LoadINIFile(WScript.Arguments(0), 19);
    var number = toolkit.GetTokenSetting(0x108);
    assign(number, 7, 0, "Integer: 7");
    assign(number, 7.5, wrongType, "Integer: 7.5");
    assign(number, 3000000000, wrongType, "Integer: beyond 32 bits");
    assign(number, true, wrongType, "Integer: true");
    assign(number, null, wrongType, "Integer: null");
    assign(number, "8", 0, "Integer: numeric text");
    check(number.Value === 8, "Integer: the text is the number 8");

    var text = toolkit.GetConfigGroup(8).DataCollection.Item(2);
    assign(text, "KB77DZ-C", 0, "String: text");
    assign(text, 77, wrongType, "String: a number");
    assign(text, false, wrongType, "String: false");
    assign(text, null, wrongType, "String: null");
    assign(text, new ActiveXObject("Scripting.Dictionary"), wrongType, "String: an object");
    assign(text, "a\r\nb", outOfRange, "String: a line break");

    toolkit.WriteINIFile(target, 19);
    toolkit.Reset();
    toolkit.LoadINIFile(target, 19);
    check(toolkit.GetTokenSetting(0x108).Value === 8, "read back: the number");
    check(toolkit.GetConfigGroup(8).DataCollection.Item(2).Value == "KB77DZ-C", "read back: the text");
    toolkit.Reset();
    fso.DeleteFile(target);
} catch (error) {
    check(false, "unexpected error " + (error.number >>> 0).toString(16) + ": " + error.description);
}
if (failures == 0) {
    WScript.Echo("toolkit_assignments.js: OK");
} else {
    WScript.Quit(1);
}
