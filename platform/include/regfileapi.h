// Registry text files (.reg) on the device's file system, for programs: the
// same reader and writer as cereg, behind Win32-style calls.
//
// Files are written as "Windows Registry Editor Version 5.00" text in UTF-16LE
// with a byte-order mark (every registry name and string can be written so);
// files are read in any form cereg reads (REGEDIT4 or Version 5.00, UTF-8 or
// UTF-16LE).
//
// Each call reports a Win32 status and, when it fails, a sentence for the
// user in lpErrorText (cut to cchErrorText characters with the terminator).
#pragma once

#include "windef.h"

// Writes the key lpSubKey of hKey (a root key; "" or NULL for the root
// itself, a leading "\" is allowed) with everything below it to the device
// file lpFile, replacing the file as a whole. With hKey NULL the four roots
// are written. ERROR_FILE_NOT_FOUND when the key does not exist; the error of
// the file system when the file cannot be written (the old file then stays).
LONG RegExportKeyToFile(HKEY hKey, LPCWSTR lpSubKey, LPCWSTR lpFile, LPWSTR lpErrorText, DWORD cchErrorText);

// Reads the registry text file lpFile and applies it in one transaction:
// everything is checked first, and a file with any fault changes nothing.
// ERROR_FILE_NOT_FOUND when the file does not exist; ERROR_INVALID_DATA when
// it is malformed or asks for something the registry refuses (the text then
// names the line).
LONG RegImportFile(LPCWSTR lpFile, LPWSTR lpErrorText, DWORD cchErrorText);
