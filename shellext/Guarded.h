// The boundary between the library's C++ and its COM callers.
#pragma once

#include <windows.h>

#include <new>

namespace twinsweep {

// Runs a COM method's body. No C++ exception may unwind into the caller's frames
// (Explorer's, or regsvr32's): running out of memory becomes E_OUTOFMEMORY.
template <typename Body>
HRESULT Guarded(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace twinsweep
