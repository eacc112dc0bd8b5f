// Platform layer - the application object's settings (CWinApp's profile
// calls): in the registry after SetRegistryKey, in the initialisation file
// m_pszProfileName before it, over the public registry and private-profile
// calls.
#include <afxwin.h>
#include <winbase.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// The text of the value data `bytes`, to its first 0.
CString TextOf(const std::vector<BYTE>& bytes) {
  const auto* text = reinterpret_cast<const wchar_t*>(bytes.data());
  std::size_t length = 0;
  const std::size_t most = bytes.size() / sizeof(wchar_t);
  while (length < most && text[length] != 0) ++length;
  return CString(text, static_cast<int>(length));
}

// The bytes of a value; false when it is missing.
bool ReadValue(HKEY key, LPCTSTR entry, DWORD* type, std::vector<BYTE>* out) {
  DWORD size = 0;
  if (RegQueryValueExW(key, entry, nullptr, type, nullptr, &size) !=
      ERROR_SUCCESS)
    return false;
  out->resize(size);
  if (RegQueryValueExW(key, entry, nullptr, type, out->data(), &size) !=
      ERROR_SUCCESS)
    return false;
  out->resize(size);
  return true;
}

// Binary data in an initialisation file, as the framework writes them:
// each byte as two letters from 'A', its low half first.
std::wstring LettersOf(const BYTE* data, UINT size) {
  std::wstring text;
  text.reserve(2 * static_cast<std::size_t>(size));
  for (UINT i = 0; i < size; ++i) {
    text += static_cast<wchar_t>(L'A' + (data[i] & 0x0F));
    text += static_cast<wchar_t>(L'A' + (data[i] >> 4));
  }
  return text;
}

bool BytesOf(const CString& text, std::vector<BYTE>* out) {
  const int length = text.GetLength();
  if (length == 0 || length % 2 != 0) return false;
  out->clear();
  for (int i = 0; i < length; i += 2) {
    const wchar_t low = text[i], high = text[i + 1];
    if (low < L'A' || low > L'P' || high < L'A' || high > L'P') return false;
    out->push_back(static_cast<BYTE>((high - L'A') << 4 | (low - L'A')));
  }
  return true;
}

}  // namespace

