#include "vcl35/SysUtils.h"

#include "platform/Files.h"

namespace vcl35 {

int FileGetAttr(const AnsiString& name) {
  constexpr std::uint32_t OwnerWrite = 0200;
  const Platform::FileAttributes attributes = Platform::GetAttributes(name.ToString());
  if (attributes.Mode == Platform::AttributesFailed) return -1;
  return (attributes.Mode & OwnerWrite) == 0 ? (faReadOnly | faArchive) : faArchive;
}

}  // namespace vcl35
