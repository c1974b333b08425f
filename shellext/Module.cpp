// The library's exports and its lock count.
#include "shellext/Module.h"

#include <objbase.h>
#include <olectl.h>

#include "shellext/ClassFactory.h"
#include "shellext/Guids.h"
#include "shellext/Registration.h"
#include "shellext/SweepMenuHandler.h"

// The linker's symbol for the start of this module's image, which is its handle.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace twinsweep {
namespace {

LONG lockCount = 0;

bool ModuleInUse()
{
    return InterlockedCompareExchange(&lockCount, 0, 0) != 0;
}

}  // namespace

HINSTANCE ModuleInstance()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void LockModule()
{
    InterlockedIncrement(&lockCount);
}

void UnlockModule()
{
    InterlockedDecrement(&lockCount);
}

}  // namespace twinsweep

STDAPI DllCanUnloadNow()
{
    return twinsweep::ModuleInUse() ? S_FALSE : S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, twinsweep::kSweepMenuHandlerClsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    return twinsweep::ClassFactory<twinsweep::SweepMenuHandler>::Instance().QueryInterface(iid, out);
}

STDAPI DllRegisterServer()
{
    return twinsweep::RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return twinsweep::UnregisterServer();
}
