// INI files from JScript: the loaded tree walked with Enumerator, a value changed, the
// configuration written and read back. Argument: the sample settings file.
var toolkit = new ActiveXObject("Server.Toolkit.1");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var failures = 0;
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAIL: " + what);
        failures++;
    }
}
function countItems(group) {
    var count = 0;
    for (var e = new Enumerator(group.ChildGroupCollection); !e.atEnd(); e.moveNext()) {
        count += countItems(e.item());
    }
    for (var i = new Enumerator(group.DataCollection); !i.atEnd(); i.moveNext()) {
        count++;
    }
    return count;
}

var target = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName());
toolkit.LoadINIFile(WScript.Arguments(0), 19);
check(countItems(toolkit.GetConfigGroup(2)) == 15, "15 items");
var smbios = toolkit.GetConfigGroup(8);
smbios.DataCollection.Item(2).Value = "KB77DZ-B";
toolkit.WriteINIFile(target, 19);
toolkit.Reset();
toolkit.LoadINIFile(target, 19);
check(toolkit.GetConfigGroup(8).DataCollection.Item(2).Value == "KB77DZ-B", "the changed value is read back");
toolkit.Reset();
fso.DeleteFile(target);
try {
    toolkit.WriteINIFile(target, 19);
    check(false, "a write without a configuration fails");
} catch (error) {
    check((error.number >>> 0) == 0x82390005, "no configuration: " + (error.number >>> 0).toString(16));
}
if (failures == 0) {
    WScript.Echo("toolkit_ini.js: OK");
} else {
    WScript.Quit(1);
}
