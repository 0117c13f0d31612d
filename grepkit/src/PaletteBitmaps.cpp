#include "PaletteBitmaps.h"

#include <cstdint>
#include <cstring>

#include "grepkit/Package.h"

namespace Grepkit {
namespace {

constexpr int Side = 24;
constexpr std::uint32_t Colours = 256;
constexpr std::uint32_t HeaderSize = 14 + 40 + Colours * 4;

void Put16(std::vector<unsigned char>& out, std::uint32_t value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>(value >> 8 & 0xFF));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A 6x6x6 colour cube (indices 0..215) then 40 greys; the pictures use a few of them.
void PutColourTable(std::vector<unsigned char>& out) {
  for (std::uint32_t i = 0; i < Colours; ++i) {
    std::uint32_t r, g, b;
    if (i < 216) {
      r = i / 36 * 51;
      g = i / 6 % 6 * 51;
      b = i % 6 * 51;
    } else {
      r = g = b = (i - 216) * 255 / 39;
    }
    out.push_back(static_cast<unsigned char>(b));
    out.push_back(static_cast<unsigned char>(g));
    out.push_back(static_cast<unsigned char>(r));
    out.push_back(0);
  }
}

constexpr unsigned char CubeIndex(int r, int g, int b) {
  return static_cast<unsigned char>(r * 36 + g * 6 + b);
}

unsigned char ColourOf(char c) {
  switch (c) {
    case '#':
      return CubeIndex(0, 0, 3);  // dark blue frame
    case 'x':
      return CubeIndex(0, 0, 0);  // black glyph
    case 'o':
      return CubeIndex(5, 0, 0);  // red accent
    case '.':
      return CubeIndex(5, 5, 5);  // white
    default:
      return 216 + 31;  // light grey background
  }
}

const char* const ExpressionPicture[Side] = {
    "                        ", " ###################### ", " #....................# ",
    " #....................# ", " #....................# ", " #..........oo....oo..# ",
    " #...........oo..oo...# ", " #.......oooooooooooo.# ", " #...........oo..oo...# ",
    " #..........oo....oo..# ", " #....................# ", " #....................# ",
    " #....................# ", " #....................# ", " #....................# ",
    " #....................# ", " #..xxx...............# ", " #..xxx...............# ",
    " #..xxx...............# ", " #....................# ", " #....................# ",
    " #....................# ", " ###################### ", "                        "};

const char* const InterfacePicture[Side] = {
    "                        ", "                        ", "   ..................   ",
    "   .################.   ", "   .#..............#.   ", "   .#...xx....xx...#.   ",
    "   .#..xx......xx..#.   ", "   .#..xx......xx..#.   ", "   .#.xx...oo...xx.#.   ",
    "   .#.xx..o..o..xx.#.   ", "   .#.xx..oooo..xx.#.   ", "   .#.xx..o..o..xx.#.   ",
    "   .#.xx..o..o..xx.#.   ", "   .#..xx......xx..#.   ", "   .#..xx......xx..#.   ",
    "   .#...xx....xx...#.   ", "   .#..............#.   ", "   .################.   ",
    "   ..................   ", "                        ", "                        ",
    "                        ", "                        ", "                        "};

}  // namespace

std::vector<unsigned char> DrawBitmap(const char* const rows[Side]) {
  std::vector<unsigned char> out;
  const std::uint32_t pixels = Side * Side;  // rows of 24 bytes need no padding
  out.reserve(HeaderSize + pixels);
  out.push_back('B');
  out.push_back('M');
  Put32(out, HeaderSize + pixels);
  Put32(out, 0);
  Put32(out, HeaderSize);
  Put32(out, 40);
  Put32(out, Side);
  Put32(out, Side);
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);  // no compression
  Put32(out, pixels);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, Colours);
  Put32(out, 0);
  PutColourTable(out);
  for (int y = Side - 1; y >= 0; --y) {
    const std::size_t length = std::strlen(rows[y]);
    for (int x = 0; x < Side; ++x)
      out.push_back(ColourOf(static_cast<std::size_t>(x) < length ? rows[y][x] : ' '));
  }
  return out;
}

const std::vector<unsigned char>* PaletteBitmap(const std::string& name) {
  static const std::vector<unsigned char> expression = DrawBitmap(ExpressionPicture);
  static const std::vector<unsigned char> interface = DrawBitmap(InterfacePicture);
  if (name == "REGULAREXPRESSION") return &expression;
  if (name == "REGULAREXPRESSIONINTERFACE") return &interface;
  return nullptr;
}

const unsigned char* FindBitmapResource(const char* name, std::uint32_t* size) {
  const std::vector<unsigned char>* bitmap = name == nullptr ? nullptr : PaletteBitmap(name);
  if (size != nullptr) *size = bitmap == nullptr ? 0 : static_cast<std::uint32_t>(bitmap->size());
  return bitmap == nullptr ? nullptr : bitmap->data();
}

}  // namespace Grepkit
