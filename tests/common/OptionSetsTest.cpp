#include <gtest/gtest.h>
#include "common/OptionSets.h"
