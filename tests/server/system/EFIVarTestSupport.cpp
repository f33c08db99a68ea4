#include "EFIVarTestSupport.h"

#include <oleauto.h>

#include <fstream>
#include <sstream>

namespace {

constexpr const char* LOG_FILE = "efivar-log.txt";

std::string ReadLog()
{
    std::ifstream file(LOG_FILE, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

LogWatch::LogWatch() : m_start(ReadLog().size()) {}

std::string LogWatch::NewText() const
{
    std::string text = ReadLog();
    return text.size() > m_start ? text.substr(m_start) : std::string();
}

bool LogWatch::Has(const char* level, const std::string& message) const
{
    return NewText().find(std::string("\t") + level + "\t" + message + "\t") != std::string::npos;
}

void ClearErrorInfo()
{
    SetErrorInfo(0, nullptr);
}

std::wstring ErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return L"<none>";
    BSTR description = nullptr;
    std::wstring text = L"<none>";
    if (SUCCEEDED(info->GetDescription(&description)) && description != nullptr)
        text.assign(description, SysStringLen(description));
    SysFreeString(description);
    info->Release();
    return text;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}
