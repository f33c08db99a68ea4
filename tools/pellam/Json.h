// JSON as pellam needs it: reading the install plan the server hands out, and writing
// strings into the document that --json prints.
#pragma once

#include "JsonText.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::wstring text;
    std::vector<JsonValue> elements;
    std::vector<std::pair<std::wstring, JsonValue>> members;

    // The member of that name, or a null value when there is none.
    const JsonValue& operator[](const wchar_t* name) const;
    bool IsTrue() const { return kind == Kind::Boolean && boolean; }
};

// The document, or nothing when it is not well-formed JSON.
std::optional<JsonValue> ParseJson(const std::wstring& document);

