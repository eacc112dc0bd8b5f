// matrix-reg - a registry file's changes applied, all in one registry
// transaction, so that a change that fails (a full disk, a store that may
// not be written) leaves the stores as they were.
#include <utf8codec.h>

#include <algorithm>

#include "reg_file.h"

namespace matrix_reg {
namespace {

// Creates a path of any depth, 32 levels a call (RegCreateKeyExW's limit).
LONG CreatePath(HKEY root, const std::wstring& path, HKEY* result) {
  std::vector<std::wstring> pieces(1);
  int levels = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') {
      if (++levels == 32 && i < path.size()) {
        pieces.emplace_back();
        levels = 0;
        continue;
      }
    }
    if (i < path.size()) pieces.back() += path[i];
  }
  HKEY current = nullptr;
  LONG rc = RegOpenKeyExW(root, L"", 0, KEY_ALL_ACCESS, &current);
  for (const std::wstring& piece : pieces) {
    if (rc != ERROR_SUCCESS) return rc;
    HKEY next = nullptr;
    rc = RegCreateKeyExW(current, piece.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                         nullptr, &next, nullptr);
    RegCloseKey(current);
    current = next;
  }
  if (rc != ERROR_SUCCESS) return rc;
  *result = current;
  return ERROR_SUCCESS;
}

// Makes one change; `*current` is the key that values go to.
LONG Apply(const Change& c, HKEY* current) {
  switch (c.kind) {
    case Change::kKey:
      RegCloseKey(*current);
      *current = nullptr;
      return CreatePath(c.key.root, c.key.path, current);
    case Change::kDeleteKey: {
      RegCloseKey(*current);
      *current = nullptr;
      const LONG rc = RegDeleteTreeW(c.key.root, c.key.path.c_str());
      return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
    case Change::kValue:
      return RegSetValueExW(*current, c.name.c_str(), 0, c.type, c.data.data(),
                            static_cast<DWORD>(c.data.size()));
    case Change::kDeleteValue: {
      const LONG rc = RegDeleteValueW(*current, c.name.c_str());
      return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
  }
  return ERROR_INVALID_PARAMETER;
}

std::string Where(const Change& c) {
  std::string where = "line " + std::to_string(c.line) + " (" +
                      matrix::platform::ToUtf8(c.key.Full());
  if (c.kind == Change::kValue || c.kind == Change::kDeleteValue)
    where += c.name.empty()
                 ? ", the default value"
                 : ", value \"" + matrix::platform::ToUtf8(c.name) + "\"";
  return where + ")";
}

}  // namespace

LONG ApplyChanges(const std::vector<Change>& changes, std::string* error) {
  LONG rc = AfxRegBeginTransaction();
  if (rc != ERROR_SUCCESS) {
    *error = "the registry transaction could not begin";
    return rc;
  }
  HKEY current = nullptr;
  for (const Change& c : changes) {
    rc = Apply(c, &current);
    if (rc != ERROR_SUCCESS) {
      *error = Where(c);
      break;
    }
  }
  RegCloseKey(current);
  if (rc != ERROR_SUCCESS) {
    AfxRegRollbackTransaction();
    return rc;
  }
  rc = AfxRegCommitTransaction();
  if (rc != ERROR_SUCCESS) {
    *error = "the commit at the end";
    const auto machine = [](const Change& c) {
      return c.key.root == HKEY_LOCAL_MACHINE;
    };
    // The stores commit one after the other, the user's first.
    if (std::any_of(changes.begin(), changes.end(), machine) &&
        !std::all_of(changes.begin(), changes.end(), machine))
      *error += " (the changes to HKEY_CURRENT_USER may have been made)";
  }
  return rc;
}

LONG ImportBytes(const std::string& bytes, const ReadOptions& options,
                 std::vector<std::string>* warnings, std::string* error) {
  std::vector<Change> changes;
  if (!ParseRegFile(bytes, options, &changes, warnings, error))
    return ERROR_BAD_FORMAT;
  return ApplyChanges(changes, error);
}

}  // namespace matrix_reg
