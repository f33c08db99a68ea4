#include "StructuralGroups.h"

#include "frame/FailureReport.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <array>

HRESULT StructuralGroups::Create()
{
    struct Step {
        ComPtr<CConfigGroup>& group;
        EConfigGroupID id;
        const wchar_t* failure;
    };
    const std::array<Step, 4> steps = {{
        {root, EConfigGroup_Root, L"Cannot create root group"},
        {bios, EConfigGroup_BIOS, L"Cannot create BIOS config group"},
        {nonVisible, EConfigGroup_NonVisible, L"Cannot create non-visible group"},
        {visible, EConfigGroup_Visible, L"Cannot create visiblegroup"},
    }};
    for (const Step& step : steps) {
        const HRESULT hr = CConfigGroup::CreateAndSetupGroup(step.group.GetAddressOf(), step.id, 0);
        if (FAILED(hr)) {
            return ReportFailureAt(LOG_SITE(m_function), LOG_ERROR, hr,
                                   Describe(MSG_INTERNAL_ERROR), L"%ls", step.failure);
        }
    }
    return S_OK;
}

HRESULT StructuralGroups::Attach()
{
    for (IConfigGroup* child : {biosInfo.Get(), smbios.Get(), cooling.Get(), tokens.Get()}) {
        RETURN_IF_FAILED(AttachTo(visible.Get(), child));
    }
    RETURN_IF_FAILED(AttachTo(nonVisible.Get(), biosImage.Get()));
    RETURN_IF_FAILED(AttachTo(bios.Get(), visible.Get()));
    RETURN_IF_FAILED(AttachTo(bios.Get(), nonVisible.Get()));
    return AttachTo(root.Get(), bios.Get());
}

HRESULT StructuralGroups::AttachTo(CConfigGroup* parent, IConfigGroup* child) const
{
    if (!child) {
        return S_OK;
    }
    if (!parent) {
        return ReportFailureAt(LOG_SITE(m_function), LOG_ERROR, E_FAIL,
                               Describe(MSG_INTERNAL_ERROR), L"Unable to get Toolkit interface pointer");
    }
    return FAILED(parent->AddChildGroup(child)) ? E_FAIL : S_OK;
}
