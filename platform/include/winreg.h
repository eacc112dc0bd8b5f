/// \file
/// \ingroup registry_winreg
/// \brief The Win32 registry: keys, values and their calls, over a durable
/// store of the layer's own.
#ifndef MATRIX_PLATFORM_WINREG_H_
#define MATRIX_PLATFORM_WINREG_H_

/// \defgroup registry_winreg winreg.h: the registry calls
/// \ingroup registry
/// \brief The Win32 registry: keys, values and their calls, over a durable
/// store of the layer's own.
/// @{

#include <afxexport.h>
#include <windef.h>
#include <winerror.h>

struct HKEY__;
/// A key handle names an entry of the layer's handle table; it is never
/// dereferenced. Values are not reused within a process, so a closed handle
/// stays refused (ERROR_INVALID_HANDLE) rather than reaching another key.
typedef HKEY__* HKEY;
/// A pointer to a key handle.
typedef HKEY* PHKEY;
typedef DWORD ACCESS_MASK;   ///< access rights (KEY_READ, ...)
typedef ACCESS_MASK REGSAM;  ///< the registry's name for them
/// A status code, as the registry calls return it.
typedef LONG LSTATUS;

/// The predefined key of value `v`, sign-extended as Win32 defines them.
#define MATRIX_PLATFORM_PREDEFINED_KEY(v) \
  (reinterpret_cast<HKEY>(                \
      static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(v)))))

/// @}

/// \addtogroup registry_winreg
/// The predefined keys, sign-extended as Win32 defines them. Only
/// HKEY_CURRENT_USER (the user's store) and HKEY_LOCAL_MACHINE (the
/// machine's store) are backed; the others give ERROR_INVALID_HANDLE.
/// @{

/// Not backed.
#define HKEY_CLASSES_ROOT MATRIX_PLATFORM_PREDEFINED_KEY(0x80000000)
/// The user's store.
#define HKEY_CURRENT_USER MATRIX_PLATFORM_PREDEFINED_KEY(0x80000001)
/// The machine's store.
#define HKEY_LOCAL_MACHINE MATRIX_PLATFORM_PREDEFINED_KEY(0x80000002)
/// Not backed.
#define HKEY_USERS MATRIX_PLATFORM_PREDEFINED_KEY(0x80000003)
/// Not backed.
#define HKEY_PERFORMANCE_DATA MATRIX_PLATFORM_PREDEFINED_KEY(0x80000004)
/// Not backed.
#define HKEY_CURRENT_CONFIG MATRIX_PLATFORM_PREDEFINED_KEY(0x80000005)
/// Not backed.
#define HKEY_DYN_DATA MATRIX_PLATFORM_PREDEFINED_KEY(0x80000006)

/// \name Value types
/// Value types.
/// @{

#define REG_NONE 0UL                 ///< no type
#define REG_SZ 1UL                   ///< a zero-terminated wide text
#define REG_EXPAND_SZ 2UL            ///< the same, with \%VAR\% references
#define REG_BINARY 3UL               ///< bytes
#define REG_DWORD 4UL                ///< a 32-bit number
#define REG_DWORD_LITTLE_ENDIAN 4UL  ///< the same as REG_DWORD
#define REG_DWORD_BIG_ENDIAN 5UL     ///< a 32-bit number, big-endian
#define REG_LINK 6UL                 ///< a symbolic link
#define REG_MULTI_SZ 7UL             ///< texts, each ended by a 0, then a 0
#define REG_RESOURCE_LIST 8UL        ///< a hardware resource list
#define REG_FULL_RESOURCE_DESCRIPTOR 9UL     ///< a hardware resource descriptor
#define REG_RESOURCE_REQUIREMENTS_LIST 10UL  ///< a hardware requirements list
#define REG_QWORD 11UL                       ///< a 64-bit number
#define REG_QWORD_LITTLE_ENDIAN 11UL         ///< the same as REG_QWORD
/// @}

/// \name Access rights
/// Access rights.
/// @{

