#include "DefaultInput.h"

#include <grepcore/Streams.h>

namespace RegexTool {

bool InputHoldsData(int descriptor) {
  if (grepcore::IsTerminal(descriptor)) return false;
  const grepcore::Result<grepcore::StreamIdentity> identity = grepcore::IdentifyStream(descriptor);
  return identity && (identity->RegularFile || identity->Pipe);
}

}  // namespace RegexTool
