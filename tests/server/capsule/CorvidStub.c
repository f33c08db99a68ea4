/* An "EfiCorvid.dll" that offers PrepareCapsule only, so that the server meets a capsule-update
   library with missing exports. */
#include <stdint.h>

__declspec(dllexport) uint32_t __stdcall PrepareCapsule(const void* capsule, uint32_t size, uint32_t* reserved)
{
    (void)capsule;
    (void)size;
    (void)reserved;
    return 0;
}
