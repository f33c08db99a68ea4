// Every collection class walked with JScript's Enumerator, which asks for the enumerator as
// a method call. Only a complete run prints OK.
function fail(text) {
    WScript.Echo("FAIL " + text);
    WScript.Quit(1);
}

function walk(collection) {
    var seen = [];
    for (var e = new Enumerator(collection); !e.atEnd(); e.moveNext()) {
        seen.push(String(e.item()));
    }
    return seen.join(",");
}

var choices = new ActiveXObject("Server.ConfigChoiceCollection.1");
choices.Add("Enabled");
choices.Add(2);
if (walk(choices) !== "Enabled,2") fail("choices walked as " + walk(choices));

var group = new ActiveXObject("Server.ConfigGroup.1");
if (walk(group.ChildGroupCollection) !== "") fail("child groups of a new group");
if (walk(group.DataCollection) !== "") fail("items of a new group");

WScript.Echo("collections.js: OK");
