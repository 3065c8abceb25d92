// The registry's interface to the boot (platform/host) and to tools that
// manage the device image. Programs use the Reg* functions of winreg.h.
#pragma once

#include <chrono>
#include <string>

#include "windef.h"

namespace ce::reg {

// Applies a replacement staged by RegReplaceKey (DIR/registry.pending): all
// of HKEY_LOCAL_MACHINE becomes the staged tree in one transaction, then the
// staged file is removed. Called by the boot before anything else uses the
// registry. Returns ERROR_SUCCESS when nothing was staged or the replacement
// was applied. Otherwise the error (a staged file that no longer validates,
// a store that refuses the transaction) is returned, the registry is as it
// was and the staged file stays for the next boot; the caller reports it.
DWORD ApplyPendingReplace();

// True when no key exists below the four roots. False as well when the
// store cannot be opened.
bool StoreIsEmpty();

// True when this process created the store of the current image, which did
// not exist: the boot then writes the factory content. A store file that
// exists but holds no registry (an empty file) is damaged, never new.
bool StoreCreated();

// Why the store of the current image could not be opened, in words naming
// the file ("the registry DIR/registry.db is damaged: its table of keys is
// missing or incomplete"); "" when it could.
std::string StoreProblem();

// Drops this process's connection to the store; the next call reopens it.
// Open key handles stay valid. (The connection is also reopened on its own
// when the image changes, ce::ImageGeneration().) A process that forks a
// child which uses the registry calls this first: SQLite connections must not
// cross a fork (a child that inherits one leaves it alone and opens its own,
// as a last resort).
void CloseStore();

// Reads of this process share one read transaction until a write, a commit
// by another process, or until it is older than this limit (10 ms unless
// set; it is ended within about 10 ms after that). While one is held,
// another process's RegFlushKey waits for it.
void SetReadHold(std::chrono::milliseconds limit);

}  // namespace ce::reg
