#include "ConfigGroupCollection.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

HRESULT CreateConfigGroupCollectionClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CConfigGroupCollection>>(classObject);
}
