#include <gtest/gtest.h>
#include "grepcore/Regularexpressionclass.h"
