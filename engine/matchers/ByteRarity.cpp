#include "ByteRarity.h"

namespace GrepEngine {
namespace {

// From the most common down.
constexpr char CommonBytes[] = " etaoinsrlhdcumfpgywb,.\n_vk()=;-xTSAEIRNO0123456789:\"'/*#{}<>jqz";

struct CommonnessTable {
  unsigned char Rank[256] = {};
  constexpr CommonnessTable() {
    constexpr std::size_t count = sizeof CommonBytes - 1;
    for (std::size_t i = 0; i < count; ++i)
      Rank[static_cast<unsigned char>(CommonBytes[i])] = static_cast<unsigned char>(count - i);
  }
};

constexpr CommonnessTable Table;

}  // namespace

unsigned Commonness(unsigned char byte) { return Table.Rank[byte]; }

std::size_t RarestPosition(const std::string& literal) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < literal.size(); ++i)
    if (Commonness(static_cast<unsigned char>(literal[i])) <
        Commonness(static_cast<unsigned char>(literal[best])))
      best = i;
  return best;
}

std::size_t RarestPositionBut(const std::string& literal, std::size_t except) {
  std::size_t best = except;
  for (std::size_t i = 0; i < literal.size(); ++i) {
    if (i == except) continue;
    if (best == except || Commonness(static_cast<unsigned char>(literal[i])) <
                              Commonness(static_cast<unsigned char>(literal[best])))
      best = i;
  }
  return best;
}

}  // namespace GrepEngine
