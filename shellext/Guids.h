// The identities of Vexil's class and type library. The type library's .idl
// carries the same values: the registration tests read them back from both.
#pragma once

#include <windows.h>

namespace twinsweep {

// {8D41F2A6-3C7E-4B95-A0D2-6E19C47B53F8}
inline constexpr CLSID kSweepMenuHandlerClsid = {
    0x8D41F2A6, 0x3C7E, 0x4B95, {0xA0, 0xD2, 0x6E, 0x19, 0xC4, 0x7B, 0x53, 0xF8}};

// {2A6E9C14-F5B3-47D8-9C01-D34B8E72A65C}
inline constexpr GUID kVexilLibid = {
    0x2A6E9C14, 0xF5B3, 0x47D8, {0x9C, 0x01, 0xD3, 0x4B, 0x8E, 0x72, 0xA6, 0x5C}};

}  // namespace twinsweep
