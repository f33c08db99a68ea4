// Helpers of the INI load and write tests: INI texts with valid checksums, and what a
// configuration tree holds, read through the published interfaces.
#pragma once

#include "TestSupport.h"

#include <ServerLib.h>

#include <cstdint>
#include <string>
#include <vector>

// The "Configuration.Imagedata<number>" section of one image, written as the product
// writes it: fields in 64-letter parts, each with its checksum.
struct IniImage {
    std::vector<uint8_t> data;
    std::vector<uint8_t> mask;
    std::wstring name = L"Setup";
    GUID guid = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
    std::string status = "Overwrite OK.";
};
std::string ImageSectionText(unsigned number, const IniImage& image);
// The letters of `bytes` and their checksum as a file holds them.
std::string Letters(const std::vector<uint8_t>& bytes);
unsigned Checksum(const std::vector<uint8_t>& bytes);

// The group with `id` at or below `group` (the last one, as the toolkit's search answers).
ComPtr<IConfigGroup> FindGroup(IConfigGroup* group, EConfigGroupID id);
std::vector<ComPtr<IConfigGroup>> ChildGroups(IConfigGroup* group);
std::vector<ComPtr<IConfigData>> Items(IConfigGroup* group);
std::wstring NameOf(IConfigGroup* group);
std::wstring NameOf(IConfigData* item);
// The value as text ("<list> 1 2 3" for an ordered list), for comparing trees.
std::wstring ValueText(IConfigData* item);
// Every group and item of a tree with its name and value, one per line, in visiting order.
std::wstring Describe(IConfigGroup* root);