#define DELETE 0x00010000UL                    ///< delete the object
#define READ_CONTROL 0x00020000UL              ///< read its security
#define WRITE_DAC 0x00040000UL                 ///< change its access list
#define WRITE_OWNER 0x00080000UL               ///< change its owner
#define SYNCHRONIZE 0x00100000UL               ///< wait on it
#define STANDARD_RIGHTS_READ READ_CONTROL      ///< READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL     ///< READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL   ///< READ_CONTROL
#define STANDARD_RIGHTS_REQUIRED 0x000F0000UL  ///< DELETE to WRITE_OWNER
#define STANDARD_RIGHTS_ALL 0x001F0000UL       ///< all standard rights
#define KEY_QUERY_VALUE 0x0001UL               ///< read values
#define KEY_SET_VALUE 0x0002UL                 ///< set and delete values
#define KEY_CREATE_SUB_KEY 0x0004UL            ///< create subkeys
#define KEY_ENUMERATE_SUB_KEYS 0x0008UL        ///< enumerate subkeys
#define KEY_NOTIFY 0x0010UL                    ///< be told of changes
#define KEY_CREATE_LINK 0x0020UL               ///< create links
#define KEY_WOW64_32KEY 0x0200UL  ///< the 32-bit view (one view here)
#define KEY_WOW64_64KEY 0x0100UL  ///< the 64-bit view (one view here)
#define KEY_WOW64_RES 0x0300UL    ///< both view bits
#define KEY_READ 0x00020019UL     ///< query, enumerate, notify, read control
#define KEY_WRITE 0x00020006UL    ///< set values, create subkeys, read control
#define KEY_EXECUTE KEY_READ      ///< the same as KEY_READ
#define KEY_ALL_ACCESS 0x000F003FUL  ///< every right
/// @}

/// \name Options of RegCreateKeyExW and RegOpenKeyExW
/// Options of RegCreateKeyExW and RegOpenKeyExW.
/// @{

#define REG_OPTION_RESERVED 0x00000000UL        ///< no option
#define REG_OPTION_NON_VOLATILE 0x00000000UL    ///< kept (the default)
#define REG_OPTION_VOLATILE 0x00000001UL        ///< gone after a reboot
#define REG_OPTION_CREATE_LINK 0x00000002UL     ///< a symbolic link
#define REG_OPTION_BACKUP_RESTORE 0x00000004UL  ///< for backup programs
#define REG_OPTION_OPEN_LINK 0x00000008UL       ///< open the link itself
/// @}

/// \name Dispositions reported by RegCreateKeyExW
/// Dispositions reported by RegCreateKeyExW.
/// @{

#define REG_CREATED_NEW_KEY 0x00000001UL      ///< the key was created
#define REG_OPENED_EXISTING_KEY 0x00000002UL  ///< the key existed
/// @}

/// @}

/// \addtogroup registry_winreg
/// Every call returns a Win32 status code (ERROR_SUCCESS, 0, on success),
/// never throws and may be called from several threads and processes at
/// once. Names of keys and values are compared without regard to case (one
/// fixed per-character mapping, whatever the C locale) and kept as written.
/// A key name is at most 255 characters without '\\', a value name 16 383,
/// a class 255, a path 512 levels deep; longer names, and names or classes
/// holding a surrogate or a value above U+10FFFF, give
/// ERROR_INVALID_PARAMETER. A handle on a key that has since been deleted
/// gives ERROR_KEY_DELETED; a busy store gives ERROR_BUSY after 5 s with
/// nothing changed; a damaged store ERROR_REGISTRY_CORRUPT (the file is
/// left alone), a failing disk ERROR_REGISTRY_IO_FAILED, a full one
/// ERROR_DISK_FULL.
/// @{

