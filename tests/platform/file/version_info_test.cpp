// Version resources: ELF version notes read into VS_VERSIONINFO blocks by
// GetFileVersionInfoSizeW and GetFileVersionInfoW, looked up with
// VerQueryValueW. Most files are built here byte by byte, so that every
// field of the headers and the note is under the test's control; the
// fixture modules show what the CMake helper writes.
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <winbase.h>
#include <winver.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/file_testing.h"

namespace {

using namespace matrix::testing;
using Bytes = std::vector<unsigned char>;

void Append(Bytes& out, const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  out.insert(out.end(), p, p + size);
}
void Append32(Bytes& out, std::uint32_t v) { Append(out, &v, sizeof v); }
void PadTo(Bytes& out, std::size_t align) {
  while (out.size() % align != 0) out.push_back(0);
}

// VS_FIXEDFILEINFO of file version 2.1.0.7, product version 2.1.0.5.
VS_FIXEDFILEINFO Fixed() {
  VS_FIXEDFILEINFO f = {};
  f.dwSignature = 0xFEEF04BD;
  f.dwStrucVersion = 0x00010000;
  f.dwFileVersionMS = 0x00020001;
  f.dwFileVersionLS = 0x00000007;
  f.dwProductVersionMS = 0x00020001;
  f.dwProductVersionLS = 0x00000005;
  f.dwFileFlagsMask = 0x3F;
  f.dwFileType = 2;
  return f;
}

// A version note descriptor: format, fixed part, the strings as given
// (their 0 bytes included).
Bytes Descriptor(std::uint32_t format, const VS_FIXEDFILEINFO& fixed,
                 const std::string& strings) {
  Bytes d;
  Append32(d, format);
  Append(d, &fixed, sizeof fixed);
  Append(d, strings.data(), strings.size());
  return d;
}

const std::string kStrings("ProductName=Fixture\0Comments=caf\xC3\xA9\0\0", 36);

// One note: header, owner with its 0 byte, descriptor, each padded to
// `align`; `descsz` other than -1 overrides the stored descriptor size.
Bytes Note(const std::string& owner, std::uint32_t type, const Bytes& desc,
           std::size_t align = 4, std::int64_t descsz = -1) {
  Bytes n;
  Append32(n, static_cast<std::uint32_t>(owner.size() + 1));
  Append32(n, descsz < 0 ? static_cast<std::uint32_t>(desc.size())
                         : static_cast<std::uint32_t>(descsz));
  Append32(n, type);
  Append(n, owner.c_str(), owner.size() + 1);
  PadTo(n, align);
  Append(n, desc.data(), desc.size());
  PadTo(n, align);
  return n;
}

Bytes VersionNote() {
  return Note("MATRIX", 1, Descriptor(1, Fixed(), kStrings));
}

struct Segment {
  Bytes notes;
  std::uint64_t align = 4;
};

// An ELF file of this machine: the file header, a program header table with
// one PT_NOTE entry per segment, then the segments, 8-aligned.
Bytes Elf(const std::vector<Segment>& segments) {
  ElfW(Ehdr) eh = {};
  std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
  // The class, byte order and machine of the running program's own file.
  static const ElfW(Ehdr) self = [] {
    ElfW(Ehdr) header = {};
    std::ifstream in("/proc/self/exe", std::ios::binary);
    in.read(reinterpret_cast<char*>(&header), sizeof header);
    return header;
  }();
  eh.e_ident[EI_CLASS] = self.e_ident[EI_CLASS];
  eh.e_ident[EI_DATA] = self.e_ident[EI_DATA];
  eh.e_ident[EI_VERSION] = EV_CURRENT;
  eh.e_type = ET_DYN;
  eh.e_machine = self.e_machine;
  eh.e_version = EV_CURRENT;
  eh.e_ehsize = sizeof eh;
  eh.e_phoff = sizeof eh;
  eh.e_phentsize = sizeof(ElfW(Phdr));
  eh.e_phnum = static_cast<ElfW(Half)>(segments.size());
  Bytes out;
  Append(out, &eh, sizeof eh);
  std::uint64_t offset = sizeof eh + segments.size() * sizeof(ElfW(Phdr));
  for (const Segment& s : segments) {
    offset = (offset + 7) & ~std::uint64_t{7};
    ElfW(Phdr) ph = {};
    ph.p_type = PT_NOTE;
    ph.p_flags = PF_R;
    ph.p_offset = offset;
    ph.p_vaddr = ph.p_paddr = offset;
    ph.p_filesz = ph.p_memsz = s.notes.size();
    ph.p_align = s.align;
    Append(out, &ph, sizeof ph);
    offset += s.notes.size();
  }
  for (const Segment& s : segments) {
    PadTo(out, 8);
    Append(out, s.notes.data(), s.notes.size());
  }
  return out;
}

// The program header of segment `i` of an image Elf() made.
ElfW(Phdr) * Phdr(Bytes& image, std::size_t i) {
  return reinterpret_cast<ElfW(Phdr)*>(image.data() + sizeof(ElfW(Ehdr)) +
                                       i * sizeof(ElfW(Phdr)));
}

struct Result {
  DWORD size;
  DWORD error;
};

Result SizeOf(const std::string& path) {
  SetLastError(0);
  DWORD handle = 99;
  const DWORD size = GetFileVersionInfoSizeW(Wide(path).c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  return {size, size == 0 ? GetLastError() : 0};
}

Bytes Block(const std::string& path) {
  const DWORD size = GetFileVersionInfoSizeW(Wide(path).c_str(), nullptr);
  Bytes block(size);
  if (size == 0 ||
      !GetFileVersionInfoW(Wide(path).c_str(), 0, size, block.data())) {
    return {};
  }
  return block;
}

std::wstring StringValue(const Bytes& block, const wchar_t* name,
                         UINT* length = nullptr) {
  LPVOID value = nullptr;
  UINT len = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), key.c_str(), &value, &len))
    return L"<none>";
  if (length) *length = len;
  return static_cast<const wchar_t*>(value);
}

