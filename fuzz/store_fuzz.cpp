// Fuzz target for the registry store opened on arbitrary file bytes. The
// input is the store's file and the log beside it: byte 0 bit 0 set when a
// log follows, bytes 1-4 the file's length (little-endian, cut to what
// there is), then the file, then the log. Each input starts as a new
// process would (the registry reset) and makes reading and changing calls.
// Two promises are checked: a store that the first call refuses as
// damaged keeps every byte and gets no log or index beside it; a store
// accepted gives back what was just written to it. The sanitizers catch
// the rest. Built with the platform's sources, to reach the reset.
#include <unistd.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_files.h"
#include "registry/handles.h"
#include "registry/store_check.h"

namespace {

namespace reg = matrix::platform::registry;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Reads what is below `key`: at most `depth` levels, 16 subkeys and 16
// values a key.
void Walk(HKEY key, int depth) {
  DWORD subkeys = 0, values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                   &values, nullptr, nullptr, nullptr, nullptr);
  for (DWORD i = 0; i < 16; ++i) {
    WCHAR name[300];
    DWORD name_room = 300, type = 0;
    BYTE bytes[512];
    DWORD byte_room = sizeof bytes;
    if (RegEnumValueW(key, i, name, &name_room, nullptr, &type, bytes,
                      &byte_room) != ERROR_SUCCESS)
      break;
  }
  for (DWORD i = 0; depth > 0 && i < 16; ++i) {
    WCHAR name[300];
    if (RegEnumKeyW(key, i, name, 300) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
      Walk(child, depth - 1);
      RegCloseKey(child);
    }
  }
}

// Writes a value below the root and reads it back: aborts when what is
// read differs from what was written.
void WriteAndReadBack() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\fuzz\\written", 0, nullptr,
                      0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  static const wchar_t kText[] = L"written by the fuzz target";
  if (RegSetValueExW(key, L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(kText),
                     sizeof kText) == ERROR_SUCCESS) {
    wchar_t back[64] = {};
    DWORD type = 0, room = sizeof back;
    const LONG rc = RegQueryValueExW(key, L"v", nullptr, &type,
                                     reinterpret_cast<BYTE*>(back), &room);
    if (rc != ERROR_REGISTRY_CORRUPT &&
        (rc != ERROR_SUCCESS || type != REG_SZ || room != sizeof kText ||
         std::memcmp(back, kText, sizeof kText) != 0))
      std::abort();
  }
  RegCloseKey(key);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\fuzz");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  static const std::string file = [] {
    reg::SetSecondLook(std::chrono::milliseconds(0));
    return matrix::fuzz::ScratchFolder() + "/user.sqlite3";
  }();
  if (size < 5) return 0;
  std::uint32_t length = 0;
  std::memcpy(&length, data + 1, 4);  // little-endian hosts only
  const std::size_t file_bytes = length < size - 5 ? length : size - 5;
  const bool has_log = (data[0] & 1) != 0;
  reg::ResetRegistry();
  for (const char* end : {"", "-wal", "-shm"}) unlink((file + end).c_str());
  matrix::fuzz::WriteFile(file, data + 5, file_bytes);
  if (has_log)
    matrix::fuzz::WriteFile(file + "-wal", data + 5 + file_bytes,
                            size - 5 - file_bytes);
  const std::string before = matrix::fuzz::ReadFile(file);
  const std::string log_before = matrix::fuzz::ReadFile(file + "-wal");
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_READ, &key);
  if (rc == ERROR_REGISTRY_CORRUPT &&
      reg::Registry().stores[0].damaged.size >= 0) {
    // Refused by the check: nothing changed, nothing made beside it.
    if (matrix::fuzz::ReadFile(file) != before ||
        matrix::fuzz::ReadFile(file + "-wal") != log_before ||
        Exists(file + "-wal") != has_log || Exists(file + "-shm"))
      std::abort();
    return 0;
  }
  if (rc != ERROR_SUCCESS) return 0;
  Walk(key, 3);
  RegCloseKey(key);
  WriteAndReadBack();
  return 0;
}
