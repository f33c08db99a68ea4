// CInstallOperation: installs a configuration tree into the firmware. The walk hands each
// item of a selected component to its installer, which checks it and collects its bytes;
// Execute then commits the components in a fixed order (SMBIOS, BIOS image after the BIOS
// ID check, cooling, tokens), each framed by its install events and followed by the
// BIOS-modified flag. The first failure ends the install: components already committed
// stay committed (the firmware has no transaction across variables), later ones are not
// touched. A planning operation runs the same code and keeps what it would write.
#pragma once

#include "Installers.h"

#include "config/DataOperation.h"

class CInstallOperation final : public DataOperationObject<CInstallOperation> {
public:
    CInstallOperation(IFirmwareVariables& variables, CollectorMode mode);

    HRESULT ProcessConfigData(CBIOSImage* setting) override;
    HRESULT ProcessConfigData(CBIOSInfo* setting) override;
    HRESULT ProcessConfigData(CSMBIOSSetting* setting) override;
    HRESULT ProcessConfigData(CCoolingSetting* setting) override;
    HRESULT ProcessConfigData(CTokensSetting* setting) override;
    HRESULT Execute() override;

    InstallPlan& Plan() { return m_plan; }

private:
    template <typename Item, typename Add>
    HRESULT Collect(bool skipped, Item* item, Add add, const wchar_t* failure);
    using Step = HRESULT (CInstallOperation::*)();
    HRESULT RunStep(ULONG component, Step step);
    void KeepPlanned(const std::vector<PlannedVariable>& planned);
    HRESULT CommitSMBIOS();
    HRESULT CommitBIOSImage();
    HRESULT CommitCooling();
    HRESULT CommitTokens();

    InstallPlan m_plan;
    InstallContext m_context;
    CInstallBIOSImage m_biosImage;
    CInstallBIOSInfo m_biosInfo;
    CInstallSMBIOSSetting m_smbios;
    CInstallCoolingSetting m_cooling;
    CInstallTokensSetting m_tokens;
};
