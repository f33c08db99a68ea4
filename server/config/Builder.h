// CBuilder: the base of everything that builds a configuration tree (from an INI file, from
// the running system).
#pragma once

#include <windows.h>

#include <ServerLib.h>

class CConfigGroup;

class CBuilder {
public:
    virtual ~CBuilder() = default;
    virtual HRESULT CreateConfigurationTree(IConfigGroup** root) = 0;

    // A new group named from message `messageId` (0: nameless).
    static HRESULT CreateGroupObject(UINT messageId, CConfigGroup** group);
};
