// The registry's interface to the boot (platform/host) and to tools that
// manage the device image. Programs use the Reg* functions of winreg.h.
#pragma once

#include "windef.h"

namespace ce::reg {

// Applies a replacement staged by RegReplaceKey (DIR/registry.pending): all
// of HKEY_LOCAL_MACHINE becomes the staged tree in one transaction, then the
// staged file is removed. Called by the boot before anything else uses the
// registry. Returns ERROR_SUCCESS when nothing was staged or the replacement
// was applied. A staged file that no longer validates is left in place,
// reported on stderr, and its error returned (the registry is untouched).
DWORD ApplyPendingReplace();

// True when no key exists below the four roots (the boot then writes the
// factory content). False as well when the store cannot be opened.
bool StoreIsEmpty();

// Drops this process's connection to the store; the next call reopens it.
// Open key handles stay valid. (The connection is also reopened on its own
// when the image changes, ce::ImageGeneration().) A process that forks a
// child which uses the registry calls this first: SQLite connections must not
// cross a fork (a child that inherits one leaves it alone and opens its own,
// as a last resort).
void CloseStore();

}  // namespace ce::reg
