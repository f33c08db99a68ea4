// The modules of a loaded image. Every module answers IWeaveModule; the splash logo module
// (CWeaveLogoModule) also offers the badge and picture interfaces.
#pragma once

#include "CapsuleDocument.h"
#include "WeaveDispatch.h"

// IWeaveModule over one module of a document, shared by both module classes.
class WeaveModuleProperties : public WeaveDispatch<IWeaveModule> {
public:
    IFACEMETHODIMP get_Name(BSTR* name) override;
    IFACEMETHODIMP get_type(LONG* moduleType) override;
    IFACEMETHODIMP get_Index(LONG* index) override;
    IFACEMETHODIMP get_Offset(LONG* offset) override;
    IFACEMETHODIMP get_Size(LONG* size) override;
    IFACEMETHODIMP get_Flags(LONG* flags) override;
    IFACEMETHODIMP get_SplashCapable(VARIANT_BOOL* capable) override;

protected:
    void Bind(DocumentPtr document, size_t index)
    {
        m_document = std::move(document);
        m_index = index;
    }

    DocumentPtr m_document;
    size_t m_index = 0;
};

class CWeaveModule final : public ComObject<CWeaveModule, WeaveModuleProperties> {
public:
    static constexpr bool kAggregatable = false;
    CWeaveModule(DocumentPtr document, size_t index) { Bind(std::move(document), index); }
};

// The object for module `index`: a logo module object for the splash logo module.
HRESULT CreateModuleObject(const DocumentPtr& document, size_t index, IWeaveModule** item);
