#pragma once
// Process-wide counts of live COM objects and server locks, which decide
// whether the library may be unloaded.

#include "platform/com/types.h"

void ComObjectCreated();
void ComObjectDestroyed();
// Lock (true) or unlock (false) the server. An unlock without a matching lock
// is ignored so that the count never goes below zero.
void ComLockServer(bool lock);
// S_OK when no object is alive and no lock is held, else S_FALSE.
HRESULT ComCanUnloadNow();
long ComObjectCount();
long ComLockCount();
