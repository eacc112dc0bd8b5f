// matrix - numbered files in the product folder: OpenTempFile.
#include <matrix/util.h>
#include <shlobj.h>
#include <winbase.h>

#include <string>

namespace {

// The pattern with every "%i" replaced by the decimal `attempt`; every other
// character, '%' included, is kept. Never a format: a caller's "%s" or "%n"
// is text.
CString NumberedName(const CString& pattern, int attempt) {
  const std::wstring number = std::to_wstring(attempt);
  CString name;
  const int length = pattern.GetLength();
  for (int i = 0; i < length; ++i) {
    if (pattern[i] == L'%' && i + 1 < length && pattern[i + 1] == L'i') {
      name += number.c_str();
      ++i;
    } else {
      name += pattern[i];
    }
  }
  return name;
}

// The shell's buffer for the common application-data path.
constexpr int kFolderCapacity = 1024;
constexpr int kAttempts = 10;
constexpr wchar_t kProductFolder[] = L"\\ZELMAR";

}  // namespace

int OpenTempFile(CIntFileA& file, CString preferredName, CString namePattern) {
  wchar_t folder[kFolderCapacity] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE,
                       nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
    return 0;
  }
  const CString product = CString(folder) + kProductFolder;
  if (!CreateDirectoryW(product, nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return 0;
  }

  if (!preferredName.IsEmpty() && file.Open(preferredName, L"w")) return 1;

  // The number goes into the caller's name only: a '.' or '%' in the folder
  // (an override such as /srv/app.v2) stays as it is.
  if (namePattern.Find(L"%i") < 0) namePattern.Replace(L".", L"%i.");
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const CString candidate =
        product + L"\\" + NumberedName(namePattern, attempt);
    if (file.Open(candidate, L"w")) return 1;
  }
  return 0;
}
