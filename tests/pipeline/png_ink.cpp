// Counts the pixels of a PNG picture that are neither white nor
// transparent, so that a test can tell a drawing from a blank page.
//
//   png_ink FILE.png [X Y W H]
//       prints the count, of the whole picture or of the rectangle of W by H
//       pixels at (X, Y) (a screenshot's drawing area); exit 1 when the
//       file is not an 8-bit, non-interlaced grey, RGB or RGBA PNG
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::uint32_t Be32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
         (std::uint32_t{p[2]} << 8) | p[3];
}

int Fail(const char* why) {
  std::fprintf(stderr, "png_ink: %s\n", why);
  return 1;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
            pc = std::abs(p - c);
  return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 6) return Fail("usage: png_ink FILE.png [X Y W H]");
  unsigned long area[4] = {0, 0, ~0ul, ~0ul};
  for (int k = 0; argc == 6 && k < 4; ++k) {
    area[k] = std::strtoul(argv[2 + k], nullptr, 10);
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<unsigned char> f((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
  static const unsigned char kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (f.size() < 8 || !std::equal(kSignature, kSignature + 8, f.begin()))
    return Fail("not a PNG");
  std::uint32_t width = 0, height = 0;
  int channels = 0;
  std::vector<unsigned char> packed;
  for (std::size_t at = 8; at + 12 <= f.size();) {
    const std::uint32_t length = Be32(&f[at]);
    if (at + 12 + length > f.size()) return Fail("truncated chunk");
    const std::string type(reinterpret_cast<const char*>(&f[at + 4]), 4);
    const unsigned char* data = &f[at + 8];
    if (type == "IHDR") {
      width = Be32(data);
      height = Be32(data + 4);
      const int depth = data[8], color = data[9], interlace = data[12];
      channels = color == 0   ? 1
                 : color == 2 ? 3
                 : color == 6 ? 4
                 : color == 4 ? 2
                              : 0;
      if (depth != 8 || channels == 0 || interlace != 0)
        return Fail("unsupported PNG layout");
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    }
    at += 12 + length;
  }
  if (width == 0 || height == 0 || width > 20000 || height > 20000)
    return Fail("no picture");
  const std::size_t stride =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  std::vector<unsigned char> raw((stride + 1) * height);
  uLongf raw_size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &raw_size, packed.data(),
                 static_cast<uLong>(packed.size())) != Z_OK ||
      raw_size != raw.size()) {
    return Fail("bad image data");
  }
  std::vector<unsigned char> prev(stride, 0), row(stride);
  unsigned long long ink = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    const unsigned char* line = &raw[y * (stride + 1)];
    const int filter = line[0];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= static_cast<std::size_t>(channels)
                        ? row[i - static_cast<std::size_t>(channels)]
                        : 0;
      const int b = prev[i];
      const int c = i >= static_cast<std::size_t>(channels)
                        ? prev[i - static_cast<std::size_t>(channels)]
                        : 0;
      int v = line[1 + i];
      switch (filter) {
        case 0:
          break;
        case 1:
          v += a;
          break;
        case 2:
          v += b;
          break;
        case 3:
          v += (a + b) / 2;
          break;
        case 4:
          v += Paeth(a, b, c);
          break;
        default:
          return Fail("bad filter");
      }
      row[i] = static_cast<unsigned char>(v);
    }
    const bool in_rows = y >= area[1] && y - area[1] < area[3];
    for (std::size_t x = 0; x < width && in_rows; ++x) {
      if (x < area[0] || x - area[0] >= area[2]) continue;
      const unsigned char* p = &row[x * static_cast<std::size_t>(channels)];
      const bool opaque = channels == 4   ? p[3] > 0
                          : channels == 2 ? p[1] > 0
                                          : true;
      bool white = true;
      for (int k = 0; k < (channels >= 3 ? 3 : 1); ++k)
        white = white && p[k] > 250;
      if (opaque && !white) ++ink;
    }
    prev.swap(row);
  }
  std::printf("%llu\n", ink);
  return 0;
}
