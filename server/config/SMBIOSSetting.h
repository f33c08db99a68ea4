// CSMBIOSSetting (Server.SMBIOSSetting.1): one SMBIOS string of the board.
#pragma once

#include "ConfigDataImpl.h"
#include "SMBIOSTable.h"

#include <optional>
#include <string>

class CSMBIOSSetting final : public ConfigDataObject<CSMBIOSSetting, IConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;

    // A String item for one row of the SMBIOS table, named from its message, with its data ID
    // and the empty text as value and default, as every builder starts it.
    static HRESULT MakeForRow(const SMBIOSRow& row, ComPtr<CSMBIOSSetting>& item);

    // A value that asks for the string to be typed in when the configuration is installed:
    // the installer recognises the request here and fires OnSMBIOSPrompt with Prompt(). The
    // item's value stays the empty text. `givenText` is the text the file gave after the
    // marker (empty when it gave none); `prompt` is what is shown: that text, or the row's
    // own prompt message.
    void SetPromptRequest(std::wstring givenText, std::wstring prompt)
    {
        m_prompt = PromptRequest{std::move(givenText), std::move(prompt)};
    }
    bool IsPromptRequest() const { return m_prompt.has_value(); }
    const std::wstring& Prompt() const { return m_prompt->prompt; }
    const std::wstring& PromptGivenText() const { return m_prompt->givenText; }

protected:
    // The text of the item's row, on one line of an INI file.
    size_t TextByteLimit() const override;

private:
    struct PromptRequest {
        std::wstring givenText;
        std::wstring prompt;
    };
    std::optional<PromptRequest> m_prompt;
};