TEST(VersionInfo, BlockIsLaidOutAsWindowsDoesWithThisPlatformsWchar) {
  ScratchFolder scratch;
  WriteFile(scratch / "m.so", Elf({{VersionNote()}}));
  const Bytes block = Block(scratch / "m.so");
  ASSERT_FALSE(block.empty());
  WORD header[3];
  std::memcpy(header, block.data(), sizeof header);
  EXPECT_EQ(header[0], block.size());  // wLength: the whole block
  EXPECT_EQ(header[1], 52);            // wValueLength: VS_FIXEDFILEINFO
  EXPECT_EQ(header[2], 0);             // wType: binary
  // The key, then the fixed part at the next 32-bit boundary.
  std::wstring key(15, L'\0');
  std::memcpy(key.data(), block.data() + 6, 15 * sizeof(wchar_t));
  EXPECT_EQ(key, L"VS_VERSION_INFO");
  const std::size_t fixed_at = (6 + 16 * sizeof(wchar_t) + 3) / 4 * 4;
  LPVOID value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &len));
  EXPECT_EQ(len, 52u);
  EXPECT_EQ(static_cast<const unsigned char*>(value), block.data() + fixed_at);
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  const VS_FIXEDFILEINFO expected = Fixed();
  EXPECT_EQ(std::memcmp(&fixed, &expected, sizeof fixed), 0);
}

TEST(VersionInfo, QueriesTheFixedPartTranslationAndStrings) {
  ScratchFolder scratch;
  WriteFile(scratch / "m.so", Elf({{VersionNote()}}));
  const Bytes block = Block(scratch / "m.so");
  ASSERT_FALSE(block.empty());
  LPVOID value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             &value, &len));
  EXPECT_EQ(len, 4u);
  WORD translation[2];
  std::memcpy(translation, value, sizeof translation);
  EXPECT_EQ(translation[0], 0x0409);  // language
  EXPECT_EQ(translation[1], 0x04B0);  // code page

  UINT chars = 0;
  EXPECT_EQ(StringValue(block, L"ProductName", &chars), L"Fixture");
  EXPECT_EQ(chars, 8u);  // with the terminator
  EXPECT_EQ(StringValue(block, L"Comments", &chars), L"caf\u00E9");
  EXPECT_EQ(chars, 5u);
  EXPECT_EQ(StringValue(block, L"productname"), L"Fixture");  // any case
  EXPECT_EQ(StringValue(block, L"Missing"), L"<none>");
  // Leading, doubled and trailing separators are no levels.
  EXPECT_TRUE(VerQueryValueW(block.data(), L"", &value, &len));
  EXPECT_EQ(len, 52u);
  EXPECT_TRUE(VerQueryValueW(block.data(),
                             L"StringFileInfo\\\\040904B0\\ProductName\\",
                             &value, &len));
  for (const wchar_t* missing :
       {L"\\StringFileInfo\\041904B0\\ProductName", L"\\Nope",
        L"\\StringFileInfo\\040904B0\\Product", L"\\VarFileInfo\\Trans"}) {
    len = 7;
    EXPECT_FALSE(VerQueryValueW(block.data(), missing, &value, &len))
        << testing::PrintToString(std::wstring(missing));
    EXPECT_EQ(len, 0u);
  }
  EXPECT_FALSE(VerQueryValueW(nullptr, L"\\", &value, &len));
  EXPECT_FALSE(VerQueryValueW(block.data(), nullptr, &value, &len));
  EXPECT_FALSE(VerQueryValueW(block.data(), L"\\", nullptr, &len));
  EXPECT_FALSE(VerQueryValueW(block.data(), L"\\", &value, nullptr));
}

