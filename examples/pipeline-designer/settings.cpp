// The pipeline designer's settings in its application object's profile.
#include "settings.h"

#include <utf8codec.h>

namespace designer {

namespace {

constexpr wchar_t kSection[] = L"Settings";

}  // namespace

BOOL CDesignerApp::InitInstance() {
  SetRegistryKey(L"matrix");
  return TRUE;
}

Settings RecallSettings() {
  Settings settings;
  CWinApp* app = AfxGetApp();
  if (!app) return settings;
  const CString path = app->GetProfileString(kSection, L"LastDocument");
  settings.last_document = matrix::platform::ToUtf8(std::wstring(
      path.GetString(), static_cast<std::size_t>(path.GetLength())));
  LPBYTE data = nullptr;
  UINT size = 0;
  if (app->GetProfileBinary(kSection, L"Geometry", &data, &size)) {
    settings.geometry.assign(reinterpret_cast<const char*>(data), size);
    delete[] data;
  }
  return settings;
}

void KeepSettings(const Settings& settings) {
  CWinApp* app = AfxGetApp();
  if (!app) return;  // settings are a convenience: the work itself is saved
  const std::wstring path = matrix::platform::ToWide(settings.last_document);
  app->WriteProfileString(kSection, L"LastDocument", path.c_str());
  std::string geometry = settings.geometry;
  app->WriteProfileBinary(kSection, L"Geometry",
                          reinterpret_cast<LPBYTE>(geometry.data()),
                          static_cast<UINT>(geometry.size()));
}

}  // namespace designer
