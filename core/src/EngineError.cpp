#include "EngineError.h"

#include "common/Abandonment.h"

namespace grepcore {

Error EngineGaveUp(unsigned abandonCode, const GrepEngine::Pattern& pattern) {
  Error error;
  error.Kind = ErrorKind::EngineGaveUp;
  error.Code = abandonCode;
  error.Message = Common::AbandonReason(abandonCode, pattern);
  return error;
}

}  // namespace grepcore
