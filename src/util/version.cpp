// matrix - module version numbers: GetProductAndFileVersion.
#include <matrix/util.h>
#include <winbase.h>
#include <winver.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

// The first room for the module's path, and the most it is given: a path
// cut to the room might name another file, whose version would be read.
constexpr DWORD kFirstPathRoom = 256;
constexpr DWORD kMostPathRoom = 32768;

}  // namespace

int GetProductAndFileVersion(HINSTANCE module, DWORD& productVersionMS,
                             DWORD& productVersionLS, DWORD& fileVersionMS,
                             DWORD& fileVersionLS) {
  std::unique_ptr<wchar_t[]> path;
  for (DWORD room = kFirstPathRoom;; room *= 2) {
    path.reset(new (std::nothrow) wchar_t[room]);
    if (!path) AfxThrowMemoryException();
    const DWORD length = GetModuleFileNameW(module, path.get(), room);
    if (length == 0) return 0;
    if (length < room) break;             // the whole path
    if (room >= kMostPathRoom) return 0;  // never look up a cut name
  }

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.get(), &handle);
  if (size == 0) return 0;
  const std::unique_ptr<unsigned char[]> block(
      new (std::nothrow) unsigned char[size]);
  if (!block) AfxThrowMemoryException();

  LPVOID value = nullptr;
  UINT length = 0;
  VS_FIXEDFILEINFO fixed;
  if (GetFileVersionInfoW(path.get(), handle, size, block.get()) &&
      VerQueryValueW(block.get(), L"\\", &value, &length) &&
      length >= sizeof(VS_FIXEDFILEINFO) &&
      (std::memcpy(&fixed, value, sizeof fixed),
       fixed.dwSignature == VS_FFI_SIGNATURE)) {
    productVersionMS = fixed.dwProductVersionMS;
    productVersionLS = fixed.dwProductVersionLS;
    fileVersionMS = fixed.dwFileVersionMS;
    fileVersionLS = fixed.dwFileVersionLS;
    return 1;
  }
  productVersionMS = 0;
  productVersionLS = 0;
  return 0;
}
