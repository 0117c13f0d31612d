#pragma once
// The process's environment, as far as the toolkit reads it.

#include <string>

namespace Platform {

// The value of the environment variable `name`; empty when it is not set.
std::string EnvironmentValue(const char* name);

}  // namespace Platform
