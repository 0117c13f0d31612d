#include "Regularexpressiontlsstack.h"

#include "UnitCounter.h"
#include "grepkit/Package.h"

namespace Regularexpressiontlsstack {
namespace {
Grepkit::UnitCounter Counter;
}

void Initialization() {
  Counter.Start([] {});
}
void Finalization() {
  Counter.Stop([] {});
}

}  // namespace Regularexpressiontlsstack
