/// \file
/// \ingroup file_intfile
/// \brief The host's file object: one stdio stream.
#ifndef MATRIX_PLATFORM_INTFILE_H_
#define MATRIX_PLATFORM_INTFILE_H_

/// \defgroup file_intfile intfile.h: the host's file object
/// \ingroup file
/// \brief The host's file object: one stdio stream.
/// @{

#include <afx.h>
#include <afxexport.h>
#include <windef.h>

#include <cstdio>

/// Holds at most one stdio stream, opened through _wfopen_s. Not copyable.
/// The stream it holds when it is destroyed is closed.
class MATRIX_PLATFORM_API CIntFileA : public CObject {
  DECLARE_DYNAMIC(CIntFileA)

 public:
  CIntFileA();
  ~CIntFileA() override;

  /// Closes and forgets the stream held, if any, then opens `name` in `mode`
  /// (see _wfopen_s). Returns TRUE exactly when a stream is held afterwards.
  BOOL Open(LPCWSTR name, LPCWSTR mode);
  /// Closes the stream held (fclose); afterwards none is held. Holding none
  /// is fine.
  void Close();
  /// \copydoc CIntFileA::Close()
  BOOL IsOpen() const { return m_pStream != nullptr; }

  /// The stream held, or nullptr.
  FILE* m_pStream;
};

/// @}

#endif  // MATRIX_PLATFORM_INTFILE_H_
