/// \file
/// \ingroup lib_util
/// \brief Utilities: the JSON walker; registry trees and regional settings;
/// numbered files in the product folder and module version numbers;
/// transliteration, CRC-32 and sorting.
#ifndef MATRIX_UTIL_H_
#define MATRIX_UTIL_H_

/// \defgroup lib_util Utilities (util.h)
/// \ingroup libmatrix
/// \brief Utilities: the JSON walker; registry trees and regional settings;
/// numbered files in the product folder and module version numbers;
/// transliteration, CRC-32 and sorting.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
/// @{

#include <afx.h>
#include <afxcoll.h>
#include <intfile.h>
#include <matrix/export.h>
#include <windef.h>
#include <winreg.h>

/// \name JSON walker
///
/// JsonParse hands the strings and numbers of a JSON document to the host,
/// one callback call per value, down to depth 8 (the root's members and
/// elements are depth 1). Objects and arrays are only descended into;
/// booleans and nulls are never reported. Which name and parent each depth
/// reports is fixed (K1..K8 are the keys on the path: a member's name, or an
/// element's index, which never counts as a name):
/// ```
/// depth 1: name = member name, parent null; a string needs K1 a name.
/// depth 2: name = member name, parent K1; needs K1 (a string also K2).
/// depth 3: name K3, needs K3; parent = member name when
///          passParentAtDepth3 is true and it is not empty, else null.
/// depth 4: name K4, parent K3, needs both.
/// depth 5-8: name Kn, needs Kn; parent Pn, the first name among K(n-1),
///          K(n-2), K(n-3), fixed before a depth-(n-1) value is descended
///          into, even one without children; none: the walk is abandoned.
/// ```
/// The member name starts empty for each depth-1 value and becomes K1 (at
/// depth 1) or K2 (at depth 2) whenever that key is a name, even when the
/// value is then not reported. Anything at depth 8 that is not reported
/// (a container, boolean, null or array element) abandons the walk.
/// An integral number (its fraction dropped it fits 32 bits and differs from
/// the double by less than 2^-52) reports valueType 22, its 32 bits in
/// intValue and doubleValue 0.0 at depths 1-4, the double at depths 5-8;
/// any other number reports 5 and the double; a string reports 8.
///
/// Object members reach the callback in the order cpprestsdk keeps them: by
/// the bytes of their UTF-8 names by default, in document order once the
/// host has called web::json::keep_object_element_order(true) (a setting of
/// the whole process that JsonParse never changes). Array elements come in
/// index order.
/// @{

/// The host's function for one reported value: the value's name (never
/// null), its text (valueType 8, else null), its integer (22, else 0), its
/// double (see above), the caller's context, the type code (8, 22 or 5) and
/// the parent name (may be null). The strings are valid only during the
/// call; the result is ignored.
typedef int (*JsonValueCallback)(const wchar_t* name,
                                 const wchar_t* stringValue, DWORD intValue,
                                 double doubleValue, DWORD context,
                                 unsigned short valueType,
                                 const wchar_t* parentName);

/// Parses the zero-terminated `text` and reports its values to `callback`,
/// each call carrying `context` unchanged. Returns 1 when the walk ran to
/// its end; 0 with no call when `text` or `callback` is null or the text
/// does not parse (not JSON, nested deeper than 128, or holding a lone
/// surrogate, raw or as a \\u escape, or a value above U+10FFFF); 0 when the
/// walk is abandoned, the calls made before standing. Exceptions thrown by
/// `callback` pass through to the caller.
MATRIX_API int JsonParse(const wchar_t* text, JsonValueCallback callback,
                         DWORD context, bool passParentAtDepth3);
/// @}

/// \name Registry trees and regional settings
/// @{

/// Deletes every subkey of `key` at every depth; `key` itself and its own
/// values stay. `key` needs KEY_ENUMERATE_SUB_KEYS (subkeys are opened with
/// KEY_WRITE | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS). Returns
/// ERROR_SUCCESS, or at the first failing registry call its code (for
/// example ERROR_MORE_DATA for a subkey name over 260 characters), what was
/// deleted until then staying deleted. Every handle it opens is closed; the
/// walk keeps its state on the heap, so depth costs no stack.
MATRIX_API LONG RegDeleteKeyWithSubkey(HKEY key);

