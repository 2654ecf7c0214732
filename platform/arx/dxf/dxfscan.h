// The looks at sixteen bytes the reader scans lines with: SimdLook uses the machine's
// vector instructions where this code has them (SSE2), PortableLook is plain C++ for any
// machine; both give the same masks. The reader uses SimdLook unless the build asks for
// the portable one (QV_PORTABLE_SCAN), and either when told.
#pragma once

#include "dxfportablelook.h"

#ifdef __SSE2__
#include "dxfsse2look.h"
#endif

namespace qv::dxf {

#ifdef __SSE2__
using SimdLook = Sse2Look;
#else
using SimdLook = PortableLook;
#endif

} // namespace qv::dxf
