// The tokens of a setup database, in the order the walk found them. A question that the
// database lists in several forms is one token: records with the same UQI string, name and
// opcode header are merged. Plain C++ without Windows headers.
#pragma once

#include "HiiSetting.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class HiiTokenList {
public:
    // Appends `record`, or merges it into the listed token it equals: options that token
    // lacks (same value and text) are put in front of its options, and the record's suppress
    // conditions and placement are appended to the token's.
    void AddToken(HII_SETTING record);
    const std::vector<std::shared_ptr<const HII_SETTING>>& Tokens() const { return m_tokens; }
    bool IsEmpty() const { return m_tokens.empty(); }

private:
    struct Key {
        std::u16string uqi;
        std::u16string name;
        uint16_t opcodeHeader = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };

    std::vector<std::shared_ptr<const HII_SETTING>> m_tokens;
    // The same tokens, writable while the list is built.
    std::vector<std::shared_ptr<HII_SETTING>> m_writable;
    std::unordered_map<Key, size_t, KeyHash> m_index;
};
