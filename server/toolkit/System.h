// CSystem: the configuration a toolkit holds, a tree of groups under one root, and the
// payload file that the next install puts into the firmware.
#pragma once

#include "capsule/FlashOperation.h"
#include "config/ComponentMask.h"
#include "system/InstallPlan.h"

#include "ComObject.h"

#include <ServerLib.h>

#include <memory>
#include <string>

class CSystem {
public:
    // A configuration with an empty root group.
    static HRESULT CreateEmpty(std::unique_ptr<CSystem>& system);
    // A configuration built from an INI file for the components of `mask`. The new
    // configuration is handed out even when the build fails, holding what was read.
    static HRESULT CreateSystemFromFile(const std::wstring& path, CComponentMask mask, std::unique_ptr<CSystem>& system);
    // The same from the running system's firmware.
    static HRESULT CreateSystemFromRefSystem(CComponentMask mask, std::unique_ptr<CSystem>& system);

    // Flashes one image as `options` say; needs no configuration. A failure is reported as
    // "Failed to flash the BIOS" beside the failing step's own report.
    static HRESULT FlashBIOS(const SFlashOptions& options);

    HRESULT WriteINIFile(const std::wstring& path, CComponentMask mask);
    // Installs the configuration into `variables` for the components of `mask`: the payload
    // first, then the tree. A planning install (CollectorMode::Plan) writes nothing and
    // leaves what it would write in `plan`.
    HRESULT Install(CComponentMask mask, IFirmwareVariables& variables, CollectorMode mode, InstallPlan* plan = nullptr);
    // S_OK with the group, or S_NOT_FOUND with none.
    HRESULT GetConfigGroup(EConfigGroupID id, IConfigGroup** group);
    HRESULT GetTokenSetting(const unsigned short* uqi, ITokenConfigData** token);

    IConfigGroup* Root() const { return m_pRoot.Get(); }
    // False when the build that made the configuration failed: it then holds only the part
    // that was read before and around the failure.
    bool IsComplete() const { return m_bComplete; }
    const std::wstring& PayloadFileName() const { return m_strPayloadFileName; }
    void SetPayloadFileName(std::wstring name) { m_strPayloadFileName = std::move(name); }

private:
    // The payload step of an install: S_NOTHING_TO_DO when the mask does not ask for it, else
    // the payload manager's result as the install acts on it. In CollectorMode::Plan it
    // writes nothing and leaves the variable it would write in `planned`.
    HRESULT InstallPayloadIfRequested(CComponentMask mask, IFirmwareVariables& variables, CollectorMode mode,
                                      std::vector<PlannedVariable>& planned);
    static HRESULT CreateWith(class CBuilder& builder, std::unique_ptr<CSystem>& system);

    ComPtr<IConfigGroup> m_pRoot;
    std::wstring m_strPayloadFileName;
    bool m_bComplete = true;
};
