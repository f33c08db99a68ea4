// The tokens of a setup database, in the order the walk found them. A question that the
// database lists in several forms is one token: records with the same UQI string, name and
// opcode header are merged. Plain C++ without Windows headers.
#pragma once

#include "HiiSetting.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class HiiTokenList {
public:
    // Appends `record`, or merges it into the listed token it equals: options that token
    // lacks (same value and text) are put in front of its options, and the record's suppress
    // conditions and placement are appended to the token's.
    void AddToken(HII_SETTING record);
    // Room for the tokens a database of `bytes` may hold (a question takes some 70 bytes with
    // its strings), so that the list and its index do not grow by copying.
    void ReserveFor(size_t bytes);
    std::vector<std::shared_ptr<const HII_SETTING>> Tokens() const;
    size_t Size() const { return m_tokens.size(); }
    bool IsEmpty() const { return m_tokens.empty(); }

private:
    // Views into the listed token itself, which stays where it is.
    struct Key {
        std::u16string_view uqi;
        std::u16string_view name;
        uint16_t opcodeHeader = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };

    std::vector<std::shared_ptr<HII_SETTING>> m_tokens;
    std::unordered_map<Key, size_t, KeyHash> m_index;
};
