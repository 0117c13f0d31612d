// The pair scans, written once over a vector of `Width` bytes. VectorScan.cpp includes this
// file once per instruction set, inside a namespace that defines Width, Vector, Load, Splat,
// Equal (a byte mask of equal bytes), And, Or, Sub, MinUnsigned (bytewise, unsigned) and
// MaskOf (one bit per byte), so that each copy is compiled for its own instructions. No
// include guard: that is the point.

// The first start in [first, lastStart] where the literal's bytes at its two offsets fit and
// the whole literal follows; null when there is none. Two vectors of positions per step, so
// that a step without a fit costs one branch. Too many false fits hand over to the two-way
// search.
inline const char* FindPairInBlocks(const char* first, const char* last, const std::string& literal,
                                    std::size_t offset1, std::size_t offset2) {
  const std::size_t length = literal.size();
  const char* const lastStart = last - length;
  const Vector byte1 = Splat(literal[offset1]);
  const Vector byte2 = Splat(literal[offset2]);
  std::size_t misses = 0;
  const char* block = first;
  for (; block + (2 * Width - 1) <= lastStart; block += 2 * Width) {
    const std::uint64_t low =
        MaskOf(And(Equal(Load(block + offset1), byte1), Equal(Load(block + offset2), byte2)));
    const std::uint64_t high = MaskOf(And(Equal(Load(block + Width + offset1), byte1),
                                          Equal(Load(block + Width + offset2), byte2)));
    for (std::uint64_t mask = low | high << Width; mask != 0; mask &= mask - 1) {
      const char* start = block + __builtin_ctzll(mask);
      if (SameBytes(start, literal)) return start;
      if (TooManyMisses(++misses, length, start - first)) return TwoWay(start + 1, last, literal);
    }
  }
  return FindPairPlainly(block, last, literal, offset1, offset2);
}

// The first position in [first, last) where a literal of the set starts and fits; `stopped`
// as LiteralSetFinder::Find says. The set's size is a template argument so that the loop over
// the literals unrolls (the pragma: -O2 does not) and their bytes stay in registers.
template <std::size_t Count>
const char* FindPairSetInBlocks(const char* first, const char* last, const SetTables& set,
                                const char*& stopped) {
  stopped = nullptr;
  Vector bytes[2][Count];
  std::size_t offsets[2][Count];
  for (std::size_t k = 0; k < Count; ++k)
    for (int i = 0; i < 2; ++i) {
      bytes[i][k] = Splat(set.Pairs[k].Byte[i]);
      offsets[i][k] = set.Pairs[k].Offset[i];
    }
  std::size_t misses = 0;
  const char* block = first;
  if (static_cast<std::size_t>(last - first) >= set.Reach + Width) {
    const char* const lastBlock = last - set.Reach - Width;
    for (; block <= lastBlock; block += Width) {
      Vector fits[Count];
      Vector all = Splat(0);
#pragma GCC unroll 8
      for (std::size_t k = 0; k < Count; ++k) {
        fits[k] = And(Equal(Load(block + offsets[0][k]), bytes[0][k]),
                      Equal(Load(block + offsets[1][k]), bytes[1][k]));
        all = Or(all, fits[k]);
      }
      std::uint32_t any = MaskOf(all);
      if (any == 0) continue;
      std::uint32_t masks[Count];
#pragma GCC unroll 8
      for (std::size_t k = 0; k < Count; ++k) masks[k] = MaskOf(fits[k]);
      while (any != 0) {
        const unsigned at = static_cast<unsigned>(__builtin_ctz(any));
        const char* start = block + at;
        for (std::size_t k = 0; k < Count; ++k)
          if ((masks[k] >> at & 1u) != 0 && LiteralAt(start, last, set.Literals[k])) return start;
        if (TooManyMisses(++misses, set.Longest, start - first)) {
          stopped = start;
          return nullptr;
        }
        any &= any - 1;
      }
    }
  }
  return FindSetPlainly(block, last, set);
}

inline const char* FindPairSet(const char* first, const char* last, const SetTables& set,
                               const char*& stopped) {
  switch (set.Count) {
    case 1:
      return FindPairSetInBlocks<1>(first, last, set, stopped);
    case 2:
      return FindPairSetInBlocks<2>(first, last, set, stopped);
    case 3:
      return FindPairSetInBlocks<3>(first, last, set, stopped);
    case 4:
      return FindPairSetInBlocks<4>(first, last, set, stopped);
    case 5:
      return FindPairSetInBlocks<5>(first, last, set, stopped);
    case 6:
      return FindPairSetInBlocks<6>(first, last, set, stopped);
    case 7:
      return FindPairSetInBlocks<7>(first, last, set, stopped);
    default:
      return FindPairSetInBlocks<8>(first, last, set, stopped);
  }
}

// Bytes of `text` in one of the ranges, as a byte mask.
inline Vector InRanges(Vector text, const Vector* firsts, const Vector* spans, std::size_t count) {
  Vector fits = Splat(0);
  for (std::size_t r = 0; r < count; ++r) {
    const Vector above = Sub(text, firsts[r]);  // wraps below the range's first byte
    fits = Or(fits, Equal(MinUnsigned(above, spans[r]), above));
  }
  return fits;
}

// The first position in [from, last - length] where both sets fit; null when there is none.
inline const char* FindRangePairInBlocks(const char* from, const char* last,
                                         const ByteRangePairFinder& pair) {
  Vector firsts[2][ByteRanges::MostRanges];
  Vector spans[2][ByteRanges::MostRanges];
  for (int i = 0; i < 2; ++i)
    for (std::size_t r = 0; r < pair.Sets[i].Count; ++r) {
      firsts[i][r] = Splat(static_cast<char>(pair.Sets[i].First[r]));
      spans[i][r] = Splat(static_cast<char>(pair.Sets[i].Span[r]));
    }
  const char* const lastStart = last - pair.Length;
  const char* block = from;
  for (; block + (Width - 1) <= lastStart; block += Width) {
    const std::uint32_t mask = MaskOf(
        And(InRanges(Load(block + pair.Offset[0]), firsts[0], spans[0], pair.Sets[0].Count),
            InRanges(Load(block + pair.Offset[1]), firsts[1], spans[1], pair.Sets[1].Count)));
    if (mask != 0) return block + __builtin_ctz(mask);
  }
  return FindRangePairPlainly(block, last, pair);
}
