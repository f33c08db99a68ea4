// Reading a whole file (a firmware image or a splash picture) into a memory stream that owns
// its memory. The bytes are read straight into the stream's memory: one copy of the file.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

class CCapsuleFile {
public:
    // The step that failed; each caller reports it in its own words.
    enum class Failure {
        None,
        EmptyName,
        NotFound,
        Open,         // _wfopen()
        Seek,         // fseek()
        Tell,         // ftell(), or a file too large for a stream
        Read,         // fread(), including an empty file
        Close,        // closing after a complete read
        CreateStream, // CreateStreamOnHGlobal()
        Write,        // sizing or filling the stream's memory
    };

    // Largest file taken: the engine's images and every size passed on stay below 2 GB.
    static constexpr unsigned long long kMaxBytes = 0x7FFFFFFF;

    // On success `stream` holds the file, positioned at 0. `closeFailed` tells that closing
    // the file failed after a failed step (the step's failure is still the one returned).
    static Failure ReadIntoStream(const std::wstring& name, IStream** stream, bool* closeFailed);
};
