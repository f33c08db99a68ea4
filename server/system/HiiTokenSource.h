// A token item's link to its setup-database record: the record, its conditions and the
// forms that reach it, and the applicability worked out from them on this platform.
#pragma once

#include "config/TokenSource.h"
#include "HiiSetting.h"

#include <memory>
#include <optional>

class CHiiTokenSource final : public ITokenSource {
public:
    explicit CHiiTokenSource(std::shared_ptr<const HII_SETTING> setting) : m_setting(std::move(setting)) {}

    HRESULT ComputeApplicability(bool& applicable) override;
    const HII_SETTING& Setting() const { return *m_setting; }

    // The token's lock/hide byte, when its conditions name one.
    std::optional<TokenControlByte> LockHideControl() const;

private:
    std::shared_ptr<const HII_SETTING> m_setting;
};