/// Copies the subkeys (with their classes, at every depth) and then the
/// values of `source` into `destination`, merging: existing keys are opened,
/// values overwritten, nothing in `destination` deleted. Keys are created
/// non-volatile with KEY_WRITE; `source` needs KEY_READ. Returns
/// ERROR_SUCCESS, or at the first failure its code, what was copied until
/// then staying copied: a failed subkey read (other than the end of the
/// subkeys), and a value over 1 MiB or with a name over 260 characters
/// (ERROR_MORE_DATA), end the copy. A `destination` that lies below `source`
/// gives ERROR_INVALID_PARAMETER with nothing copied (the copy would feed on
/// itself); `destination` equal to `source` is allowed and changes nothing.
/// Throws CMemoryException* when its 1 MiB value buffer cannot be had (all
/// handles it opened closed).
MATRIX_API LONG RegCopyKeyWithSubkey(HKEY source, HKEY destination);

/// Reads the value `valueName` of the user's regional settings
/// (HKEY_CURRENT_USER\\Control Panel\\International). A REG_DWORD of 4 bytes
/// goes to `*dwordOut`, a REG_SZ or REG_EXPAND_SZ (unexpanded) to
/// `*stringOut` as its whole characters up to the first zero or the data's
/// end; either may be null. They are written only after a successful read.
/// Returns ERROR_SUCCESS; the registry's code when the value is missing or
/// its read fails (ERROR_MORE_DATA when it grew meanwhile);
/// ERROR_INVALID_DATA for a REG_DWORD of another size. A key that cannot be
/// opened, a value of another type or a null destination for its type give
/// ERROR_SUCCESS with nothing stored. Throws CMemoryException* when the
/// text does not fit in memory.
MATRIX_API LONG GetControlPanelProp(CString valueName, DWORD* dwordOut,
                                    CString* stringOut);
/// @}

/// \name Files and versions
/// @{

/// Opens a file for writing ("w": created, or emptied once held) in `file`,
/// which closes the stream it held first. An empty or unopenable
/// `preferredName` (a path used as given) gives way to a numbered name in the
/// product folder, the common application-data folder followed by "\ZELMAR"
/// (created when missing; it stays): `namePattern` with each "%i" replaced by
/// the attempt number 0 to 9, or, when it holds no "%i", with "%i" put
/// before each '.' first ("log.txt": log0.txt, log1.txt ...). No other
/// character of the pattern or of the folder is changed. An attempt fails
/// when the file cannot be opened for writing, for instance while another
/// stream holds it open for writing. Returns 1 when `file` holds the new
/// stream; 0 when the folder cannot be had (`file` untouched) or every name
/// fails (`file` then holds none). Which name was opened is not reported.
MATRIX_API int OpenTempFile(CIntFileA& file, CString preferredName,
                            CString namePattern);

/// Reads the product and file version numbers of the module loaded at
/// `module` (a null handle: the program) from its version resource, as
/// stored: each MS word holds major (high 16 bits) and minor, each LS word
/// build and revision. Returns 1 with all four written. Returns 0 with all
/// four unchanged when the module's file or its version resource cannot be
/// found (a path longer than 32767 characters included); returns 0 with the
/// two product words set to 0 and the file words unchanged when the resource
/// cannot be read or holds no valid fixed part. Throws CMemoryException*
/// when the resource cannot be held in memory.
MATRIX_API int GetProductAndFileVersion(HINSTANCE module,
                                        DWORD& productVersionMS,
                                        DWORD& productVersionLS,
                                        DWORD& fileVersionMS,
                                        DWORD& fileVersionLS);
/// @}

/// \name Text and checksum utilities
/// @{

/// Russian text in Latin letters: each of the 33 lower- and 33 upper-case
/// Russian letters is replaced by its fixed Latin spelling ("щ" -> "shh",
/// "Щ" -> "Shh", "ъ" -> "#", "Ъ" -> "##", "ь" -> "'", "Ь" -> "\""); every
/// other character is copied unchanged. Returns the new text; throws
/// CMemoryException* when it would not fit in a string.
MATRIX_API CString RusToTranslit(CString text);

/// The CRC-32 of `length` bytes at `data` (reflected polynomial 0xEDB88320,
/// register starting at and finally XORed with 0xFFFFFFFF; the checksum of
/// zlib and IEEE 802.3). Each call starts afresh. A null `data` reads nothing
/// and gives the checksum of no bytes, 0, whatever `length` says.
MATRIX_API unsigned int Crc32(const unsigned char* data, unsigned int length);

/// Sorts `values` in place, ascending when `ascending` is non-zero, else
/// descending (unsigned comparison). An array already strictly in that order
/// is left untouched; otherwise only the element order changes (same size,
/// same storage).
MATRIX_API void SortArray(int ascending, CUIntArray& values);
/// @}

/// @}

#endif  // MATRIX_UTIL_H_
