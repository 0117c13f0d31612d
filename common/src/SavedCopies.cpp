#include "common/SavedCopies.h"

#include <locale>

#include "platform/Files.h"

namespace Common {
namespace {

// The position of the dot that starts the own name's extension, or npos.
std::string::size_type ExtensionDot(const std::string& name) {
  const std::string::size_type dot = name.rfind('.');
  if (dot == std::string::npos) return dot;
  const std::string::size_type slash = name.rfind('/');
  return slash != std::string::npos && dot < slash ? std::string::npos : dot;
}

}  // namespace

bool CarriesExtension(const std::string& name, const std::string& extension) {
  if (extension.empty()) return false;
  const std::string::size_type dot = ExtensionDot(name);
  if (dot == std::string::npos || name.size() - dot - 1 != extension.size()) return false;
  const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
  for (std::string::size_type i = 0; i < extension.size(); ++i)
    if (ctype.tolower(name[dot + 1 + i]) != ctype.tolower(extension[i])) return false;
  return true;
}

std::string SavedCopyName(const std::string& name, const std::string& extension) {
  const std::string::size_type dot = ExtensionDot(name);
  return (dot == std::string::npos ? name : name.substr(0, dot)) + "." + extension;
}

bool IsReadOnly(const std::string& name) {
  constexpr std::uint32_t OwnerWrite = 0200;
  const Platform::FileAttributes attributes = Platform::GetAttributes(name);
  return attributes.Mode == Platform::AttributesFailed || (attributes.Mode & OwnerWrite) == 0;
}

}  // namespace Common