TEST(VersionInfo, FindsTheNoteAmongOthersAndInEightAlignedSegments) {
  ScratchFolder scratch;
  const Bytes build_id = Note("GNU", NT_GNU_BUILD_ID, Bytes(20, 0xAB));
  const Bytes property = Note("GNU", 5, Bytes(16, 0), 8);
  Bytes both = build_id;
  const Bytes ours = VersionNote();
  both.insert(both.end(), ours.begin(), ours.end());
  Bytes ours8 = property;
  const Bytes n8 = Note("MATRIX", 1, Descriptor(1, Fixed(), kStrings), 8);
  ours8.insert(ours8.end(), n8.begin(), n8.end());
  const std::vector<std::vector<Segment>> layouts = {
      {{both}},
      {{property, 8}, {build_id}, {ours}},
      {{ours8, 8}},
      // A second version note is never looked at.
      {{ours}, {Note("MATRIX", 1, Descriptor(7, Fixed(), kStrings))}},
  };
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    WriteFile(scratch / "m.so", Elf(layouts[i]));
    const Bytes block = Block(scratch / "m.so");
    ASSERT_FALSE(block.empty()) << i;
    EXPECT_EQ(StringValue(block, L"ProductName"), L"Fixture") << i;
  }
}

TEST(VersionInfo, ReportsWhyThereIsNoVersion) {
  ScratchFolder scratch;
  ASSERT_EQ(mkdir((scratch / "folder").c_str(), 0777), 0);
  ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0666), 0);
  WriteFile(scratch / "text",
            "not an ELF file at all, but long enough to be one");
  WriteFile(scratch / "empty", "");
  Bytes other_machine = Elf({{VersionNote()}});
  reinterpret_cast<ElfW(Ehdr)*>(other_machine.data())->e_machine ^= 0x55;
  WriteFile(scratch / "machine", other_machine);
  Bytes other_class = Elf({{VersionNote()}});
  other_class[EI_CLASS] =
      other_class[EI_CLASS] == ELFCLASS64 ? ELFCLASS32 : ELFCLASS64;
  WriteFile(scratch / "class", other_class);
  Bytes relocatable = Elf({{VersionNote()}});
  reinterpret_cast<ElfW(Ehdr)*>(relocatable.data())->e_type = ET_REL;
  WriteFile(scratch / "object", relocatable);
  Bytes table_outside = Elf({{VersionNote()}});
  reinterpret_cast<ElfW(Ehdr)*>(table_outside.data())->e_phoff = 1u << 30;
  WriteFile(scratch / "table", table_outside);
  WriteFile(scratch / "none", Elf({}));
  WriteFile(scratch / "others",
            Elf({{Note("GNU", NT_GNU_BUILD_ID, Bytes(20, 1))}}));
  WriteFile(scratch / "type2",
            Elf({{Note("MATRIX", 2, Descriptor(1, Fixed(), kStrings))}}));
  WriteFile(scratch / "owner",
            Elf({{Note("MATRIXX", 1, Descriptor(1, Fixed(), kStrings))}}));

  const struct {
    const char* name;
    DWORD error;
  } rows[] = {
      {"missing", ERROR_FILE_NOT_FOUND},
      {"no/such", ERROR_PATH_NOT_FOUND},
      {"folder", ERROR_BAD_FORMAT},
      {"fifo", ERROR_BAD_FORMAT},  // and does not wait for a writer
      {"text", ERROR_BAD_FORMAT},
      {"empty", ERROR_BAD_FORMAT},
      {"machine", ERROR_BAD_FORMAT},
      {"class", ERROR_BAD_FORMAT},
      {"object", ERROR_BAD_FORMAT},
      {"table", ERROR_BAD_FORMAT},
      {"none", ERROR_BAD_FORMAT},  // no program headers at all
      {"others", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"type2", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"owner", ERROR_RESOURCE_TYPE_NOT_FOUND},
  };
  for (const auto& row : rows) {
    const Result r = SizeOf(scratch / row.name);
    EXPECT_EQ(r.size, 0u) << row.name;
    EXPECT_EQ(r.error, row.error) << row.name;
    Bytes buffer(64, 0xEE);
    SetLastError(0);
    EXPECT_FALSE(GetFileVersionInfoW(Wide(scratch / row.name).c_str(), 0, 64,
                                     buffer.data()))
        << row.name;
    EXPECT_EQ(GetLastError(), row.error) << row.name;
    EXPECT_EQ(buffer, Bytes(64, 0xEE)) << row.name;
  }
}

