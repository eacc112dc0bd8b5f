/// \file
/// \ingroup core_winerror
/// \brief Win32's error codes and HRESULT helpers, with Win32's values, as the
/// registry, file and shell calls of the layer return them.
#ifndef MATRIX_PLATFORM_WINERROR_H_
#define MATRIX_PLATFORM_WINERROR_H_

/// \defgroup core_winerror winerror.h: error codes
/// \ingroup core
/// \brief Win32's error codes and HRESULT helpers, with Win32's values, as the
/// registry, file and shell calls of the layer return them.
/// @{

#include <windef.h>

#define ERROR_SUCCESS 0L                 ///< the call succeeded
#define NO_ERROR 0L                      ///< the same as ERROR_SUCCESS
#define ERROR_INVALID_FUNCTION 1L        ///< an unknown or unsupported function
#define ERROR_FILE_NOT_FOUND 2L          ///< no such file, key or value
#define ERROR_PATH_NOT_FOUND 3L          ///< a folder on the path is missing
#define ERROR_ACCESS_DENIED 5L           ///< not allowed
#define ERROR_INVALID_HANDLE 6L          ///< not a handle the layer knows
#define ERROR_NOT_ENOUGH_MEMORY 8L       ///< memory ran out
#define ERROR_BAD_FORMAT 11L             ///< not a file of the expected format
#define ERROR_INVALID_DATA 13L           ///< malformed data
#define ERROR_OUTOFMEMORY 14L            ///< memory ran out
#define ERROR_GEN_FAILURE 31L            ///< any other failure of the system
#define ERROR_INVALID_PARAMETER 87L      ///< an argument is refused
#define ERROR_DISK_FULL 112L             ///< no room left on the disk
#define ERROR_INSUFFICIENT_BUFFER 122L   ///< the buffer is too small
#define ERROR_MOD_NOT_FOUND 126L         ///< no module is loaded there
#define ERROR_BAD_PATHNAME 161L          ///< a malformed path
#define ERROR_BUSY 170L                  ///< the store stayed locked
#define ERROR_ALREADY_EXISTS 183L        ///< the name exists already
#define ERROR_FILENAME_EXCED_RANGE 206L  ///< the name is too long
#define ERROR_MORE_DATA 234L             ///< the data does not fit the buffer
#define ERROR_NO_MORE_ITEMS 259L         ///< past the last item
#define ERROR_INVALID_FLAGS 1004L        ///< flags the call does not know
#define ERROR_REGISTRY_CORRUPT 1015L     ///< the registry store is damaged
#define ERROR_REGISTRY_IO_FAILED 1016L  ///< reading or writing the store failed
#define ERROR_KEY_DELETED 1018L         ///< the key has been deleted
#define ERROR_CHILD_MUST_BE_VOLATILE 1021L  ///< below a volatile key
#define ERROR_NO_UNICODE_TRANSLATION 1113L  ///< the text holds no Unicode text
#define ERROR_RESOURCE_TYPE_NOT_FOUND \
  1813L                                     ///< the module has no such resource
#define ERROR_TRANSACTION_NOT_ACTIVE 6701L  ///< the transaction has ended

#define S_OK static_cast<HRESULT>(0L)     ///< success
#define S_FALSE static_cast<HRESULT>(1L)  ///< success, answering no
#define E_INVALIDARG static_cast<HRESULT>(0x80070057L)  ///< bad argument
#define E_FAIL static_cast<HRESULT>(0x80004005L)        ///< unspecified failure
#define FACILITY_WIN32 7  ///< the facility of HRESULTs made from Win32 codes
/// TRUE for an HRESULT that reports success (not negative), or failure.
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
/// \copydoc SUCCEEDED
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

/// Win32's HRESULT_FROM_WIN32: 0 stays S_OK, a code that is already an
/// HRESULT (negative) passes through, any other gets the Win32 facility.
inline HRESULT HRESULT_FROM_WIN32(unsigned long x) {
  return static_cast<HRESULT>(x) <= 0
             ? static_cast<HRESULT>(x)
             : static_cast<HRESULT>((x & 0x0000FFFFUL) |
                                    (FACILITY_WIN32 << 16) | 0x80000000UL);
}

/// @}

#endif  // MATRIX_PLATFORM_WINERROR_H_
