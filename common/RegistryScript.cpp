#include "RegistryScript.h"

#include "Owners.h"

#include <shlwapi.h>

#include <cwctype>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct RegistryValue {
    std::wstring name; // empty: the key's default value
    DWORD type = REG_SZ;
    std::wstring text;
    DWORD number = 0;
};

struct RegistryKeyNode {
    std::wstring name;
    bool noRemove = false;
    bool forceRemove = false;
    bool deleteKey = false;
    std::optional<RegistryValue> defaultValue;
    std::vector<RegistryValue> values;
    std::vector<RegistryKeyNode> children;
};

struct RootNode {
    HKEY root;
    std::vector<RegistryKeyNode> keys;
};

bool Expand(std::wstring_view script, std::span<const RegistryScriptVariable> variables, std::wstring& expanded)
{
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] != L'%') {
            expanded += script[i];
            continue;
        }
        const size_t end = script.find(L'%', i + 1);
        if (end == std::wstring_view::npos) {
            return false;
        }
        const std::wstring_view name = script.substr(i + 1, end - i - 1);
        if (name.empty()) {
            expanded += L'%';
        } else {
            const RegistryScriptVariable* match = nullptr;
            for (const RegistryScriptVariable& variable : variables) {
                if (_wcsnicmp(variable.name.c_str(), name.data(), name.size()) == 0
                    && variable.name.size() == name.size()) {
                    match = &variable;
                }
            }
            if (!match) {
                return false;
            }
            expanded += match->value;
        }
        i = end;
    }
    return true;
}

class Parser {
public:
    explicit Parser(std::wstring_view text) : m_text(text) {}

