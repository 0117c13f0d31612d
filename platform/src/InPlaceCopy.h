#pragma once
// What the writer of an in-place copy and the walk that finishes an interrupted one share: the
// working-file names, the record after the content, and the copy itself.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {
namespace Detail {

constexpr const char TemporaryMarker[] = ".~rxtmp";
constexpr const char CopyMarker[] = ".~rxcopy";

// The record after an in-place copy's content.
struct CopyRecord {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::uint64_t Length = 0;
  std::uint64_t Checksum = 0;
};
constexpr std::size_t CopyRecordSize = 40;  // magic, then the four numbers, little-endian

void EncodeRecord(const CopyRecord& record, unsigned char (&bytes)[CopyRecordSize]);
bool DecodeRecord(const unsigned char (&bytes)[CopyRecordSize], CopyRecord& record);

// A 64-bit checksum of `length` bytes: FNV-1a, continued from `seed`.
constexpr std::uint64_t ChecksumSeed = 14695981039346656037ull;
std::uint64_t Checksum(const void* data, std::size_t length, std::uint64_t seed);
// The checksum of the first `length` bytes of `fd`; false when they cannot all be read.
bool ChecksumOf(int fd, std::uint64_t length, std::uint64_t& checksum);

// Copies the first `length` bytes of `source` over `target`, cuts `target` there and flushes
// it. Space for a target that grows is taken before the first byte is written, so a full
// disk fails the copy while the target is still untouched. `touched` tells whether the target
// may have changed.
bool CopyOver(int source, int target, std::uint64_t length, bool& touched);

// Splits ".<own>.<inode>.~rxcopy"; false when the name is not of that shape.
bool ParseCopyName(const std::string& name, std::string& own, std::uint64_t& inode);
// The own name in ".<own>.<tag>.~rxtmp"; false when the name is not of that shape.
bool ParseTemporaryName(const std::string& name, std::string& own);

}  // namespace Detail
}  // namespace Platform
