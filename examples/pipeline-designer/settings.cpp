// The pipeline designer's settings in the registry.
#include "settings.h"

#include <utf8codec.h>
#include <windows.h>

#include <vector>

namespace designer {

namespace {

constexpr wchar_t kKey[] = L"Software\\matrix\\pipeline-designer";

// The bytes of value `name`, empty when there is none.
std::string ReadValue(HKEY key, const wchar_t* name, DWORD* type) {
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, type, nullptr, &size) !=
          ERROR_SUCCESS ||
      size == 0) {
    return std::string();
  }
  std::vector<BYTE> data(size);
  if (RegQueryValueExW(key, name, nullptr, type, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::string();
  }
  return std::string(data.begin(), data.begin() + size);
}

}  // namespace

Settings RecallSettings() {
  Settings settings;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return settings;
  }
  DWORD type = 0;
  const std::string path = ReadValue(key, L"LastDocument", &type);
  if (type == REG_SZ && path.size() % sizeof(wchar_t) == 0) {
    std::wstring wide(reinterpret_cast<const wchar_t*>(path.data()),
                      path.size() / sizeof(wchar_t));
    while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
    settings.last_document = matrix::platform::ToUtf8(wide);
  }
  settings.geometry = ReadValue(key, L"Geometry", &type);
  if (type != REG_BINARY) settings.geometry.clear();
  RegCloseKey(key);
  return settings;
}

void KeepSettings(const Settings& settings) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;  // settings are a convenience: the work itself is saved
  }
  const std::wstring path = matrix::platform::ToWide(settings.last_document);
  RegSetValueExW(key, L"LastDocument", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, L"Geometry", 0, REG_BINARY,
                 reinterpret_cast<const BYTE*>(settings.geometry.data()),
                 static_cast<DWORD>(settings.geometry.size()));
  RegCloseKey(key);
}

}  // namespace designer