HKEY CWinApp::GetAppRegistryKey() {
  if (!m_pszRegistryKey || !m_pszProfileName) return nullptr;
  const std::wstring path =
      std::wstring(L"Software\\") + m_pszRegistryKey + L"\\" + m_pszProfileName;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                      KEY_READ | KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

HKEY CWinApp::GetSectionKey(LPCTSTR lpszSection) {
  if (!lpszSection) return nullptr;
  HKEY app = GetAppRegistryKey();
  if (!app) return nullptr;
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExW(app, lpszSection, 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  RegCloseKey(app);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

namespace {

// The section's key opened with `access` (reading, by default), or null
// when it (or the application's key) is missing: reading makes nothing.
HKEY OpenSection(const CWinApp& app, LPCTSTR section,
                 REGSAM access = KEY_READ) {
  if (!section || !app.m_pszProfileName) return nullptr;
  const std::wstring path = std::wstring(L"Software\\") + app.m_pszRegistryKey +
                            L"\\" + app.m_pszProfileName + L"\\" + section;
  HKEY key = nullptr;
  return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key) ==
                 ERROR_SUCCESS
             ? key
             : nullptr;
}

}  // namespace

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                            int nDefault) {
  if (!m_pszRegistryKey)
    return GetPrivateProfileIntW(lpszSection, lpszEntry, nDefault,
                                 m_pszProfileName);
  HKEY key = OpenSection(*this, lpszSection);
  if (!key) return static_cast<UINT>(nDefault);
  DWORD type = 0;
  std::vector<BYTE> bytes;
  const bool found = ReadValue(key, lpszEntry, &type, &bytes);
  RegCloseKey(key);
  if (!found || type != REG_DWORD || bytes.size() != sizeof(DWORD))
    return static_cast<UINT>(nDefault);
  DWORD value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                              int nValue) {
  if (!m_pszRegistryKey) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", nValue);
    return WritePrivateProfileStringW(lpszSection, lpszEntry, text,
                                      m_pszProfileName);
  }
  HKEY key = GetSectionKey(lpszSection);
  if (!key) return FALSE;
  const auto value = static_cast<DWORD>(nValue);
  const LONG rc =
      RegSetValueExW(key, lpszEntry, 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                  LPCTSTR lpszDefault) {
  const LPCTSTR fallback = lpszDefault ? lpszDefault : L"";
  if (!m_pszRegistryKey) {
    // Grows the buffer until the text is not cut.
    std::vector<wchar_t> buffer(256);
    for (;;) {
      const auto room = static_cast<DWORD>(buffer.size());
      const DWORD n =
          GetPrivateProfileStringW(lpszSection, lpszEntry, fallback,
                                   buffer.data(), room, m_pszProfileName);
      if (n + 2 < room || room >= (1u << 26))
        return CString(buffer.data(), static_cast<int>(n));
      buffer.resize(2 * buffer.size());
    }
  }
  HKEY key = OpenSection(*this, lpszSection);
  if (!key) return fallback;
  DWORD type = 0;
  std::vector<BYTE> bytes;
  const bool found = ReadValue(key, lpszEntry, &type, &bytes);
  RegCloseKey(key);
  if (!found || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
  return TextOf(bytes);
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                 LPCTSTR lpszValue) {
  if (!m_pszRegistryKey)
    return WritePrivateProfileStringW(lpszSection, lpszEntry, lpszValue,
                                      m_pszProfileName);
  if (!lpszSection) return FALSE;
  LONG rc = ERROR_SUCCESS;
  if (!lpszEntry) {  // the whole section
    HKEY app = GetAppRegistryKey();
    if (!app) return FALSE;
    rc = RegDeleteTreeW(app, lpszSection);
    RegCloseKey(app);
  } else if (!lpszValue) {  // one entry
    HKEY key = OpenSection(*this, lpszSection, KEY_READ | KEY_WRITE);
    if (!key) return FALSE;
    rc = RegDeleteValueW(key, lpszEntry);
    RegCloseKey(key);
  } else {
    HKEY key = GetSectionKey(lpszSection);
    if (!key) return FALSE;
    const std::wstring text(lpszValue);
    rc = RegSetValueExW(
        key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  return rc == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                               LPBYTE* ppData, UINT* pBytes) {
  if (!ppData || !pBytes) return FALSE;
  *ppData = nullptr;
  *pBytes = 0;
  std::vector<BYTE> bytes;
  if (!m_pszRegistryKey) {
    if (!BytesOf(GetProfileString(lpszSection, lpszEntry, nullptr), &bytes))
      return FALSE;
  } else {
    HKEY key = OpenSection(*this, lpszSection);
    if (!key) return FALSE;
    DWORD type = 0;
    const bool found = ReadValue(key, lpszEntry, &type, &bytes);
    RegCloseKey(key);
    if (!found || type != REG_BINARY) return FALSE;
  }
  *ppData = new BYTE[bytes.size()];
  std::copy(bytes.begin(), bytes.end(), *ppData);
  *pBytes = static_cast<UINT>(bytes.size());
  return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry,
                                 LPBYTE pData, UINT nBytes) {
  if (!pData && nBytes != 0) return FALSE;
  if (!m_pszRegistryKey)
    return WritePrivateProfileStringW(lpszSection, lpszEntry,
                                      LettersOf(pData, nBytes).c_str(),
                                      m_pszProfileName);
  HKEY key = GetSectionKey(lpszSection);
  if (!key) return FALSE;
  const LONG rc = RegSetValueExW(key, lpszEntry, 0, REG_BINARY, pData, nBytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}
