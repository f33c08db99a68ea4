// Owners of GDI objects, in the shape of the shared owners.
#pragma once

#include "Owners.h"

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::DeleteObject(value); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::DeleteDC(value); }
};

using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
