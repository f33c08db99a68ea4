#include "IniTreeSupport.h"

#include "config/SearchforGroupOperation.h"
#include "ini/INICodec.h"
#include "ini/IniChecksum.h"

#include <cstring>

namespace {

std::string Narrowed(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void Field(std::string& text, const std::string& keyword, const std::vector<uint8_t>& bytes, bool split)
{
    const std::string letters = Letters(bytes);
    if (!split) {
        text += keyword + "=" + letters + "\r\n";
    } else {
        for (size_t at = 0, part = 1; at < letters.size(); at += 64, ++part) {
            text += keyword + std::to_string(part) + "=" + letters.substr(at, 64) + "\r\n";
        }
    }
    text += keyword + "Checksum=" + std::to_string(Checksum(bytes)) + "\r\n";
}

std::wstring VariantText(const VARIANT& value)
{
    UniqueVariant text;
    if (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) {
        ComPtr<IVariantCollection> list;
        if (!V_UNKNOWN(&value) || FAILED(V_UNKNOWN(&value)->QueryInterface(IID_PPV_ARGS(&list)))) {
            return L"<object>";
        }
        long count = 0;
        list->get_Count(&count);
        std::wstring result = L"<list>";
        for (long i = 1; i <= count; ++i) {
            UniqueVariant element;
            list->get_Item(i, element.put());
            result += L" " + VariantText(*element.get());
        }
        return result;
    }
    if (FAILED(::VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
        return L"<vt " + std::to_wstring(V_VT(&value)) + L">";
    }
    return std::wstring(V_BSTR(text.get()), ::SysStringLen(V_BSTR(text.get())));
}

void DescribeInto(IConfigGroup* group, const std::wstring& indent, std::wstring& text)
{
    text += indent + L"[" + NameOf(group) + L"]\n";
    for (const ComPtr<IConfigGroup>& child : ChildGroups(group)) {
        DescribeInto(child.Get(), indent + L"  ", text);
    }
    for (const ComPtr<IConfigData>& item : Items(group)) {
        text += indent + L"  " + NameOf(item.Get()) + L" = " + ValueText(item.Get()) + L"\n";
    }
}

} // namespace

std::string Letters(const std::vector<uint8_t>& bytes)
{
    std::wstring letters;
    CINICodec::EncodeVariableBuffer(bytes.data(), bytes.size(), &letters);
    return Narrowed(letters);
}

unsigned Checksum(const std::vector<uint8_t>& bytes) { return IniChecksum(bytes.data(), bytes.size()); }

std::string ImageSectionText(unsigned number, const IniImage& image)
{
    std::string text = "[Configuration.Imagedata" + std::to_string(number) + "]\r\n";
    Field(text, "VariableData", image.data, true);
    std::vector<uint8_t> name;
    for (wchar_t c : image.name + L'\0') {
        name.push_back(static_cast<uint8_t>(c & 0xFF));
        name.push_back(static_cast<uint8_t>(c >> 8));
    }
    Field(text, "VariableName", name, false);
    std::vector<uint8_t> guid(sizeof(GUID));
    std::memcpy(guid.data(), &image.guid, sizeof(GUID));
    Field(text, "VendorGUID", guid, false);
    Field(text, "VariableMask", image.mask.empty() ? std::vector<uint8_t>(image.data.size(), 0xFF) : image.mask, true);
    std::vector<uint8_t> status(image.status.begin(), image.status.end());
    status.push_back(0);
    Field(text, "VariableStatus", status, true);
    return text;
}

ComPtr<IConfigGroup> FindGroup(IConfigGroup* group, EConfigGroupID id)
{
    ComPtr<IOperationTarget> target;
    ComPtr<CSearchforGroupOperation> search;
    ComPtr<IConfigGroup> found;
    if (!group || FAILED(group->QueryInterface(IID_PPV_ARGS(&target))) || FAILED(CSearchforGroupOperation::Make(search)) ||
        FAILED(search->FindGroupByID(id, target.Get(), &found))) {
        ADD_FAILURE() << "the group search failed";
    }
    return found;
}

std::vector<ComPtr<IConfigGroup>> ChildGroups(IConfigGroup* group)
{
    std::vector<ComPtr<IConfigGroup>> result;
    ComPtr<IConfigGroupCollection> children;
    long count = 0;
    if (FAILED(group->get_ChildGroupCollection(&children)) || FAILED(children->get_Count(&count))) {
        ADD_FAILURE() << "child groups cannot be read";
        return result;
    }
    for (long i = 1; i <= count; ++i) {
        ComPtr<IConfigGroup> child;
        EXPECT_HRESULT_SUCCEEDED(children->get_Item(i, &child));
        result.push_back(child);
    }
    return result;
}

std::vector<ComPtr<IConfigData>> Items(IConfigGroup* group)
{
    std::vector<ComPtr<IConfigData>> result;
    ComPtr<IConfigDataCollection> items;
    long count = 0;
    if (!group || FAILED(group->get_DataCollection(&items)) || FAILED(items->get_Count(&count))) {
        ADD_FAILURE() << "items cannot be read";
        return result;
    }
    for (long i = 1; i <= count; ++i) {
        ComPtr<IConfigData> item;
        EXPECT_HRESULT_SUCCEEDED(items->get_Item(i, &item));
        result.push_back(item);
    }
    return result;
}

std::wstring NameOf(IConfigGroup* group)
{
    UniqueBstr name;
    group->get_Name(name.put());
    return name.get() ? std::wstring(name.get(), ::SysStringLen(name.get())) : L"";
}

std::wstring NameOf(IConfigData* item)
{
    UniqueBstr name;
    item->get_Name(name.put());
    return name.get() ? std::wstring(name.get(), ::SysStringLen(name.get())) : L"";
}

std::wstring ValueText(IConfigData* item)
{
    UniqueVariant value;
    if (FAILED(item->get_Value(value.put()))) {
        return L"<no value>";
    }
    return VariantText(*value.get());
}

std::wstring Describe(IConfigGroup* root)
{
    std::wstring text;
    DescribeInto(root, L"", text);
    return text;
}
