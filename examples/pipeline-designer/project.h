// The pipeline designer's document: a pipe run as the designer edits it
// (the eight fields as typed, the fatigue curve, the nodes), computed,
// drawn and reported by the pipeline host's stages. project.cpp is the one
// place that knows those stages.
#ifndef MATRIX_EXAMPLES_PIPELINE_DESIGNER_PROJECT_H_
#define MATRIX_EXAMPLES_PIPELINE_DESIGNER_PROJECT_H_

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace designer {

// A document that cannot be read or computed: one line naming the field
// or node and the reason.
class DocumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Node {
  double x = 0, y = 0, z = 0;  // m; z is the elevation of the pipe's axis
};

class Project {
 public:
  static constexpr int kFieldCount = 8;
  static constexpr int kCycles = 6;  // the field of the load cycles

  // The field's name in the document and its label with the unit.
  static const char* FieldName(int field);
  static const wchar_t* FieldLabel(int field);
  // The fatigue curves a document may name.
  static std::vector<std::wstring> Curves();

  // Reads and computes a document (UTF-8 JSON); throws DocumentError.
  static Project Read(const std::string& json);

  Project(const Project& other);
  Project& operator=(const Project& other);
  ~Project();

  // The document as UTF-8 JSON, read back by Read to the same project.
  std::string Write() const;

  std::string Title() const;
  // A field as typed: a number's text or a formula over the fields before
  // it (#0 .. #field-1).
  std::wstring Field(int field) const;
  void SetField(int field, const std::wstring& text);
  std::wstring Curve() const;
  void SetCurve(const std::wstring& curve);
  std::vector<Node> Nodes() const;
  void SetNodes(const std::vector<Node>& nodes);
  // Removes node `index` (from 0); the nodes inserted on bends stay on
  // their corners (renumbered), the removed corner's goes with it.
  void RemoveNode(std::size_t index);

  // Evaluates a field's text with the formula engine over `before`, the
  // values of the fields before it. True with *value set, or false with
  // *fault holding the engine's message.
  static bool Evaluate(const std::wstring& text,
                       const std::vector<double>& before, double* value,
                       std::string* fault);

  // Computes the run as it now stands. False, with *problem one line,
  // when it cannot be computed; the drawing and report stay those of the
  // last computation that succeeded.
  bool Compute(std::string* problem);

  // Field `field`'s value as last computed.
  double Value(int field) const;

  // The drawing (SVG) and the report (UTF-8, numbers with the user's
  // decimal separator) of the last successful computation.
  std::string Svg() const;
  std::string Report(const std::string& source) const;

 private:
  struct State;
  explicit Project(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace designer

#endif  // MATRIX_EXAMPLES_PIPELINE_DESIGNER_PROJECT_H_
