// CDataOperation: the base of every operation on a configuration tree (a visitor). The root's
// Accept calls back OnGroupStart, then the child groups, then the items (ProcessConfigData of
// the item's class), then OnGroupFinish, depth first. A callback that an operation does not
// override answers E_NOTIMPL, which the walk counts as success.
//
// A concrete operation derives from DataOperationObject:
//   class CMyOperation final : public DataOperationObject<CMyOperation> { ... };
#pragma once

#include "ComponentMask.h"

#include "frame/DiagnosticsLog.h"
#include "frame/ServerDispatch.h"

class CBIOSImage;
class CBIOSInfo;
class CConfigGroup;
class CCoolingSetting;
class CSMBIOSSetting;
class CTokensSetting;

// Answered only by this server's operations: lets Accept reach the operation's callbacks,
// which IDataOperation does not publish.
// {6A1F3C52-0B7E-4D0A-9E61-5C2D8B7F4A13}
inline constexpr GUID IID_CDataOperationSelf = {0x6a1f3c52, 0x0b7e, 0x4d0a, {0x9e, 0x61, 0x5c, 0x2d, 0x8b, 0x7f, 0x4a, 0x13}};

class CDataOperation : public ServerDispatch<IDataOperation> {
public:
    virtual ~CDataOperation() = default;
    virtual HRESULT ProcessConfigData(CTokensSetting* setting);
    virtual HRESULT ProcessConfigData(CCoolingSetting* setting);
    virtual HRESULT ProcessConfigData(CSMBIOSSetting* setting);
    virtual HRESULT ProcessConfigData(CBIOSInfo* setting);
    virtual HRESULT ProcessConfigData(CBIOSImage* setting);
    virtual HRESULT OnGroupStart(CConfigGroup* group);
    virtual HRESULT OnGroupFinish(CConfigGroup* group);
    virtual HRESULT Execute() = 0;

    // Stores the mask and lets `target` accept this operation.
    HRESULT Configure(IOperationTarget* target, CComponentMask mask);
    const CComponentMask& Mask() const { return m_mask; }

    // The operation behind an IDataOperation of this server; E_POINTER for null,
    // E_INVALIDARG for an object that is not one of ours.
    static HRESULT FromInterface(IDataOperation* operation, ComPtr<CDataOperation>& result);

    // An item's Accept: calls `visit` with the operation.
    template <typename Visit>
    static HRESULT AcceptFor(IDataOperation* operation, const LogSite& site, Visit&& visit)
    {
        ComPtr<CDataOperation> self;
        const HRESULT hr = FromOperationArgument(operation, site, self);
        return FAILED(hr) ? hr : visit(*self.Get());
    }
    static HRESULT FromOperationArgument(IDataOperation* operation, const LogSite& site,
                                         ComPtr<CDataOperation>& result);

private:
    CComponentMask m_mask;
};

template <typename Derived>
class DataOperationObject : public ComObject<Derived, CDataOperation> {
public:
    static constexpr bool kAggregatable = false;
    void* QueryExtraInterface(REFIID iid)
    {
        return iid == IID_CDataOperationSelf ? static_cast<CDataOperation*>(static_cast<Derived*>(this)) : nullptr;
    }
};

// True for a result that lets a walk go on: success, or a callback that is not implemented.
inline bool WalkGoesOn(HRESULT hr)
{
    return SUCCEEDED(hr) || hr == E_NOTIMPL;
}
