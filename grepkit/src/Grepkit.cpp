// The package main unit: the entry points that hand the unit table to the framework, and the
// main unit's own counter.
#include "UnitCounter.h"
#include "grepkit/Package.h"
#include "vcl35/Package.h"

namespace Grepkit {
namespace {

UnitCounter Counter;

// Framework units first (the package contains none: it requires the framework's own package),
// then the package's units.
const vcl35::PackageUnitEntry Units[] = {
    {"Grepkit", &Grepkit::Initialization, &Grepkit::Finalization},
    {"Regularexpressiontlsstack", &Regularexpressiontlsstack::Initialization,
     &Regularexpressiontlsstack::Finalization},
    {"Regularexpressioncustom", &Regularexpressioncustom::Initialization,
     &Regularexpressioncustom::Finalization},
    {"Regularexpression", &Regularexpression::Initialization, &Regularexpression::Finalization},
    {"Regularexpressioninterface", &Regularexpressioninterface::Initialization,
     &Regularexpressioninterface::Finalization},
};

const vcl35::PackageInfoTable Table{sizeof(Units) / sizeof(Units[0]), Units};

}  // namespace

void Initialization() {
  Counter.Start([] {});
}
void Finalization() {
  Counter.Stop([] {});
}

}  // namespace Grepkit

extern "C" {

void Initialize() { vcl35::InitializePackage(Grepkit::Table); }

void Finalize() { vcl35::FinalizePackage(Grepkit::Table); }
}
