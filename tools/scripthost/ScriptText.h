#pragma once
// Turns the bytes of a script file into the text the engines parse.
#include <cstddef>
#include <span>
#include <string>

struct DecodedScript {
    bool ok = false;
    std::wstring text;
    std::wstring error;  // why the bytes are not a script we can read
};

// UTF-16 LE with its byte order mark, UTF-8 with or without one; bytes that are not valid
// UTF-8 are read in the ANSI code page, as older editors saved scripts that way.
DecodedScript DecodeScriptText(std::span<const std::byte> bytes);
