#include "zel_exceptions.h"

namespace zel {

std::string ComponentMessage(const std::string& componentName, const std::string& text) {
  return "Component \"" + componentName + "\": " + text;
}

}  // namespace zel
