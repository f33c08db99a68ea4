#include "ConfigDataCollection.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

HRESULT CreateConfigDataCollectionClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CConfigDataCollection>>(classObject);
}
