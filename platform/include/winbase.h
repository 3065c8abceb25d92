// Kernel services of the device: handles, events, threads, waits, time,
// modules, files and devices.
#pragma once

#include "windef.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

#define STILL_ACTIVE 0x00000103u
#define EVENT_ALL_ACCESS 0x001F0003u
#define SYNCHRONIZE 0x00100000u

// CreateFile dispositions, sharing, attributes.
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

typedef struct _WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;
typedef WIN32_FIND_DATAW WIN32_FIND_DATA;
typedef LPWIN32_FIND_DATAW LPWIN32_FIND_DATA;

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;
typedef int(WINAPI* FARPROC)();

// Errors.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// Handles.
BOOL CloseHandle(HANDLE hObject);

// Memory blocks (clipboard data). The device's heap has fixed blocks only:
// the handle is the block's address and Lock returns it; LMEM_MOVEABLE is
// taken as fixed. Freeing a handle that is not a live block is refused.
typedef HANDLE HLOCAL;
typedef HANDLE HGLOBAL;
#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define GMEM_FIXED LMEM_FIXED
#define GMEM_MOVEABLE LMEM_MOVEABLE
#define GMEM_ZEROINIT LMEM_ZEROINIT
#define GPTR LPTR
#define GHND LHND
HLOCAL LocalAlloc(UINT uFlags, UINT uBytes);
// NULL when freed; the handle again when it is not a live block.
HLOCAL LocalFree(HLOCAL hMem);
UINT LocalSize(HLOCAL hMem);
LPVOID LocalLock(HLOCAL hMem);
BOOL LocalUnlock(HLOCAL hMem);
inline HGLOBAL GlobalAlloc(UINT uFlags, UINT dwBytes) {
    return LocalAlloc(uFlags, dwBytes);
}
inline HGLOBAL GlobalFree(HGLOBAL hMem) {
    return LocalFree(hMem);
}
inline UINT GlobalSize(HGLOBAL hMem) {
    return LocalSize(hMem);
}
inline LPVOID GlobalLock(HGLOBAL hMem) {
    return LocalLock(hMem);
}
inline BOOL GlobalUnlock(HGLOBAL hMem) {
    return LocalUnlock(hMem);
}

// Events.
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName);
HANDLE OpenEvent(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
BOOL PulseEvent(HANDLE hEvent);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds);

// Threads and time.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, DWORD dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId);
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
DWORD GetCurrentThreadId();
void ExitThread(DWORD dwExitCode);
void Sleep(DWORD dwMilliseconds);
DWORD GetTickCount();

// Interlocked operations on a 32-bit value shared between threads; each
// returns the value the target held before.
LONG InterlockedExchange(LONG volatile* Target, LONG Value);
LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand);
// Both return the new value.
LONG InterlockedIncrement(LONG volatile* Addend);
LONG InterlockedDecrement(LONG volatile* Addend);

// Modules: the built-in libraries of the device.
HMODULE LoadLibrary(LPCWSTR lpLibFileName);
BOOL FreeLibrary(HMODULE hLibModule);
FARPROC GetProcAddress(HMODULE hModule, LPCWSTR lpProcName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);

// Files. Paths are device paths ("\Windows\info.civ"); device names such as
// "EPI1:" open the named driver.
HANDLE CreateFile(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                  LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                  HANDLE hTemplateFile);
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped);
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped);
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL FlushFileBuffers(HANDLE hFile);
BOOL CopyFile(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
BOOL MoveFile(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
BOOL DeleteFile(LPCWSTR lpFileName);
BOOL CreateDirectory(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL RemoveDirectory(LPCWSTR lpPathName);
DWORD GetFileAttributes(LPCWSTR lpFileName);
HANDLE FindFirstFile(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL FindNextFile(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

// Devices.
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
                     DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);

// 32-bit buffer references for driver records.
//
// Driver records on the device carry buffer addresses in 32-bit fields (the
// device is a 32-bit system). On the 64-bit host a pointer does not fit, so a
// program stores a 32-bit reference instead: MapCallerBuffer32 registers the
// caller's buffer (address and length) for the calling thread and returns a
// non-zero reference. The driver resolves the reference together with the
// number of bytes it wants to touch; an unknown reference, or one whose
// registered length is too short, is refused with ERROR_INVALID_PARAMETER,
// so a bad field can never make the driver touch memory it was not given.
// The references of a thread are dropped when its next DeviceIoControl
// returns, so they cannot outlive the request they were made for.
DWORD MapCallerBuffer32(LPVOID pBuffer, DWORD cbBuffer);

// Kernel I/O control (HAL requests).
BOOL KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf, DWORD nOutBufSize,
                     LPDWORD lpBytesReturned);