/// Creates or opens the key `lpSubKey` ('\\'-separated, up to 32 levels) below
/// `hKey`, creating every missing level in one transaction; `lpClass` (may be
/// null) and REG_OPTION_VOLATILE in `dwOptions` apply to the keys it creates.
/// A volatile key vanishes at the first use of the store after a reboot, and
/// only volatile keys may lie below it. "" or null opens a new handle to
/// `hKey`'s key. Stores the new handle in `*phkResult` (null on failure) and
/// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY in `*lpdwDisposition` (may
/// be null). Trailing '\\'s are ignored ("tail\\" names "tail"); a leading
/// '\' or a doubled one inside gives ERROR_BAD_PATHNAME, as for the other
/// calls that take a path.
MATRIX_PLATFORM_API LONG
RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                DWORD dwOptions, REGSAM samDesired,
                const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                PHKEY phkResult, LPDWORD lpdwDisposition);

/// Opens the existing key `lpSubKey` below `hKey` with the rights
/// `samDesired`; "" opens a new handle to the same key, null on a predefined
/// key gives that key itself. A missing key gives ERROR_FILE_NOT_FOUND.
/// Stores the handle in `*phkResult`, null on failure.
MATRIX_PLATFORM_API LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey,
                                       DWORD ulOptions, REGSAM samDesired,
                                       PHKEY phkResult);

/// Closes a handle; a predefined key is left alone and gives ERROR_SUCCESS.
MATRIX_PLATFORM_API LONG RegCloseKey(HKEY hKey);

/// Copies the name of subkey `dwIndex` (subkeys are ordered by their
/// case-folded names) into `lpName`, a buffer of `cchName` characters, with
/// its terminator. ERROR_MORE_DATA when name and terminator do not fit
/// (buffer untouched), ERROR_NO_MORE_ITEMS past the last subkey. Needs
/// KEY_ENUMERATE_SUB_KEYS.
MATRIX_PLATFORM_API LONG RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName,
                                     DWORD cchName);

/// Reads value `dwIndex` (values keep their creation order; overwriting keeps
/// the place): its name into `lpValueName` (`*lpcchValueName` characters of
/// room in, the name's length without terminator out), its type into
/// `*lpType` and its bytes into `lpData` (`*lpcbData` bytes of room in, the
/// size out). Null `lpType`/`lpData` skip those; null `lpData` with
/// `lpcbData` gives the size. A name or data that does not fit gives
/// ERROR_MORE_DATA with the type in `*lpType`, the data's size in
/// `*lpcbData` and the data buffer untouched (a name that does not fit also
/// leaves the name buffer and `*lpcchValueName` as they were); data without
/// `lpcbData` ERROR_INVALID_PARAMETER; past the last value
/// ERROR_NO_MORE_ITEMS. Needs KEY_QUERY_VALUE.
MATRIX_PLATFORM_API LONG RegEnumValueW(HKEY hKey, DWORD dwIndex,
                                       LPWSTR lpValueName,
                                       LPDWORD lpcchValueName,
                                       LPDWORD lpReserved, LPDWORD lpType,
                                       LPBYTE lpData, LPDWORD lpcbData);

/// Reads the value `lpValueName` (null or "": the key's default value): type
/// into `*lpType`, bytes into `lpData` as for RegEnumValueW. A missing value
/// gives ERROR_FILE_NOT_FOUND. Needs KEY_QUERY_VALUE.
MATRIX_PLATFORM_API LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName,
                                          LPDWORD lpReserved, LPDWORD lpType,
                                          LPBYTE lpData, LPDWORD lpcbData);

/// Stores exactly the `cbData` bytes at `lpData` as value `lpValueName` of
/// type `dwType` (not checked against the bytes), creating or overwriting it.
/// Null `lpData` with 0 bytes stores an empty value; null with more gives
/// ERROR_INVALID_PARAMETER. String data are the caller's wchar_t text with
/// its terminator, (length + 1) * sizeof(WCHAR) bytes. Needs KEY_SET_VALUE.
MATRIX_PLATFORM_API LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName,
                                        DWORD Reserved, DWORD dwType,
                                        const BYTE* lpData, DWORD cbData);

