#include "zel_clipboard.h"

namespace zel {

std::string TClipboard::AsText() const {
  std::lock_guard<std::mutex> g(FLock);
  return FText;
}

void TClipboard::SetAsText(const std::string& Value) {
  std::lock_guard<std::mutex> g(FLock);
  FText = Value;
}

void TClipboard::Clear() {
  std::lock_guard<std::mutex> g(FLock);
  FText.clear();
}

bool TClipboard::HasText() const {
  std::lock_guard<std::mutex> g(FLock);
  return !FText.empty();
}

TClipboard& Clipboard() {
  static TClipboard clip;
  return clip;
}

}  // namespace zel
