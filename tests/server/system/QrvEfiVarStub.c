/* A library named like the firmware-variable library but without its exports. */
__declspec(dllexport) int StubVersion(void)
{
    return 1;
}
