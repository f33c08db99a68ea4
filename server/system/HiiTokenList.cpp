#include "HiiTokenList.h"

#include <algorithm>

size_t HiiTokenList::KeyHash::operator()(const Key& key) const
{
    const std::hash<std::u16string> hash;
    return hash(key.uqi) ^ (hash(key.name) * 31) ^ (static_cast<size_t>(key.opcodeHeader) << 7);
}

void HiiTokenList::AddToken(HII_SETTING record)
{
    Key key{record.uqi, record.name, record.opcodeHeader};
    auto found = m_index.find(key);
    if (found == m_index.end()) {
        auto token = std::make_shared<HII_SETTING>(std::move(record));
        m_index.emplace(std::move(key), m_writable.size());
        m_writable.push_back(token);
        m_tokens.push_back(token);
        return;
    }
    HII_SETTING& listed = *m_writable[found->second];
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
