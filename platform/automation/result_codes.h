// Result codes of the automation model: 0 and 1 succeed, negative values
// fail. The values are the ones automation clients are used to seeing.
#pragma once

#include <cstdint>

namespace qinghe::platform {

using HRESULT = int32_t;

constexpr bool succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool failed(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = int32_t(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = int32_t(0x80004002);
inline constexpr HRESULT E_POINTER = int32_t(0x80004003);
inline constexpr HRESULT E_FAIL = int32_t(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = int32_t(0x80070057);

inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = int32_t(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = int32_t(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = int32_t(0x80020005);
inline constexpr HRESULT DISP_E_NONAMEDARGS = int32_t(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = int32_t(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = int32_t(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = int32_t(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = int32_t(0x8002000B);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = int32_t(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = int32_t(0x8002000F);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = int32_t(0x8002802B);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = int32_t(0x80029C4A);

inline constexpr HRESULT REGDB_E_CLASSNOTREG = int32_t(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = int32_t(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = int32_t(0x800401F3);

}  // namespace qinghe::platform
