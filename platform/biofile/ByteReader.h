// The shared little-endian reader and writer, in this library's namespace.
#pragma once

#include "../../common/ByteReader.h"

namespace biofile {
using ::ByteReader;
using ::ByteWriter;
} // namespace biofile
