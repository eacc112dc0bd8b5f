// Prints what the version resource of a file says, through the platform
// layer alone: "file=a.b.c.d product=a.b.c.d type=T flags=F" and one line
// per string asked for on the command line ("Name=Value", or "Name: none").
// Exits 1, printing the last error, when the file has no readable resource.
//
//   matrix_version_reader <file> [Name...]
#include <winbase.h>
#include <winver.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintVersion(const char* label, DWORD ms, DWORD ls) {
  std::printf("%s=%u.%u.%u.%u", label, static_cast<unsigned>(ms >> 16),
              static_cast<unsigned>(ms & 0xFFFF),
              static_cast<unsigned>(ls >> 16),
              static_cast<unsigned>(ls & 0xFFFF));
}

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p != '\0'; ++p) {
    wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  }
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: matrix_version_reader <file> [Name...]\n");
    return 2;
  }
  const std::wstring name = Widen(argv[1]);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
  std::vector<unsigned char> block(size == 0 ? 1 : size);
  LPVOID value = nullptr;
  UINT length = 0;
  if (size == 0 ||
      !GetFileVersionInfoW(name.c_str(), handle, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", &value, &length)) {
    std::printf("error=%u\n", static_cast<unsigned>(GetLastError()));
    return 1;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  PrintVersion("file", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  std::printf(" ");
  PrintVersion("product", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  std::printf(" type=%u flags=%u\n", static_cast<unsigned>(fixed->dwFileType),
              static_cast<unsigned>(fixed->dwFileFlags));
  for (int i = 2; i < argc; ++i) {
    const std::wstring key = L"\\StringFileInfo\\040904B0\\" + Widen(argv[i]);
    if (VerQueryValueW(block.data(), key.c_str(), &value, &length)) {
      std::printf("%s=%ls\n", argv[i], static_cast<const wchar_t*>(value));
    } else {
      std::printf("%s: none\n", argv[i]);
    }
  }
  return 0;
}