TEST(VersionInfo, MalformedAndCutNotesAreInvalidData) {
  // Any file may carry a note: each of these is refused, never read past
  // its end nor trusted as it stands.
  ScratchFolder scratch;
  VS_FIXEDFILEINFO bad_signature = Fixed();
  bad_signature.dwSignature = 0x12345678;
  const Bytes whole = Descriptor(1, Fixed(), kStrings);
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"format 2",
       Elf({{Note("MATRIX", 1, Descriptor(2, Fixed(), kStrings))}})},
      {"no fixed part", Elf({{Note("MATRIX", 1, Bytes(4 + 51, 0))}})},
      {"empty descriptor", Elf({{Note("MATRIX", 1, Bytes())}})},
      {"signature",
       Elf({{Note("MATRIX", 1, Descriptor(1, bad_signature, kStrings))}})},
      {"no strings at all",
       Elf({{Note("MATRIX", 1, Descriptor(1, Fixed(), ""))}})},
      {"no closing empty string",
       Elf({{Note("MATRIX", 1,
                  Descriptor(1, Fixed(), std::string("A=B\0", 4)))}})},
      {"unterminated string",
       Elf({{Note("MATRIX", 1, Descriptor(1, Fixed(), "A=B"))}})},
      {"no '='",
       Elf({{Note("MATRIX", 1,
                  Descriptor(1, Fixed(), std::string("AB\0\0", 4)))}})},
      {"empty name",
       Elf({{Note("MATRIX", 1,
                  Descriptor(1, Fixed(), std::string("=B\0\0", 4)))}})},
      {"not UTF-8",
       Elf({{Note("MATRIX", 1,
                  Descriptor(1, Fixed(), std::string("A=\xC3\x28\0\0", 6)))}})},
      {"overlong UTF-8",
       Elf({{Note("MATRIX", 1,
                  Descriptor(1, Fixed(), std::string("A=\xC0\xAF\0\0", 6)))}})},
      {"descriptor past its segment",
       Elf({{Note("MATRIX", 1, whole, 4, whole.size() + 4096)}})},
      {"descriptor size near 2^32",
       Elf({{Note("MATRIX", 1, whole, 4, 0xFFFFFFFF)}})},
  };
  for (const auto& [label, image] : cases) {
    WriteFile(scratch / "m.so", image);
    const Result r = SizeOf(scratch / "m.so");
    EXPECT_EQ(r.size, 0u) << label;
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INVALID_DATA)) << label;
  }

  // A file cut inside its note segment, and a segment that claims more than
  // the file holds.
  Bytes image = Elf({{VersionNote()}});
  const Bytes cut(image.begin(), image.end() - 40);
  WriteFile(scratch / "cut.so", cut);
  EXPECT_EQ(SizeOf(scratch / "cut.so").error,
            static_cast<DWORD>(ERROR_INVALID_DATA));
  Phdr(image, 0)->p_filesz = 0xFFFFFFFFFFFFull;
  WriteFile(scratch / "big.so", image);
  EXPECT_EQ(SizeOf(scratch / "big.so").error,
            static_cast<DWORD>(ERROR_INVALID_DATA));
  Phdr(image, 0)->p_filesz = 16;
  Phdr(image, 0)->p_offset = ~std::uint64_t{0} - 8;
  WriteFile(scratch / "wrap.so", image);
  EXPECT_EQ(SizeOf(scratch / "wrap.so").error,
            static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST(VersionInfo, ReadsAtMost64KiBOfNotes) {
  ScratchFolder scratch;
  const Bytes filler = Note("FILL", 1, Bytes(64 * 1024, 0));
  WriteFile(scratch / "late.so", Elf({{filler}, {VersionNote()}}));
  EXPECT_EQ(SizeOf(scratch / "late.so").error,
            static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  const Bytes smaller = Note("FILL", 1, Bytes(60 * 1024, 0));
  WriteFile(scratch / "early.so", Elf({{smaller}, {VersionNote()}}));
  EXPECT_GT(SizeOf(scratch / "early.so").size, 0u);
}

TEST(VersionInfo, StringsTooLongForTheBlockAreInvalidData) {
  // The block's lengths are 16-bit; a note that would overflow them must not
  // become a block whose lengths lie.
  ScratchFolder scratch;
  const std::string value(20000, 'v');  // 80000 bytes as wchar_t
  WriteFile(scratch / "m.so",
            Elf({{Note("MATRIX", 1,
                       Descriptor(1, Fixed(),
                                  "Big=" + value + std::string("\0\0", 2)))}}));
  EXPECT_EQ(SizeOf(scratch / "m.so").error,
            static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST(VersionInfo, CopiesAtMostLenAndTheBlockSaysWhatWasCopied) {
  ScratchFolder scratch;
  WriteFile(scratch / "m.so", Elf({{VersionNote()}}));
  const Bytes whole = Block(scratch / "m.so");
  ASSERT_FALSE(whole.empty());
  const std::wstring name = Wide(scratch / "m.so");
  // Enough for the root's header, key and fixed part only.
  const DWORD len =
      static_cast<DWORD>((6 + 16 * sizeof(wchar_t) + 3) / 4 * 4 + 52);
  ASSERT_LT(len, whole.size());
  Bytes buffer(whole.size(), 0xEE);
  ASSERT_TRUE(GetFileVersionInfoW(name.c_str(), 0, len, buffer.data()));
  WORD length;
  std::memcpy(&length, buffer.data(), sizeof length);
  EXPECT_EQ(length, len);
  EXPECT_TRUE(
      std::equal(buffer.begin() + 2, buffer.begin() + len, whole.begin() + 2));
  EXPECT_EQ(Bytes(buffer.begin() + len, buffer.end()),
            Bytes(whole.size() - len, 0xEE));
  // What was copied is found; nothing past it is read. The exact-size copy
  // lets the sanitizer catch any read beyond.
  const Bytes exact(buffer.begin(), buffer.begin() + len);
  LPVOID value = nullptr;
  UINT got = 0;
  EXPECT_TRUE(VerQueryValueW(exact.data(), L"\\", &value, &got));
  EXPECT_EQ(got, 52u);
  EXPECT_EQ(StringValue(exact, L"ProductName"), L"<none>");
  EXPECT_FALSE(VerQueryValueW(exact.data(), L"\\VarFileInfo\\Translation",
                              &value, &got));
  // Every shorter copy is safe to query too.
  for (DWORD n = 6; n < whole.size(); n += 3) {
    Bytes part(n);
    ASSERT_TRUE(GetFileVersionInfoW(name.c_str(), 0, n, part.data()));
    VerQueryValueW(part.data(), L"\\StringFileInfo\\040904B0\\Comments", &value,
                   &got);
    VerQueryValueW(part.data(), L"\\", &value, &got);
  }
  SetLastError(0);
  EXPECT_FALSE(GetFileVersionInfoW(name.c_str(), 0, 5, buffer.data()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_FALSE(GetFileVersionInfoW(name.c_str(), 0, len, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(VersionInfo, QueriesStayInsideABlockWhoseNodesLie) {
  ScratchFolder scratch;
  WriteFile(scratch / "m.so", Elf({{VersionNote()}}));
  const Bytes whole = Block(scratch / "m.so");
  ASSERT_FALSE(whole.empty());
  LPVOID value = nullptr;
  UINT len = 0;
  // Every 16-bit field made huge in turn: no query reads past the block.
  for (std::size_t at = 0; at + 2 <= whole.size(); at += 2) {
    Bytes block = whole;
    const WORD huge = 0xFFFF;
    std::memcpy(block.data() + at, &huge, sizeof huge);
    if (at == 0) continue;  // the root's own length is the caller's word
    for (const wchar_t* key : {L"\\", L"\\StringFileInfo\\040904B0\\Comments",
                               L"\\VarFileInfo\\Translation"}) {
      if (VerQueryValueW(block.data(), key, &value, &len)) {
        const auto* p = static_cast<const unsigned char*>(value);
        EXPECT_GE(p, block.data());
        EXPECT_LE(p + len, block.data() + block.size());
      }
    }
  }
}

TEST(VersionInfo, ReadAfterTheSizeSeesAFileChangedMeanwhile) {
  ScratchFolder scratch;
  const std::wstring name = Wide(scratch / "m.so");
  WriteFile(scratch / "m.so", Elf({{VersionNote()}}));
  const DWORD size = GetFileVersionInfoSizeW(name.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  // Replaced by another file (a new inode) with other strings.
  const std::string other("ProductName=Replaced\0\0", 22);
  WriteFile(scratch / "new.so",
            Elf({{Note("MATRIX", 1, Descriptor(1, Fixed(), other))}}));
  ASSERT_EQ(
      std::rename((scratch / "new.so").c_str(), (scratch / "m.so").c_str()), 0);
  Bytes block(size);
  ASSERT_TRUE(GetFileVersionInfoW(name.c_str(), 0, size, block.data()));
  EXPECT_EQ(StringValue(block, L"ProductName"), L"Replaced");
  // Rewritten in place with a longer note.
  ASSERT_GT(GetFileVersionInfoSizeW(name.c_str(), nullptr), 0u);
  const std::string longer("ProductName=Rewritten in place\0\0", 32);
  WriteFile(scratch / "m.so",
            Elf({{Note("MATRIX", 1, Descriptor(1, Fixed(), longer))}}));
  block.assign(4096, 0);
  ASSERT_TRUE(GetFileVersionInfoW(name.c_str(), 0, 4096, block.data()));
  EXPECT_EQ(StringValue(block, L"ProductName"), L"Rewritten in place");
  // Removed: the read fails.
  ASSERT_GT(GetFileVersionInfoSizeW(name.c_str(), nullptr), 0u);
  ASSERT_EQ(unlink((scratch / "m.so").c_str()), 0);
  EXPECT_FALSE(GetFileVersionInfoW(name.c_str(), 0, 4096, block.data()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// ---- The CMake helper's notes ----------------------------------------------

TEST(VersionInfo, ReadsWhatTheHelperWrote) {
  const Bytes module = Block(MATRIX_TEST_VERSIONED_MODULE);
  ASSERT_FALSE(module.empty());
  LPVOID value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(module.data(), L"\\", &value, &len));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed.dwStrucVersion, 0x00010000u);
  EXPECT_EQ(fixed.dwFileVersionMS, 2u * 65536 + 1);
  EXPECT_EQ(fixed.dwFileVersionLS, 7u);
  EXPECT_EQ(fixed.dwProductVersionMS, 2u * 65536 + 1);
  EXPECT_EQ(fixed.dwProductVersionLS, 5u);
  EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed.dwFileType, 2u);  // VFT_DLL
  EXPECT_EQ(StringValue(module, L"ProductName"), L"Fixture");
  EXPECT_EQ(StringValue(module, L"Comments"), L"a=b; c \"quoted\" \\ 1");
  EXPECT_EQ(StringValue(module, L"LegalCopyright"), L"\u00A9 2026");

  const Bytes program = Block(MATRIX_TEST_VERSIONED_PROGRAM);
  ASSERT_FALSE(program.empty());
  ASSERT_TRUE(VerQueryValueW(program.data(), L"\\", &value, &len));
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, 3u * 65536 + 4);
  EXPECT_EQ(fixed.dwFileVersionLS, 5u * 65536);
  EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);  // defaulted
  EXPECT_EQ(fixed.dwProductVersionLS, fixed.dwFileVersionLS);
  EXPECT_EQ(fixed.dwFileType, 1u);  // VFT_APP

  EXPECT_EQ(SizeOf(MATRIX_TEST_PLAIN_MODULE).error,
            static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

}  // namespace
