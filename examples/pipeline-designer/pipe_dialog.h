// The pipe's fields as a framework dialog: eight typed fields (numbers or
// formulas over the fields before them) and the fatigue curve, exchanged
// with DDX_Text2 and DDX_CBString2.
#ifndef MATRIX_EXAMPLES_PIPELINE_DESIGNER_PIPE_DIALOG_H_
#define MATRIX_EXAMPLES_PIPELINE_DESIGNER_PIPE_DIALOG_H_

#include <afxwin.h>

#include <array>

#include "project.h"

namespace designer {

class CPipeDialog : public CDialog {
 public:
  enum {
    IDC_FIELD = 1000,  // + the field's number
    IDC_CURVE = 1100,
    IDC_CURVE_NOTE = 1101,
  };

  // Edits a copy of `project`; `place` is the dialog's rectangle on the
  // screen (empty: sized to its controls).
  CPipeDialog(const Project& project, const CRect& place);

  // After DoModal returned IDOK: the project with the fields as accepted,
  // computed.
  const Project& Result() const { return project_; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  // Accepts the fields only when the run computes with them; otherwise the
  // reason is shown and the dialog stays open.
  void OnOK() override;
  afx_msg void OnCurveChange();

  DECLARE_MESSAGE_MAP()

 private:
  void CreateControls();

  Project project_;
  CRect place_;
  std::array<CString, Project::kFieldCount> texts_;
  CString curve_;
  std::array<CStatic, Project::kFieldCount> labels_;
  std::array<CEdit, Project::kFieldCount> edits_;
  CStatic curve_label_, curve_note_;
  CComboBox curve_box_;
  CButton ok_, cancel_;
};

}  // namespace designer

#endif  // MATRIX_EXAMPLES_PIPELINE_DESIGNER_PIPE_DIALOG_H_
