#include "WeaveModule.h"

#include "ErrorMacros.h"
#include "WeaveLogoModule.h"

namespace {

const wchar_t* ModuleName(uint32_t type)
{
    switch (type) {
    case biofile::kModuleTypeLogo:
        return L"Logo";
    case biofile::kModuleTypeFirmware:
        return L"Firmware";
    default:
        return L"Module";
    }
}

} // namespace

HRESULT CreateModuleObject(const DocumentPtr& document, size_t index, IWeaveModule** item)
{
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(document, index, module));
    if (module->IsSplashLogo()) {
        return CWeaveLogoModule::CreateObject(nullptr, IID_IWeaveModule, reinterpret_cast<void**>(item), document,
                                              index, module->OffersLogoModule2());
    }
    return CWeaveModule::CreateObject(nullptr, IID_IWeaveModule, reinterpret_cast<void**>(item), document, index);
}

IFACEMETHODIMP WeaveModuleProperties::get_Name(BSTR* name)
{
    RETURN_HR_IF(E_POINTER, !name);
    *name = nullptr;
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(m_document, m_index, module));
    *name = ::SysAllocString(ModuleName(module->type));
    return *name ? S_OK : E_OUTOFMEMORY;
}

IFACEMETHODIMP WeaveModuleProperties::get_type(LONG* moduleType)
{
    RETURN_HR_IF(E_POINTER, !moduleType);
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(m_document, m_index, module));
    *moduleType = static_cast<LONG>(module->type);
    return S_OK;
}

IFACEMETHODIMP WeaveModuleProperties::get_Index(LONG* index)
{
    RETURN_HR_IF(E_POINTER, !index);
    *index = static_cast<LONG>(m_index);
    return S_OK;
}

IFACEMETHODIMP WeaveModuleProperties::get_Offset(LONG* offset)
{
    RETURN_HR_IF(E_POINTER, !offset);
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(m_document, m_index, module));
    *offset = static_cast<LONG>(biofile::ModuleOffset(m_document->image, m_index));
    return S_OK;
}

IFACEMETHODIMP WeaveModuleProperties::get_Size(LONG* size)
{
    RETURN_HR_IF(E_POINTER, !size);
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(m_document, m_index, module));
    *size = static_cast<LONG>(module->StoredSize());
    return S_OK;
}

IFACEMETHODIMP WeaveModuleProperties::get_Flags(LONG* flags)
{
    RETURN_HR_IF(E_POINTER, !flags);
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(m_document, m_index, module));
    *flags = static_cast<LONG>(module->flags);
    return S_OK;
}

IFACEMETHODIMP WeaveModuleProperties::get_SplashCapable(VARIANT_BOOL* capable)
{
    RETURN_HR_IF(E_POINTER, !capable);
    biofile::Module* module = nullptr;
    RETURN_IF_FAILED(FindModule(m_document, m_index, module));
    *capable = module->IsSplashLogo() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