    bool ParseScript(std::vector<RootNode>& roots)
    {
        while (SkipBlanks()) {
            std::wstring name;
            if (!ReadToken(name)) {
                return false;
            }
            RootNode root{RootKey(name), {}};
            if (!root.root || !Expect(L'{') || !ParseKeys(root.keys, false)) {
                return false;
            }
            roots.push_back(std::move(root));
        }
        return true;
    }

private:
    static HKEY RootKey(const std::wstring& name)
    {
        struct Root {
            const wchar_t* shortName;
            const wchar_t* longName;
            HKEY key;
        };
        static const Root roots[] = {
            {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
            {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
            {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
            {L"HKU", L"HKEY_USERS", HKEY_USERS},
        };
        for (const Root& root : roots) {
            if (_wcsicmp(name.c_str(), root.shortName) == 0 || _wcsicmp(name.c_str(), root.longName) == 0) {
                return root.key;
            }
        }
        return nullptr;
    }

    // Reads keys (and, inside a key, `val` entries) up to the closing brace.
    bool ParseKeys(std::vector<RegistryKeyNode>& keys, bool allowValues, std::vector<RegistryValue>* values = nullptr)
    {
        for (;;) {
            if (!SkipBlanks()) {
                return false;
            }
            if (m_text[m_position] == L'}') {
                ++m_position;
                return true;
            }
            std::wstring word;
            if (!ReadToken(word)) {
                return false;
            }
            if (allowValues && _wcsicmp(word.c_str(), L"val") == 0) {
                RegistryValue value;
                if (!ReadToken(value.name) || !Expect(L'=') || !ReadValue(value)) {
                    return false;
                }
                values->push_back(std::move(value));
                continue;
            }
            RegistryKeyNode key;
            for (;;) {
                if (_wcsicmp(word.c_str(), L"NoRemove") == 0) {
                    key.noRemove = true;
                } else if (_wcsicmp(word.c_str(), L"ForceRemove") == 0) {
                    key.forceRemove = true;
                } else if (_wcsicmp(word.c_str(), L"Delete") == 0) {
                    key.deleteKey = true;
                } else {
                    break;
                }
                if (!ReadToken(word)) {
                    return false;
                }
            }
            key.name = std::move(word);
            if (!SkipBlanks()) {
                return false;
            }
            if (m_text[m_position] == L'=') {
                ++m_position;
                RegistryValue value;
                if (!ReadValue(value)) {
                    return false;
                }
                key.defaultValue = std::move(value);
                if (!SkipBlanks()) {
                    return false;
                }
            }
            if (m_text[m_position] == L'{') {
                ++m_position;
                if (!ParseKeys(key.children, true, &key.values)) {
                    return false;
                }
            }
            keys.push_back(std::move(key));
        }
    }

    bool ReadValue(RegistryValue& value)
    {
        std::wstring kind;
        std::wstring text;
        if (!ReadToken(kind) || !ReadToken(text)) {
            return false;
        }
        if (_wcsicmp(kind.c_str(), L"s") == 0) {
            value.type = REG_SZ;
            value.text = std::move(text);
            return true;
        }
        if (_wcsicmp(kind.c_str(), L"d") == 0) {
            wchar_t* end = nullptr;
            value.type = REG_DWORD;
            value.number = wcstoul(text.c_str(), &end, 0);
            return end && *end == L'\0' && !text.empty();
        }
        return false;
    }

    bool SkipBlanks()
    {
        while (m_position < m_text.size() && iswspace(m_text[m_position])) {
            ++m_position;
        }
        return m_position < m_text.size();
    }

    bool Expect(wchar_t character)
    {
        if (!SkipBlanks() || m_text[m_position] != character) {
            return false;
        }
        ++m_position;
        return true;
    }

    bool ReadToken(std::wstring& token)
    {
        token.clear();
        if (!SkipBlanks()) {
            return false;
        }
        if (m_text[m_position] == L'\'') {
            for (++m_position; m_position < m_text.size(); ++m_position) {
                if (m_text[m_position] == L'\'') {
                    if (m_position + 1 < m_text.size() && m_text[m_position + 1] == L'\'') {
                        token += L'\'';
                        ++m_position;
                        continue;
                    }
                    ++m_position;
                    return true;
                }
                token += m_text[m_position];
            }
            return false;
        }
        while (m_position < m_text.size() && !iswspace(m_text[m_position])
               && wcschr(L"{}=", m_text[m_position]) == nullptr) {
            token += m_text[m_position++];
        }
        return !token.empty();
    }

    std::wstring_view m_text;
    size_t m_position = 0;
};

HRESULT SetValue(HKEY key, const RegistryValue& value)
{
    LSTATUS status;
    if (value.type == REG_DWORD) {
        status = ::RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&value.number), sizeof(value.number));
    } else {
        status = ::RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(value.text.c_str()),
                                  static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(HKEY parent, const std::wstring& name)
{
    const LSTATUS status = ::SHDeleteKeyW(parent, name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT RegisterKey(HKEY parent, const RegistryKeyNode& node)
{
    if (node.deleteKey) {
        return DeleteTree(parent, node.name);
    }
    if (node.forceRemove) {
        HRESULT hr = DeleteTree(parent, node.name);
        if (FAILED(hr)) {
            return hr;
        }
    }
    UniqueHkey key;
    LSTATUS status = ::RegCreateKeyExW(parent, node.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    if (node.defaultValue) {
        HRESULT hr = SetValue(key.get(), *node.defaultValue);
        if (FAILED(hr)) {
            return hr;
        }
    }
    for (const RegistryValue& value : node.values) {
        HRESULT hr = SetValue(key.get(), value);
        if (FAILED(hr)) {
            return hr;
        }
    }
    for (const RegistryKeyNode& child : node.children) {
        HRESULT hr = RegisterKey(key.get(), child);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

bool HasSubkeys(HKEY key)
{
    DWORD subkeys = 0;
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) != ERROR_SUCCESS
        || subkeys != 0;
}

HRESULT RemoveKey(HKEY parent, const RegistryKeyNode& node)
{
    if (node.deleteKey) {
        return S_OK;
    }
    if (node.forceRemove && !node.noRemove) {
        return DeleteTree(parent, node.name);
    }
    UniqueHkey key;
    LSTATUS status = ::RegOpenKeyExW(parent, node.name.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
    if (status == ERROR_FILE_NOT_FOUND) {
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    for (const RegistryKeyNode& child : node.children) {
        HRESULT hr = RemoveKey(key.get(), child);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (node.noRemove) {
        return S_OK;
    }
    for (const RegistryValue& value : node.values) {
        ::RegDeleteValueW(key.get(), value.name.c_str());
    }
    // A key that still has subkeys holds someone else's entries: leave it.
    if (HasSubkeys(key.get())) {
        return S_OK;
    }
    key.reset();
    status = ::RegDeleteKeyW(parent, node.name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

} // namespace

HRESULT RunRegistryScript(std::wstring_view script, std::span<const RegistryScriptVariable> variables,
                          RegistryScriptMode mode)
{
    std::vector<RootNode> roots;
    try {
        std::wstring expanded;
        if (!Expand(script, variables, expanded)) {
            return DISP_E_EXCEPTION;
        }
        Parser parser(expanded);
        if (!parser.ParseScript(roots)) {
            return DISP_E_EXCEPTION;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (const RootNode& root : roots) {
        for (const RegistryKeyNode& key : root.keys) {
            HRESULT hr = mode == RegistryScriptMode::Register ? RegisterKey(root.root, key) : RemoveKey(root.root, key);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return S_OK;
}

HRESULT RunRegistryScriptResource(HMODULE module, UINT id, std::span<const RegistryScriptVariable> variables,
                                  RegistryScriptMode mode)
{
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!resource) {
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    HGLOBAL loaded = ::LoadResource(module, resource);
    const DWORD size = ::SizeofResource(module, resource);
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!bytes) {
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    }
    try {
        std::wstring text;
        if (size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
            text.assign(reinterpret_cast<const wchar_t*>(bytes + 2), (size - 2) / sizeof(wchar_t));
        } else if (size > 0) {
            const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
            text.resize(length);
            ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text.data(), length);
        }
        return RunRegistryScript(text, variables, mode);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
