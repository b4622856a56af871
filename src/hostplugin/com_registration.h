#pragma once
// Registration of the library's classes in the registry (HKEY_CLASSES_ROOT):
// for every class whose factory is registered, the class key with the library
// as in-process server ("Apartment" threading), the ProgID
// "Norvane94.<coclass>" and the type-library reference; and the type library
// itself with the discovery interface it declares. Unregistering removes
// exactly these keys and nothing else.

#include <string>

#include "platform/com/types.h"

namespace hostplugin {

// The ProgID of a coclass: "Norvane94." + coclass.
std::string ProgIdOf(const char* coclass);

// Writes all keys in one registry update. S_OK, or E_FAIL (nothing written)
// when the registry cannot be written or the path is empty.
HRESULT RegisterPluginServer(const std::string& libraryPath);

// Removes the keys of every class of the table, the type library and the
// discovery interface, in one registry update. S_OK, or E_FAIL when the
// registry cannot be written.
HRESULT UnregisterPluginServer();

}  // namespace hostplugin