/// Deletes the key `lpSubKey` below `hKey` with its values. A key that has
/// subkeys gives ERROR_ACCESS_DENIED, a missing one ERROR_FILE_NOT_FOUND;
/// handles still open on the deleted key then give ERROR_KEY_DELETED.
MATRIX_PLATFORM_API LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);

/// Deletes the key `lpSubKey` below `hKey` with everything below it, in one
/// transaction; null `lpSubKey` deletes the subkeys and values of `hKey`'s
/// key and keeps the key itself. A missing key gives ERROR_FILE_NOT_FOUND; a
/// store's root is only ever emptied ("" on a predefined key gives
/// ERROR_ACCESS_DENIED). As for RegDeleteKeyW the handle's rights are not
/// checked, except that emptying a key that has values needs KEY_SET_VALUE
/// (else ERROR_ACCESS_DENIED, nothing deleted). Handles still open on the
/// deleted keys then give ERROR_KEY_DELETED.
MATRIX_PLATFORM_API LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

/// Deletes the value `lpValueName` (null or "": the default value); a missing
/// value gives ERROR_FILE_NOT_FOUND. Needs KEY_SET_VALUE.
MATRIX_PLATFORM_API LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);

/// Describes a key; every output may be null. The class goes to `lpClass`
/// with `*lpcchClass` characters of room in and its length without
/// terminator out (ERROR_MORE_DATA, and the length needed, when it does not
/// fit). Counts are what enumeration yields; longest names are in characters
/// without terminator, the longest data in bytes; the security descriptor
/// size is 0 (the store has none). Needs KEY_QUERY_VALUE.
MATRIX_PLATFORM_API LONG RegQueryInfoKeyW(
    HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
    LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
    LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
    LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);

/// Makes everything committed to `hKey`'s store so far survive a power loss
/// (a syncing checkpoint). What a call committed already survives the end of
/// its process, however abrupt, without it. A handle on a deleted key gives
/// ERROR_KEY_DELETED, as every other call does.
MATRIX_PLATFORM_API LONG RegFlushKey(HKEY hKey);

/// The layer's own query, beyond Win32: stores in `*within` whether the key
/// of `hKey` is the key of `hOuter` or lies below it (FALSE for keys of two
/// different stores). ERROR_INVALID_PARAMETER when `within` is null; the
/// handles' own errors otherwise. Needs no rights.
MATRIX_PLATFORM_API LONG AfxRegIsKeyWithin(HKEY hOuter, HKEY hKey,
                                           BOOL* within);

/// The layer's own transaction, beyond Win32 (whose transacted calls, over a
/// transaction object that several handles and threads share, it does not
/// provide): between AfxRegBeginTransaction and AfxRegCommitTransaction every
/// registry call of the calling thread, on any handle and either store, is
/// kept back and then made at once; AfxRegRollbackTransaction, or a commit
/// that fails, undoes it all. While it is open the registry belongs to the
/// thread: other threads' calls wait until it ends, other processes' changes
/// wait at most 5 s (then ERROR_BUSY). A call that fails inside it undoes its
/// own part only; once SQLite itself has rolled the transaction back (after
/// an I/O fault) every further change gives ERROR_TRANSACTION_NOT_ACTIVE. A
/// transaction that changed both stores commits them one after the other
/// (the user's first): should the second commit fail, the first stays.
/// RegFlushKey flushes nothing while it is open. The thread that began it
/// must end it. ERROR_INVALID_FUNCTION for a second begin on the thread and
/// for an end without a begin; the commit returns the first commit's fault
/// (ERROR_DISK_FULL, ...), with what was not committed rolled back.
MATRIX_PLATFORM_API LONG AfxRegBeginTransaction();
/// \copydoc AfxRegBeginTransaction()
MATRIX_PLATFORM_API LONG AfxRegCommitTransaction();
/// \copydoc AfxRegBeginTransaction()
MATRIX_PLATFORM_API LONG AfxRegRollbackTransaction();

/// @}

#endif  // MATRIX_PLATFORM_WINREG_H_
