#include "DescriptorOutput.h"

namespace RegexTool {

DescriptorOutput::DescriptorOutput(int descriptor, std::size_t bufferSize)
    : Writer(descriptor), Buffer(bufferSize) {
  if (!Buffer.empty()) setp(Buffer.data(), Buffer.data() + Buffer.size());
}

DescriptorOutput::~DescriptorOutput() {
  if (Writer.IsOpen()) Drain();
}

int DescriptorOutput::Close() {
  if (!Writer.IsOpen()) return Writer.Error();
  Drain();
  return Writer.Close();
}

bool DescriptorOutput::Drain() {
  const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
  const bool written = Writer.Write(pbase(), pending);
  if (!Buffer.empty()) setp(Buffer.data(), Buffer.data() + Buffer.size());
  return written;
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type ch) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  const char byte = traits_type::to_char_type(ch);
  if (Buffer.empty()) return Writer.Write(&byte, 1) ? ch : traits_type::eof();
  *pptr() = byte;
  pbump(1);
  return ch;
}

std::streamsize DescriptorOutput::xsputn(const char* data, std::streamsize count) {
  const std::size_t size = static_cast<std::size_t>(count);
  if (size == 0) return 0;
  if (size > static_cast<std::size_t>(epptr() - pptr())) {
    if (!Drain()) return 0;
    // A piece bigger than the whole buffer goes out directly, without a copy.
    if (size >= Buffer.size()) return Writer.Write(data, size) ? count : 0;
  }
  traits_type::copy(pptr(), data, size);
  pbump(static_cast<int>(size));
  return count;
}

int DescriptorOutput::sync() { return Drain() ? 0 : -1; }

}  // namespace RegexTool
