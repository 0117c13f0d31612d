#pragma once
// The type information of the component core's settings and events, from which each published
// class takes the properties it publishes.

#include <string>
#include <vector>

#include "vcl35/TypeInfo.h"

namespace RegexComponent {

// The published property of that name (MatchOptions, ExpressionOptions, Expression, ...,
// OnChangingFiles), as every published class records it.
vcl35::TPropInfo PublishedProperty(const std::string& name);

std::vector<vcl35::TPropInfo> PublishedProperties(const std::vector<std::string>& names);

}  // namespace RegexComponent
