#include "ConfigGroup.h"

#include "DataOperation.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include "ClassFactory.h"
#include "frame/ErrorInfoManager.h"
#include "frame/ObjectMapEntries.h"

namespace {

HRESULT InvalidPointer(const LogSite& site, const wchar_t* text = L"Invalid pointer")
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(IID_IConfigGroup, MSG_INTERNAL_ERROR), text);
}

// True when `sought` is `root` or lies below it; a group must not become its own descendant.
bool ContainsGroup(IConfigGroup* root, IUnknown* sought)
{
    ComPtr<IUnknown> identity;
    if (FAILED(root->QueryInterface(IID_PPV_ARGS(&identity))) || identity.Get() == sought) {
        return true;
    }
    ComPtr<IConfigGroupCollection> children;
    LONG count = 0;
    if (FAILED(root->get_ChildGroupCollection(&children)) || FAILED(children->get_Count(&count))) {
        return true;
    }
    for (LONG index = 1; index <= count; ++index) {
        ComPtr<IConfigGroup> child;
        if (FAILED(children->get_Item(index, &child)) || ContainsGroup(child.Get(), sought)) {
            return true;
        }
    }
    return false;
}

HRESULT AddResult(HRESULT hr, const LogSite& site)
{
    if (SUCCEEDED(hr)) {
        return hr;
    }
    if (hr == E_POINTER || hr == ResultCode::E_ALREADY_IN_COLLECTION) {
        return ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR), L"Unable to add element.  hr=%x",
                               static_cast<unsigned>(hr));
    }
    ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_UNKNOWN_ERROR), L"Unknown error occurred.  hr=%x",
                    static_cast<unsigned>(hr));
    return E_FAIL;
}

} // namespace

HRESULT CConfigGroup::FinalConstruct()
{
    if (FAILED(CConfigGroupCollection::Make(m_pChildGroups)) || FAILED(CConfigDataCollection::Make(m_pDataItems))) {
        return E_FAIL;
    }
    return S_OK;
}

IFACEMETHODIMP CConfigGroup::Accept(IDataOperation* operation)
{
    ComPtr<CDataOperation> visitor;
    HRESULT hr = CDataOperation::FromOperationArgument(operation, LOG_SITE(L"CConfigGroup::Accept"), visitor);
    if (FAILED(hr)) {
        return hr;
    }
    hr = visitor->OnGroupStart(this);
    if (!WalkGoesOn(hr)) {
        return hr;
    }
    hr = VisitChildren(operation);
    if (!WalkGoesOn(hr)) {
        return hr;
    }
    hr = VisitItems(operation);
    if (!WalkGoesOn(hr)) {
        return hr;
    }
    hr = visitor->OnGroupFinish(this);
    return WalkGoesOn(hr) ? S_OK : hr;
}

HRESULT CConfigGroup::VisitChildren(IDataOperation* operation)
{
    LONG count = 0;
    if (FAILED(m_pChildGroups->get_Count(&count))) {
        return REPORT_FAILURE(L"CConfigGroup::Accept", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to get child group count:  hr=%x", static_cast<unsigned>(E_FAIL));
    }
    for (LONG index = 1; index <= count; ++index) {
        ComPtr<IConfigGroup> child;
        const HRESULT hr = m_pChildGroups->get_Item(index, &child);
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CConfigGroup::Accept", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                  L"Unable to get group #%ld, hr=%x", static_cast<long>(index),
                                  static_cast<unsigned>(hr));
        }
        const HRESULT visited = child->Accept(operation);
        if (!WalkGoesOn(visited)) {
            return visited;
        }
    }
    return S_OK;
}

HRESULT CConfigGroup::VisitItems(IDataOperation* operation)
{
    LONG count = 0;
    if (FAILED(m_pDataItems->get_Count(&count))) {
        return REPORT_FAILURE(L"CConfigGroup::Accept", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to get data count:  hr=%x", static_cast<unsigned>(E_FAIL));
    }
    for (LONG index = 1; index <= count; ++index) {
        ComPtr<IConfigData> item;
        const HRESULT hr = m_pDataItems->get_Item(index, &item);
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CConfigGroup::Accept", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                  L"Unable to get data element #%ld, hr=%x", static_cast<long>(index),
                                  static_cast<unsigned>(hr));
        }
        const HRESULT visited = item->Accept(operation);
        if (!WalkGoesOn(visited)) {
            return visited;
        }
    }
    return S_OK;
}

