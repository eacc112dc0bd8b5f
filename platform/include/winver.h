/// \file
/// \ingroup file_winver
/// \brief Version resources of module files.
#ifndef MATRIX_PLATFORM_WINVER_H_
#define MATRIX_PLATFORM_WINVER_H_

/// \defgroup file_winver winver.h: version resources
/// \ingroup file
/// \brief Version resources of module files.
/// @{

#include <afxexport.h>
#include <windef.h>

/// The fixed part of a version resource, as on Windows: 13 DWORDs. In each
/// MS word the high 16 bits are the major and the low 16 bits the minor
/// number; in each LS word the build and the revision.
typedef struct tagVS_FIXEDFILEINFO {
  DWORD dwSignature;         ///< VS_FFI_SIGNATURE
  DWORD dwStrucVersion;      ///< VS_FFI_STRUCVERSION
  DWORD dwFileVersionMS;     ///< file version: major, minor
  DWORD dwFileVersionLS;     ///< file version: build, revision
  DWORD dwProductVersionMS;  ///< product version: major, minor
  DWORD dwProductVersionLS;  ///< product version: build, revision
  DWORD dwFileFlagsMask;     ///< the valid bits of dwFileFlags
  DWORD dwFileFlags;         ///< VS_FF_DEBUG, ...
  DWORD dwFileOS;            ///< VOS_UNKNOWN, ...
  DWORD dwFileType;          ///< VFT_APP, VFT_DLL, ...
  DWORD dwFileSubtype;       ///< 0 for these types
  DWORD dwFileDateMS;        ///< time stamp, high 32 bits
  DWORD dwFileDateLS;        ///< time stamp, low 32 bits
} VS_FIXEDFILEINFO;

#define VS_FFI_SIGNATURE 0xFEEF04BDL      ///< dwSignature of every fixed part
#define VS_FFI_STRUCVERSION 0x00010000L   ///< dwStrucVersion: version 1.0
#define VS_FFI_FILEFLAGSMASK 0x0000003FL  ///< every defined file flag
#define VS_FF_DEBUG 0x00000001L           ///< built for debugging
#define VOS_UNKNOWN 0x00000000L           ///< system unknown
#define VFT_UNKNOWN 0x00000000L           ///< type unknown
#define VFT_APP 0x00000001L               ///< a program
#define VFT_DLL 0x00000002L               ///< a shared library

/// @}

/// \addtogroup file_winver
/// On Linux a module's version resource is an allocated ELF note (section
/// .note.matrix.version, in a PT_NOTE segment, so strip and --gc-sections
/// keep it): owner "MATRIX", type 1; its descriptor is the format number 1,
/// the VS_FIXEDFILEINFO, then UTF-8 "Name=Value" strings each ending with a
/// 0 byte, the last one empty. cmake/matrixVersionResource.cmake writes it.
/// The calls below turn it into the VS_VERSIONINFO block that Windows
/// returns, WCHAR being wchar_t: the fixed part at "\", the one translation
/// (language 0x0409, code page 0x04B0) at "\\VarFileInfo\\Translation", and
/// the strings at "\\StringFileInfo\\040904B0\\\<Name>".
///
/// A note is untrusted data: only regular files are read, only their headers
/// and note segments (at most 64 KiB of notes), every offset and length
/// checked against the file. Errors: ERROR_FILE_NOT_FOUND (or another error
/// of opening), ERROR_BAD_FORMAT for a file that is not an ELF file of this
/// machine, ERROR_RESOURCE_TYPE_NOT_FOUND when it has no version note,
/// ERROR_INVALID_DATA when the note is malformed.
/// @{

/// The size in bytes of the version block of file `name`, or 0 with the last
/// error set. Stores 0 in `*handle` when `handle` is not null.
MATRIX_PLATFORM_API DWORD GetFileVersionInfoSizeW(LPCWSTR name, LPDWORD handle);

/// Reads the version block of file `name` into `data`, which holds `len`
/// bytes; `handle` is ignored. Called right after GetFileVersionInfoSizeW of
/// the same name on the same thread, it copies the block that call measured
/// unless the file has changed meanwhile (another file, size or time stamp),
/// instead of reading the file again. Copies at most `len` bytes; a block cut
/// short has its own length say what was copied (as Windows does), so that
/// VerQueryValueW finds only what is there. Returns TRUE; FALSE with the last
/// error set (ERROR_INVALID_PARAMETER for a null `data`,
/// ERROR_INSUFFICIENT_BUFFER when `len` is less than a block header, 6).
MATRIX_PLATFORM_API BOOL GetFileVersionInfoW(LPCWSTR name, DWORD handle,
                                             DWORD len, LPVOID data);

/// Looks up `subBlock` in the version block `block` (keys compared without
/// regard to case) and stores a pointer into the block in `*value` and its
/// length in `*len`: bytes for "\" (52, the VS_FIXEDFILEINFO) and for
/// "\\VarFileInfo\\Translation", characters with the terminator for a string.
/// Reads nothing past the block's own length. Returns FALSE, storing 0 in
/// `*len`, when an argument is null or the value is not in the block.
MATRIX_PLATFORM_API BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock,
                                        LPVOID* value, PUINT len);

/// @}

#endif  // MATRIX_PLATFORM_WINVER_H_
