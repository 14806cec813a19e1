/* The keyword lookups of regsettings.dll: where the suite's programs find their folders and
   settings, plus a file checksum and the per-user data folder.
   Plain C interface: cdecl, 8-bit ANSI strings, exported by these exact names.
   Unless stated otherwise a function returns 1 on success and 0 on failure; on failure it
   leaves its outputs untouched. A text is copied only when the buffer holds it with its
   terminating zero. unsigned long is the 32-bit DWORD of Windows. */
#ifndef FLIPDECK_REGSETTINGS_H
#define FLIPDECK_REGSETTINGS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Keyword lookups. Keywords are matched in upper case with surrounding white space removed. */
int __cdecl GetRegistryBrivaneString(const char* keyword, char* buffer, unsigned int size);
int __cdecl GetRegistryTessaroString(const char* keyword, char* buffer, unsigned int size);
int __cdecl GetRegistryTessaroIIString(const char* keyword, char* buffer, unsigned int size);
int __cdecl GetRegistryScrivoString(const char* keyword, char* buffer, unsigned int size);
int __cdecl GetRegistryTaragoString(const char* keyword, char* buffer, unsigned int size);
int __cdecl GetRegistryBusflashString(const char* keyword, char* buffer, unsigned int size);
int __cdecl GetRegistryTessaroDW(const char* keyword, unsigned long* value);
int __cdecl GetRegistryTessaroIIBin(const char* keyword, unsigned char* value);
int __cdecl GetRegistryBrivaneBin(const char* keyword, unsigned char* value);
int __cdecl GetRegistryScrivoBin(const char* keyword, unsigned char* value);
int __cdecl GetRegistryTaragoBin(const char* keyword, unsigned char* value);
int __cdecl GetRegistryBusflashBin(const char* keyword, unsigned char* value);

/* Writes only for "LANGUAGE"; any other keyword writes nothing and returns 1. */
int __cdecl SetRegistryTessaroIIString(const char* keyword, const char* text);

/* Values of key SOFTWARE\Brivane\<subKey>. The DWORD function sets *value to 0 first. */
int __cdecl GetRegistryRegistryToolsString(const char* subKey, const char* valueName, char* buffer,
                                           unsigned int size);
int __cdecl GetRegistryRegistryToolsDW(const char* subKey, const char* valueName, unsigned long* value);

/* Name tables; nothing fills them, so they always return 0. */
int __cdecl GetRegistryToolName(int index, char* buffer, int flag);
int __cdecl GetRegistryVersionName(int index, char* buffer, int flag);
int __cdecl GetRegistryAppParaName(int index, char* buffer, int flag);

/* CRC-32 (the one of zlib and PKZIP) of a file's contents. Returns 0, or the system error code
   of the failed open; *crc always receives the checksum, 0 when the file could not be opened. */
int __cdecl GetFileCrc(const char* fileName, unsigned long* crc);

/* <Documents>\Brivane\Kalvio, created when missing. */
int __cdecl GetLocalUserFolder(char* buffer, unsigned int size);

#ifdef __cplusplus
}
#endif

#endif
