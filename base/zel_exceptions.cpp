#include "zel_exceptions.h"

#include <system_error>

namespace zel {

std::string FileErrorMessage(const char* What, const std::string& FileName, int Err) {
  std::string Msg = std::string(What) + " \"" + FileName + "\"";
  if (Err != 0) Msg += ". " + std::error_code(Err, std::generic_category()).message();
  return Msg;
}

std::string ComponentMessage(const std::string& componentName, const std::string& text) {
  return "Component \"" + componentName + "\": " + text;
}

}  // namespace zel
