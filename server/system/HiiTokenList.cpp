#include "HiiTokenList.h"

#include <algorithm>

size_t HiiTokenList::KeyHash::operator()(const Key& key) const
{
    const std::hash<std::u16string_view> hash;
    return hash(key.uqi) ^ (hash(key.name) * 31) ^ (static_cast<size_t>(key.opcodeHeader) << 7);
}

void HiiTokenList::AddToken(HII_SETTING record)
{
    auto found = m_index.find(Key{record.uqi, record.name, record.opcodeHeader});
    if (found == m_index.end()) {
        auto token = std::make_shared<HII_SETTING>(std::move(record));
        m_index.emplace(Key{token->uqi, token->name, token->opcodeHeader}, m_tokens.size());
        m_tokens.push_back(std::move(token));
        return;
    }
    HII_SETTING& listed = *m_tokens[found->second];
    for (const HII_OPTION& option : record.options) {
        const bool listedAlready = std::any_of(listed.options.begin(), listed.options.end(),
            [&](const HII_OPTION& other) { return other.value == option.value && other.text == option.text; });
        if (!listedAlready) {
            listed.options.insert(listed.options.begin(), option);
        }
    }
    const size_t shift = listed.suppressConditions.size();
    for (HII_PLACEMENT placement : record.placements) {
        placement.firstSuppress += shift;
        listed.placements.push_back(placement);
    }
    for (CHiiBooleanExpression& condition : record.suppressConditions) {
        listed.suppressConditions.push_back(std::move(condition));
    }
}

void HiiTokenList::ReserveFor(size_t bytes)
{
    constexpr size_t BYTES_PER_TOKEN = 64;
    constexpr size_t MOST_RESERVED = size_t{1} << 20;
    const size_t tokens = std::min(bytes / BYTES_PER_TOKEN, MOST_RESERVED);
    m_tokens.reserve(tokens);
    m_index.reserve(tokens);
}

std::vector<std::shared_ptr<const HII_SETTING>> HiiTokenList::Tokens() const
{
    return {m_tokens.begin(), m_tokens.end()};
}
