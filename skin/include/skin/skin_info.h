// A readable description of a skin package: versions, pictures, sections with their class words
// and the keys whose values do not parse as their kind.
#pragma once

#include <string>

#include "skin/skin_package.h"

namespace skin {

std::string DescribePackage(const TbsCompressedStoredSkin& stored);

}  // namespace skin
