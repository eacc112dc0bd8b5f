/// \file
/// \ingroup file_crtio
/// \brief The C run-time's wide-character file open.
#ifndef MATRIX_PLATFORM_CRTIO_H_
#define MATRIX_PLATFORM_CRTIO_H_

/// \defgroup file_crtio crtio.h: the run-time's file open
/// \ingroup file
/// \brief The C run-time's wide-character file open.
/// @{

#include <afxexport.h>

#include <cstdio>

/// An errno value, as the C run-time's secure calls return it.
typedef int errno_t;

/// Opens the file `name` as a stdio stream in `mode`: "r", "w" or "a",
/// optionally followed by '+', 'b' or 't' (both ignored) and, after "w", 'x'
/// (fail when the file exists), each at most once. Stores the stream in
/// `*file` and returns 0. A null argument or another mode returns EINVAL and
/// leaves `*file` unchanged; any other failure stores nullptr and returns the
/// errno (EILSEQ for a name that holds no Unicode text, EACCES for a folder,
/// as on Windows).
///
/// As on Windows the file is not shared: while a stream opened for writing
/// lives, another open of that file through _wfopen_s fails with EACCES;
/// streams opened only for reading share with each other. "w" truncates only
/// once the file is held, so a refused second writer destroys nothing. The
/// hold is an advisory lock of the open file description: other programs
/// that do not ask for it are not stopped. A FIFO without a reader fails at
/// once (ENXIO) instead of waiting; streams are closed on exec.
MATRIX_PLATFORM_API errno_t _wfopen_s(FILE** file, const wchar_t* name,
                                      const wchar_t* mode);

/// @}

#endif  // MATRIX_PLATFORM_CRTIO_H_
