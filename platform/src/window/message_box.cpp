// Platform layer - message boxes, shown through the host's handler.
#include <afxwin.h>

#include "host_callback.h"

namespace {

auto& Handler() {
  return matrix::platform::window::Installed<AFX_MESSAGE_BOX_HANDLER>();
}

// The layer's own prompts, for hosts whose resources lack them.
struct Prompt {
  UINT id;
  const wchar_t* text;
};
constexpr Prompt kPrompts[] = {
    {AFX_IDP_PARSE_REAL, L"Please type a number."},
};

}  // namespace

int AfxMessageBox(LPCTSTR text, UINT type, UINT help) {
  const auto [handler, context] = Handler().Get();
  if (!handler) return IDOK;
  return handler(text ? text : L"", type, help, context);
}

int AfxMessageBox(UINT prompt, UINT type, UINT help) {
  CString text;
  if (!AfxLoadStringResource(AfxGetResourceHandle(), prompt, 0, text)) {
    for (const Prompt& p : kPrompts) {
      if (p.id == prompt) text = p.text;
    }
  }
  if (help == static_cast<UINT>(-1)) help = prompt;
  return AfxMessageBox(text.GetString(), type, help);
}

void AfxSetMessageBoxHandler(AFX_MESSAGE_BOX_HANDLER handler, void* context) {
  Handler().Set(handler, context);
}
