// The class factory of an object class. There is one per class, created on first
// use and kept for the life of the library, so it is never deleted: its reference
// count only tells how many outside holders keep the library locked.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <new>

#include "shellext/Module.h"

namespace twinsweep {

// Object needs a nothrow default constructor that leaves one reference, and the
// IUnknown methods.
template <typename Object>
class ClassFactory final : public IClassFactory {
public:
    static ClassFactory& Instance()
    {
        static ClassFactory factory;
        return factory;
    }

    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        static const QITAB interfaces[] = {
            {&IID_IClassFactory, static_cast<int>(OFFSETOFCLASS(IClassFactory, ClassFactory))},
            {nullptr, 0},
        };
        return QISearch(this, interfaces, iid, out);
    }

    IFACEMETHODIMP_(ULONG) AddRef() override
    {
        LockModule();
        return static_cast<ULONG>(InterlockedIncrement(&m_references));
    }

    IFACEMETHODIMP_(ULONG) Release() override
    {
        UnlockModule();
        return static_cast<ULONG>(InterlockedDecrement(&m_references));
    }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Object* object = new (std::nothrow) Object;
        if (!object)
            return E_OUTOFMEMORY;
        // The object's first reference goes with this call: an interface it lacks
        // leaves it with none, and it is gone again.
        const HRESULT result = object->QueryInterface(iid, out);
        object->Release();
        return result;
    }

    IFACEMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            LockModule();
        else
            UnlockModule();
        return S_OK;
    }

private:
    ClassFactory() = default;
    ~ClassFactory() = default;

    // The library's own reference, which does not lock it.
    LONG m_references = 1;
};

}  // namespace twinsweep
