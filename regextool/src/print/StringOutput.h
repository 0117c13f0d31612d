#pragma once
// An output stream's buffer that appends to a string the caller owns, so text built through a
// stream is held once (an ostringstream holds it, then hands out a copy).

#include <streambuf>
#include <string>

namespace RegexTool {

class StringOutput : public std::streambuf {
 public:
  explicit StringOutput(std::string& text) : Text(text) {}

 protected:
  int_type overflow(int_type ch) override {
    if (!traits_type::eq_int_type(ch, traits_type::eof())) Text += traits_type::to_char_type(ch);
    return traits_type::not_eof(ch);
  }
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    Text.append(data, static_cast<std::size_t>(count));
    return count;
  }

 private:
  std::string& Text;
};

}  // namespace RegexTool
