// Fuzz target for the version-resource reader: the input is a file's
// bytes, written to a scratch file and read with GetFileVersionInfoSizeW,
// GetFileVersionInfoW (into a block of the size given and into one too
// small) and VerQueryValueW. Every value found must lie within the block,
// strings within their length and closed; the sanitizers catch the rest.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "fuzz_text.h"

namespace {

// Looks `key` up in `block`; aborts when what is found lies outside it.
// The value and its length in `*value` and `*length` (null, 0 if none).
void Query(const std::vector<BYTE>& block, const std::wstring& key,
           const BYTE** value, UINT* length, bool text) {
  LPVOID found = nullptr;
  UINT count = 0;
  *value = nullptr;
  *length = 0;
  if (!VerQueryValueW(block.data(), key.c_str(), &found, &count)) return;
  const auto* p = static_cast<const BYTE*>(found);
  const std::size_t bytes = text ? count * sizeof(WCHAR) : count;
  if (p < block.data() || p + bytes > block.data() + block.size()) std::abort();
  if (text && count > 0 && reinterpret_cast<const WCHAR*>(p)[count - 1] != 0)
    std::abort();  // a string's length counts its terminator
  *value = p;
  *length = count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string path = matrix::fuzz::ScratchFolder() + "/module.so";
  matrix::fuzz::WriteFile(path, data, size);
  const std::wstring name(path.begin(), path.end());
  DWORD handle = 1;
  const DWORD needed = GetFileVersionInfoSizeW(name.c_str(), &handle);
  if (needed == 0) return 0;
  std::vector<BYTE> block(needed);
  if (!GetFileVersionInfoW(name.c_str(), 0, needed, block.data()))
    std::abort();  // the size was given, the block not
  std::vector<BYTE> small(needed / 2);
  GetFileVersionInfoW(name.c_str(), 0, static_cast<DWORD>(small.size()),
                      small.data());
  const BYTE* value = nullptr;
  UINT length = 0;
  Query(block, L"\\", &value, &length, false);
  if (value && (length != sizeof(VS_FIXEDFILEINFO) ||
                reinterpret_cast<const VS_FIXEDFILEINFO*>(value)->dwSignature !=
                    VS_FFI_SIGNATURE))
    std::abort();
  Query(block, L"\\VarFileInfo\\Translation", &value, &length, false);
  std::vector<std::wstring> tables;
  for (UINT i = 0; value && i + 4 <= length; i += 4) {
    const auto* words = reinterpret_cast<const WORD*>(value + i);
    wchar_t table[16];
    std::swprintf(table, 16, L"%04x%04x", words[0], words[1]);
    tables.push_back(table);
  }
  // The usual names and one taken from the input's first bytes.
  const std::wstring own =
      matrix::fuzz::Decode(data, size < 24 ? size : std::size_t{24});
  for (const std::wstring& table : tables) {
    for (const std::wstring& entry :
         {std::wstring(L"ProductVersion"), std::wstring(L"FileVersion"),
          std::wstring(L"ProductName"), own}) {
      Query(block, L"\\StringFileInfo\\" + table + L"\\" + entry, &value,
            &length, true);
    }
  }
  Query(block, own, &value, &length, false);
  return 0;
}
