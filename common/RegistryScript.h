// Registry scripts: a small text language for the keys and values a COM server writes.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove '{guid}' = s 'Description'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Keys are bare words or 'quoted' ('' is a quote inside). A key may carry a default value
// (= s 'text', = d 'number') and a block of subkeys and `val name = ...` entries. %NAME% is
// replaced by a variable, %% by a percent sign. Flags: NoRemove (never deleted on removal),
// ForceRemove (deleted with everything below it before it is written, and on removal),
// Delete (deleted when registering).
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

struct RegistryScriptVariable {
    std::wstring name;
    std::wstring value;
};

enum class RegistryScriptMode { Register, Remove };

// Runs a script; a syntax error gives DISP_E_EXCEPTION before anything is written.
HRESULT RunRegistryScript(std::wstring_view script, std::span<const RegistryScriptVariable> variables,
                          RegistryScriptMode mode);
// Runs the script stored as resource `id` of type "REGISTRY" in `module` (8-bit text, or
// UTF-16 with its byte order mark).
HRESULT RunRegistryScriptResource(HMODULE module, UINT id, std::span<const RegistryScriptVariable> variables,
                                  RegistryScriptMode mode);
