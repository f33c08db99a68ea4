// CConfigGroup (Server.ConfigGroup.1): an inner node of a configuration tree, with its
// ordered child groups and ordered items. Accept walks the node depth first: the group's
// start callback, the child groups, the items, the finish callback.
#pragma once

#include "ConfigDataCollection.h"
#include "ConfigGroupCollection.h"

#include <string>

class CConfigGroup final
    : public ComObject<CConfigGroup, ServerDispatch<IConfigGroup, IOperationTarget>, SupportErrorInfoFor<IConfigGroup>> {
public:
    HRESULT FinalConstruct();

    // IOperationTarget, IConfigGroup
    IFACEMETHODIMP Accept(IDataOperation* operation) override;
    IFACEMETHODIMP get_Name(BSTR* name) override;
    IFACEMETHODIMP get_ChildGroupCollection(IConfigGroupCollection** children) override;
    IFACEMETHODIMP get_DataCollection(IConfigDataCollection** items) override;

    // Names the group from message `messageId` of the message library.
    HRESULT SetName(UINT messageId);
    const std::wstring& Name() const { return m_strName; }
    EConfigGroupID GetGroupID() const { return m_eGroupID; }
    void SetGroupID(EConfigGroupID groupId) { m_eGroupID = groupId; }

    HRESULT AddChildGroup(IConfigGroup* group);
    HRESULT AddChildData(IConfigData* item);
    CConfigGroupCollection& ChildGroups() const { return *m_pChildGroups.Get(); }
    CConfigDataCollection& DataItems() const { return *m_pDataItems.Get(); }

    // Identifier 0 leaves the group nameless.
    static HRESULT SetGroupName(UINT messageId, CConfigGroup* group);
    static HRESULT CreateAndSetupGroup(CConfigGroup** group, EConfigGroupID groupId, UINT messageId);
    static HRESULT CreateAndSetupGroup(IConfigGroup** group, EConfigGroupID groupId, UINT messageId);

private:
    HRESULT VisitChildren(IDataOperation* operation);
    HRESULT VisitItems(IDataOperation* operation);

    ComPtr<CConfigGroupCollection> m_pChildGroups;
    ComPtr<CConfigDataCollection> m_pDataItems;
    EConfigGroupID m_eGroupID = EConfigGroup_Default;
    std::wstring m_strName;
};
