// matrix - library frame: the last-error text and the double value wrapper.
#ifndef MATRIX_FRAME_H_
#define MATRIX_FRAME_H_

#include <afx.h>
#include <matrix/export.h>

// Replaces the content of `text` with the module's last-error text: empty,
// or the message of the last formula fault, with its subject and " - " in
// front where the fault has one. Reading does not clear it; only
// VerifyFormule and CompileStrV clear it on entry. One text for the whole
// module: formula functions are for one thread at a time.
MATRIX_API void GetLastErrorM(CString& text);

// One double as a framework object. The arithmetic operators act as
// compound assignments: `a + b` adds b's value to a and yields a itself.
// Comparison with another CDoubleData is identity (same object), with a
// double exact IEEE equality. Not copy-constructible; copy with operator=.
class MATRIX_API CDoubleData : public CObject {
  DECLARE_DYNAMIC(CDoubleData)

 public:
  CDoubleData();              // holds 0.0
  CDoubleData(double value);  // NOLINT: implicit, part of the interface
  ~CDoubleData() override;

  CDoubleData& operator=(CDoubleData const& other);
  void operator=(double& value);

  // 1 when equal, 0 otherwise (NaN equals nothing).
  int operator==(double const& value) const;
  // 1 when `other` is this very object, 0 for any other object.
  int operator==(CDoubleData const& other) const;

  CDoubleData& operator+(double const& value);
  CDoubleData& operator+(CDoubleData const& other);
  CDoubleData& operator-(double const& value);
  CDoubleData& operator-(CDoubleData const& other);
  CDoubleData& operator*(double const& value);
  CDoubleData& operator*(CDoubleData const& other);
  // No guard: a zero divisor gives an infinity or NaN.
  CDoubleData& operator/(double const& value);
  CDoubleData& operator/(CDoubleData const& other);

  double Data();
  void SetData(double value);

 private:
  double m_value;
};

#endif  // MATRIX_FRAME_H_