IFACEMETHODIMP CConfigGroup::get_Name(BSTR* name)
{
    if (!name) {
        return InvalidPointer(LOG_SITE(L"CConfigGroup::get_Name"));
    }
    *name = ::SysAllocStringLen(m_strName.data(), static_cast<UINT>(m_strName.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

IFACEMETHODIMP CConfigGroup::get_ChildGroupCollection(IConfigGroupCollection** children)
{
    if (!children) {
        return InvalidPointer(LOG_SITE(L"CConfigGroup::get_ChildGroupCollection"));
    }
    *children = nullptr;
    if (FAILED(m_pChildGroups->QueryInterface(IID_PPV_ARGS(children)))) {
        return REPORT_FAILURE(L"CConfigGroup::get_ChildGroupCollection", LOG_ERROR, E_FAIL,
                              Describe(IID_IConfigGroup, MSG_INTERNAL_ERROR), L"QueryInterface failed");
    }
    return S_OK;
}

IFACEMETHODIMP CConfigGroup::get_DataCollection(IConfigDataCollection** items)
{
    if (!items) {
        return InvalidPointer(LOG_SITE(L"CConfigGroup::get_DataCollection"));
    }
    *items = nullptr;
    if (FAILED(m_pDataItems->QueryInterface(IID_PPV_ARGS(items)))) {
        return REPORT_FAILURE(L"CConfigGroup::get_DataCollection", LOG_ERROR, E_FAIL,
                              Describe(IID_IConfigGroup, MSG_INTERNAL_ERROR), L"QueryInterface failed");
    }
    return S_OK;
}

HRESULT CConfigGroup::SetName(UINT messageId)
try {
    std::wstring text;
    const HRESULT hr = LoadMessageString(messageId, &text);
    if (hr == ResultCode::E_MESSAGE_LIBRARY) {
        return REPORT_FAILURE(L"CConfigGroup::SetName", LOG_ERROR, hr, Describe(MSG_UNKNOWN_ERROR),
                              L"Error loading resources");
    }
    if (hr == ResultCode::E_MESSAGE_NOT_FOUND) {
        return REPORT_FAILURE(L"CConfigGroup::SetName", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Resource ID: %x", messageId);
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CConfigGroup::SetName", LOG_ERROR, hr, Describe(MSG_UNKNOWN_ERROR), L"Unknown Error");
    }
    m_strName = std::move(text);
    return S_OK;
}
CATCH_RETURN()

HRESULT CConfigGroup::AddChildGroup(IConfigGroup* group)
{
    ComPtr<IUnknown> self;
    if (group && SUCCEEDED(QueryInterface(IID_PPV_ARGS(&self))) && ContainsGroup(group, self.Get())) {
        return REPORT_FAILURE(L"CConfigGroup::AddChildGroup", LOG_ERROR, E_INVALIDARG, Describe(MSG_INTERNAL_ERROR),
                              L"A group cannot be placed below itself");
    }
    return AddResult(m_pChildGroups->Add(group), LOG_SITE(L"CConfigGroup::AddChildGroup"));
}

HRESULT CConfigGroup::AddChildData(IConfigData* item)
{
    return AddResult(m_pDataItems->Add(item), LOG_SITE(L"CConfigGroup::AddChildData"));
}

HRESULT CConfigGroup::SetGroupName(UINT messageId, CConfigGroup* group)
{
    if (!group) {
        return REPORT_FAILURE(L"CConfigGroup::SetGroupName", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    if (messageId == 0) {
        return S_OK;
    }
    const HRESULT hr = group->SetName(messageId);
    if (hr == ResultCode::E_MESSAGE_LIBRARY) {
        return REPORT_FAILURE(L"CConfigGroup::SetGroupName", LOG_ERROR, hr, Describe(MSG_RESOURCES_NOT_LOADED),
                              L"Unable to load resources");
    }
    if (hr == ResultCode::E_MESSAGE_NOT_FOUND) {
        return REPORT_FAILURE(L"CConfigGroup::SetGroupName", LOG_ERROR, hr, Describe(MSG_RESOURCES_NOT_LOADED),
                              L"Invalid Resource ID: %x", messageId);
    }
    if (FAILED(hr)) {
        REPORT_FAILURE(L"CConfigGroup::SetGroupName", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                       L"Unexpected HRESULT: %x", static_cast<unsigned>(hr));
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CConfigGroup::CreateAndSetupGroup(CConfigGroup** group, EConfigGroupID groupId, UINT messageId)
{
    if (!group) {
        return REPORT_FAILURE(L"CConfigGroup::CreateAndSetupGroup", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    *group = nullptr;
    ComPtr<CConfigGroup> created;
    const HRESULT hr = Make(created);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CConfigGroup::CreateAndSetupGroup", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to create CConfigGroup.  HR=%x", static_cast<unsigned>(hr));
    }
    RETURN_IF_FAILED(SetGroupName(messageId, created.Get()));
    created->SetGroupID(groupId);
    *group = created.Detach();
    return S_OK;
}

HRESULT CConfigGroup::CreateAndSetupGroup(IConfigGroup** group, EConfigGroupID groupId, UINT messageId)
{
    if (!group) {
        return REPORT_FAILURE(L"CConfigGroup::CreateAndSetupGroup", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    *group = nullptr;
    ComPtr<CConfigGroup> created;
    RETURN_IF_FAILED(CreateAndSetupGroup(created.GetAddressOf(), groupId, messageId));
    if (FAILED(created->QueryInterface(IID_PPV_ARGS(group)))) {
        return REPORT_FAILURE(L"CConfigGroup::CreateAndSetupGroup", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to get interface pointer");
    }
    return S_OK;
}

HRESULT CreateConfigGroupClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CConfigGroup>>(classObject);
}
