/// \file
/// \ingroup lib_frame
/// \brief Library frame: the last-error text and the double value wrapper.
#ifndef MATRIX_FRAME_H_
#define MATRIX_FRAME_H_

/// \defgroup lib_frame Library frame (frame.h)
/// \ingroup libmatrix
/// \brief Library frame: the last-error text and the double value wrapper.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
/// @{

#include <afx.h>
#include <matrix/export.h>

/// Replaces the content of `text` with the module's last-error text: empty,
/// or the message of the last formula fault, with its subject and " - " in
/// front where the fault has one. Reading does not clear it; only
/// VerifyFormule and CompileStrV clear it on entry. One text for the whole
/// module: formula functions are for one thread at a time. Calls from
/// several threads at once are memory-safe (the text is guarded by a lock)
/// but share the one text: each reads whatever fault was written last, by
/// any thread.
MATRIX_API void GetLastErrorM(CString& text);

/// One double as a framework object. The arithmetic operators act as
/// compound assignments: `a + b` adds b's value to a and yields a itself.
/// Comparison with another CDoubleData is identity (same object), with a
/// double exact IEEE equality. Not copy-constructible; copy with operator=.
class MATRIX_API CDoubleData : public CObject {
  DECLARE_DYNAMIC(CDoubleData)

 public:
  CDoubleData();  ///< holds 0.0
  /// Holds `value`.
  CDoubleData(double value);  // NOLINT: implicit, part of the interface
  ~CDoubleData() override;

  /// Copies the value of `other` and returns this object.
  CDoubleData& operator=(CDoubleData const& other);
  /// Takes `value` as the held value.
  void operator=(double& value);

  /// 1 when equal, 0 otherwise (NaN equals nothing).
  int operator==(double const& value) const;
  /// 1 when `other` is this very object, 0 for any other object.
  int operator==(CDoubleData const& other) const;

  /// Adds the value (of `other`) to this object's and returns this object.
  CDoubleData& operator+(double const& value);
  /// \copydoc CDoubleData::operator+(double const&)
  CDoubleData& operator+(CDoubleData const& other);
  /// Subtracts the value (of `other`) from this object's and returns this
  /// object.
  CDoubleData& operator-(double const& value);
  /// \copydoc CDoubleData::operator-(double const&)
  CDoubleData& operator-(CDoubleData const& other);
  /// Multiplies this object's value by the value (of `other`) and returns this
  /// object.
  CDoubleData& operator*(double const& value);
  /// \copydoc CDoubleData::operator*(double const&)
  CDoubleData& operator*(CDoubleData const& other);
  /// No guard: a zero divisor gives an infinity or NaN.
  CDoubleData& operator/(double const& value);
  /// \copydoc CDoubleData::operator/(double const&)
  CDoubleData& operator/(CDoubleData const& other);

  /// The held value.
  double Data();
  /// Replaces the held value by `value`.
  void SetData(double value);

 private:
  double m_value;
};

/// @}

#endif  // MATRIX_FRAME_H_
