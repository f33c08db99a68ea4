// The groups every configuration tree has, whether it is read from a file or from the
// running system, and the component groups that hang under them:
//
//   root ─ BIOS ─┬─ visible ─────┬─ BIOS information
//                │               ├─ SMBIOS
//                │               ├─ (cooling)
//                │               └─ tokens
//                └─ non-visible ─── BIOS image
#pragma once

#include "ConfigGroup.h"

class StructuralGroups {
public:
    // `function` names the builder in the reports.
    explicit StructuralGroups(const wchar_t* function) : m_function(function) {}

    // Root, BIOS, non-visible, visible, in this order.
    HRESULT Create();
    // Component groups first, then the structural ones, so that the tree appears whole; a
    // component group that was not made is left out.
    HRESULT Attach();

    ComPtr<CConfigGroup> root, bios, visible, nonVisible;
    ComPtr<IConfigGroup> biosInfo, smbios, cooling, tokens, biosImage;

private:
    HRESULT AttachTo(CConfigGroup* parent, IConfigGroup* child) const;

    const wchar_t* m_function;
};
